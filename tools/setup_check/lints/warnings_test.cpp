#include "tools/setup_check/check.h"

#include "tests/support/check_medium.h"
#include "tools/setup_check/reports/report.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace setupcheck {

namespace {

using namespace checktest;

TEST_F(Medium, ACleanMediumHasNoWarnings) {
    EXPECT_TRUE(mediumWarnings(folder.string()).empty());
    CheckResult r = check("win7-sp1-ru");
    EXPECT_TRUE(r.warnings.empty()) << textReport(r);
}

// Each mistake on the medium, the words its warning holds and where it points.
struct WarningCase {
    const char* what;
    std::string settings; // Setup.ini
    const char* about;    // part of the message
    std::vector<std::string> at;
    std::string russianMessages = "[0x0419]\r\n1150=Windows is too old (ru)\r\n";
};
const WarningCase warningCases[] = {
    {"typo in a key",
     replaced(standardSettings, "ProductVersion=", "ProductVerison="),
     "ProductVerison in [Startup] is never read by the launcher (did you mean ProductVersion?)",
     {"Setup.ini:3"}},
    {"letter case of a key",
     replaced(standardSettings, "CmdLine=", "cmdline="),
     "names are case-sensitive: did you mean CmdLine?",
     {"Setup.ini:5"}},
    {"no requirement section",
     replaced(standardSettings, "[MsiVersion]", "[MsiVersions]"),
     "no [MsiVersion] section: every start is refused",
     {"Setup.ini:0"}},
    {"empty requirement section",
     replaced(standardSettings, "3.1=Windows\r\n", ""),
     "[MsiVersion] is empty",
     {"Setup.ini:11"}},
    {"missing list",
     replaced(standardSettings, "[Windows]", "[Windowz]"),
     "the requirement list [Windows] does not exist",
     {"Setup.ini:12"}},
    {"list entry without its section",
     replaced(standardSettings, "W7=1", "W7=1\r\nW10=1"),
     "W10 names [W10], which does not exist",
     {"Setup.ini:17"}},
    {"non-numeric component",
     replaced(standardSettings, "BuildNo=7600", "BuildNo=7600a"),
     "BuildNo=7600a is not a number",
     {"Setup.ini:21"}},
    {"missing component",
     replaced(standardSettings, "MinorVer=1\r\n", ""),
     "[W7] has no MinorVer",
     {"Setup.ini:18"}},
    {"package section missing",
     replaced(standardSettings, "[Package]", "[Pakage]"),
     "PackageName names [Package], which does not exist",
     {"Setup.ini:4"}},
    {"package file missing",
     replaced(standardSettings, "product.msi", "produkt.msi"),
     "is not on the medium",
     {"Setup.ini:9"}},
    {"second section of a name",
     standardSettings + "[Startup]\r\nProductVersion=9\r\n",
     "[Startup] stands a second time",
     {"Setup.ini:22"}},
    {"a key twice",
     replaced(standardSettings, "Product=Demo", "CmdLine=X=1"),
     "CmdLine in [Startup] stands again on line 6",
     {"Setup.ini:5"}},
    {"section nothing reads",
     standardSettings + "[Extras]\r\nA=1\r\n",
     "[Extras] is never read",
     {"Setup.ini:22"}},
    {"no package location",
     replaced(standardSettings, "Location=product.msi\r\n", ""),
     "no Location in [Package]",
     {"Setup.ini:8"}},
    {"runtime requirement that is not a version",
     replaced(standardSettings, "3.1=Windows", "v3.1=Windows"),
     "the Windows Installer requirement v3.1 is not a version number",
     {"Setup.ini:12"}},
    {"list entry neither 1 nor 0",
     replaced(standardSettings, "W7=1", "W7=1\r\nW10=yes"),
     "W10=yes does not accept that Windows",
     {"Setup.ini:17"}},
    {"no list entry of 1",
     replaced(standardSettings, "W7=1", "W7=0"),
     "[Windows] accepts no Windows version",
     {"Setup.ini:14"}},
    {"service pack that is not a number",
     replaced(standardSettings, "BuildNo=7600", "BuildNo=7600\r\nServicePack=SP1"),
     "ServicePack=SP1 is not a number (major*256+minor, 256 = SP1): read as 0",
     {"Setup.ini:22"}},
    // The launcher reads +6 as 6, so the entry is met.
    {"signed component",
     replaced(standardSettings, "MajorVer=6", "MajorVer=+6"),
     "can never be met",
     {}},
    {"no text 1150",
     standardSettings,
     "no text 1150 in [0x0419]",
     {"0x0419.ini:1"},
     "[0x0419]\r\n1203=usage\r\n"},
    {"malformed message file",
     standardSettings,
     "the launcher refuses to start in this language",
     {"0x0419.ini:1"},
     "1150=x"},
    {"settings in UTF-16 big-endian",
     "\xFE\xFF" + standardSettings,
     "the file begins with the UTF-16 big-endian mark FE FF, which the launcher cannot read: "
     "the launcher refuses to start",
     {"Setup.ini:0"}},
    {"several runtime requirements",
     replaced(standardSettings, "3.1=Windows", "3.1=Windows\r\n2.0=Windows"),
     "3.1 in [MsiVersion] is ignored: only the first key in code-unit order counts, which is "
     "2.0",
     {"Setup.ini:12"}},
};

TEST_F(Medium, WarningsNameTheFileAndLine) {
    for (const WarningCase& c : warningCases) {
        SCOPED_TRACE(c.what);
        file("Setup.ini", c.settings);
        file("0x0419.ini", c.russianMessages);
        std::vector<Warning> warnings = mediumWarnings(folder.string());
        std::vector<std::string> at;
        std::string all;
        for (const Warning& w : warnings) {
            all += w.file + ":" + std::to_string(w.line) + ": " + w.message + "\n";
            if (w.message.find(c.about) != std::string::npos)
                at.push_back(w.file + ":" + std::to_string(w.line));
        }
        EXPECT_EQ(at, c.at) << all;
    }
}

TEST_F(Medium, OldRuntimeWithoutItsSetupProgramIsAMachineWarning) {
    CheckResult r = check("win10-en", "", {{"msi_runtime", "3.0"}});
    EXPECT_EQ(warningsAbout(r,
                            "3.0.0.0 is older than the 3.1 required, and instmsi30.exe is not on "
                            "the medium"),
              std::vector<std::string>{":0"});
    file("instmsi30.exe", "MZ");
    EXPECT_TRUE(check("win10-en", "", {{"msi_runtime", "3.0"}}).warnings.empty());
}

TEST_F(Medium, ToleratedKeysAndInstancesBesideTheLauncherAreNoWarnings) {
    file("Setup.ini", replaced(standardSettings, "Product=Demo",
                               "Product=Demo\r\nPackageCode={X}\r\nLogResults=1") +
                          "[Instances]\r\ncount=1\r\n1=Inst2\r\n[Inst2]\r\nProductCode=" +
                          instanceCode + "\r\n");
    std::vector<Warning> warnings = mediumWarnings(folder.string());
    for (const Warning& w : warnings)
        if (w.file == "Setup.ini")
            ADD_FAILURE() << w.file << ":" << w.line << ": " << w.message;
}

TEST_F(Medium, LanguagesNeedBothMessageFileAndTransform) {
    copyBuilt("1049.mst", "1031.mst"); // a German transform, no German messages
    file("0x0426.ini", "[0x0426]\r\n1150=Latvian\r\n");
    file("0x0415.ini", "[0x0409]\r\n1150=wrong section\r\n");
    copyBuilt("1049.mst", "1045.mst");
    std::vector<Warning> warnings = mediumWarnings(folder.string());
    std::map<std::string, std::string> byFile;
    for (const Warning& w : warnings)
        byFile[w.file + ":" + std::to_string(w.line)] += w.message + "|";
    EXPECT_NE(byFile["1031.mst:0"].find("no message file 0x0407.ini"), std::string::npos);
    EXPECT_NE(byFile["0x0426.ini:0"].find("no transform 1062.mst"), std::string::npos);
    EXPECT_NE(byFile["0x0415.ini:0"].find("no section [0x0415]"), std::string::npos);
    EXPECT_EQ(byFile.size(), 3u);

    // A language's section in the English file is a message file too.
    file("0x0409.ini", "[0x0409]\r\n1150=en\r\n[0x0407]\r\n1150=de\r\n");
    warnings = mediumWarnings(folder.string());
    for (const Warning& w : warnings)
        EXPECT_NE(w.file, "1031.mst") << w.message;
}

TEST_F(Medium, TransformsMustLieWhereTheInstallerLooks) {
    file("Setup.ini",
         replaced(standardSettings, "Location=product.msi", "Location=data\\product.msi"));
    copyBuilt("product.msi", "data/product.msi");
    copyBuilt("1049.mst", "data/1049.mst");
    file("data/1031.mst", "transform");
    std::vector<Warning> warnings = mediumWarnings(folder.string());
    std::vector<std::string> messages;
    for (const Warning& w : warnings) {
        EXPECT_EQ(w.file + ":" + std::to_string(w.line), "Setup.ini:9") << w.message;
        messages.push_back(w.message.substr(0, w.message.find(':')));
    }
    // 1049.mst lies in both places; 1058.mst only beside the launcher; 1031.mst only beside the
    // package.
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "1058.mst lies beside the launcher but the package lies in C",
                            "1031.mst lies beside the package but not beside the launcher, which "
                            "looks for it there"}));
}

} // namespace

} // namespace setupcheck
