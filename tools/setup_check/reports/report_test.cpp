#include "tools/setup_check/explain/msiexec_line.h"

#include "tests/support/check_medium.h"
#include "tools/setup_check/reports/json_writer.h"
#include "tools/setup_check/reports/report.h"
#include "tools/setup_check/result/exit_status.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace setupcheck {

namespace {

using namespace checktest;

TEST_F(Medium, JsonAndTableCarryTheCommandLine) {
    CheckResult r = check("win10-uk", "INSTALLDIR=\"C:\\My Apps\"");
    std::string json = jsonReport({r}, runStatus(r));
    EXPECT_NE(json.find("\"command_line\": \"TRANSFORMS=1058.mst REBOOT=ReallySuppress "
                        "INSTALLDIR=\\\"C:\\\\My Apps\\\"  COUNTRY=UA\""),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"exit_code\": 0,"), std::string::npos);
    EXPECT_NE(json.find("\"started\": true,"), std::string::npos);
    EXPECT_NE(json.find("\"warnings\": []"), std::string::npos);

    std::vector<CheckResult> matrix{check("win7-sp1-ru"), check("winxp-sp3-en")};
    std::string table = matrixTable(matrix);
    EXPECT_NE(table.find("win7-sp1-ru   0x0419 Russian  TRANSFORMS=1049.mst  "
                         "[TRANSFORMS=1049.mst REBOOT=ReallySuppress]  0 installed"),
              std::string::npos)
        << table;
    EXPECT_NE(table.find("winxp-sp3-en  0x0409 English  -"), std::string::npos) << table;
}

// A name longer than the report's first column stands apart from its value, however long.
TEST_F(Medium, TextReportKeepsLongNamesApart) {
    if (!packageReadingAvailable())
        GTEST_SKIP() << "this build reads no package, so it lists no stored transform";
    const std::string name = "ABCDEFGHIJKLMNOPQRSTUVWX";
    file("Setup.ini",
         replaced(standardSettings, "Location=product.msi", "Location=data\\product.msi"));
    remove("product.msi");
    copyBuilt("product.msi", "data/product.msi");
    file("data/setup.ini",
         "[Instances]\r\n1=" + name + "\r\n[" + name + "]\r\nProductCode=" + instanceCode + "\r\n");
    const std::string report = textReport(check("win10-en"));
    const std::string row = "  :" + name + ".mst ";
    EXPECT_NE(report.find(row), std::string::npos) << report;
}

TEST(Json, StringsAreEscaped) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "\"plain\""},
        {"C:\\media\\", "\"C:\\\\media\\\\\""},
        {"a \"b\"", "\"a \\\"b\\\"\""},
        {"line\r\nnext\t", "\"line\\r\\nnext\\t\""},
        {std::string("\x01\x1f", 2), "\"\\u0001\\u001f\""},
        {"\xE2\x82\xB4", "\"\xE2\x82\xB4\""},
    };
    for (const auto& [text, json] : cases)
        EXPECT_EQ(JsonWriter::quoted(text), json);
}

TEST_F(Medium, MsiexecDoesWhatTheInstallerCallDoes) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "msiexec /i \"C:\\media\\product.msi\" TRANSFORMS=1049.mst REBOOT=ReallySuppress"},
        {"/x /S", "msiexec /x \"C:\\media\\product.msi\" /qn TRANSFORMS=1049.mst "
                  "REBOOT=ReallySuppress"},
        {"/a /debuglog C:\\l.log",
         "msiexec /a \"C:\\media\\product.msi\" /lv! \"C:\\l.log\" SETUPEXEDIR=\"C:\\media\" "
         "SETUPEXENAME=\"setup.exe\" TRANSFORMS=1049.mst REBOOT=ReallySuppress"},
        {"/l en", "msiexec /i \"C:\\media\\product.msi\" REBOOT=ReallySuppress"},
        {"/?", ""},
    };
    for (const auto& [arguments, expected] : cases)
        EXPECT_EQ(msiexecCommandLine(check("win7-sp1-ru", arguments).record()), expected)
            << arguments;
}

} // namespace

} // namespace setupcheck
