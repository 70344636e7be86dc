#include "tools/setup_check/check.h"
#include "tools/setup_check/explain.h"
#include "tools/setup_check/json_writer.h"
#include "tools/setup_check/msiexec_line.h"
#include "tools/setup_check/package_reader.h"
#include "tools/setup_check/profile.h"
#include "tools/setup_check/report.h"
#include "tools/setup_check/text.h"

#include "tests/support/medium.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <tuple>

namespace {

namespace fs = std::filesystem;

using testmedium::instanceCode;
using testmedium::productCode;
using testmedium::replaced;

const std::string standardSettings = testmedium::setupIni("REBOOT=ReallySuppress");

// The package and Russian and Ukrainian transforms of the medium, made once into a folder of
// this test run's own: real ones (built with wixl) where the tool reads packages, placeholders
// where it does not (its Windows build).
const fs::path& builtPackage() {
    static const fs::path folder = [] {
        const fs::path made = fs::temp_directory_path() /
                              ("setup-check-media-" +
                               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                               "-" + std::to_string(std::rand()));
        fs::create_directories(made);
        if (!packageReadingAvailable()) {
            for (const char* name : {"product.msi", "1049.mst", "1058.mst"})
                std::ofstream(made / name, std::ios::binary) << "read by no package reader";
            return made;
        }
        const std::string command = "python3 \"" SETUP_SOURCE_DIR
                                    "/tests/support/check_media.py\" \"" +
                                    made.string() + "\"";
        return std::system(command.c_str()) == 0 ? made : fs::path();
    }();
    return folder;
}

// A medium in a fresh host folder: Setup.ini, English, Russian and Ukrainian message files,
// the package and the Russian and Ukrainian transforms.
class Medium : public ::testing::Test {
protected:
    static void TearDownTestSuite() { fs::remove_all(builtPackage()); }

    void SetUp() override {
        ASSERT_FALSE(builtPackage().empty()) << "the test package could not be built";
        folder =
            fs::temp_directory_path() /
            ("setup-check-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        file("Setup.ini", standardSettings);
        file("0x0409.ini", "[0x0409]\r\n1150=This product needs a newer Windows.\r\n");
        file("0x0419.ini", "[0x0419]\r\n1150=Windows is too old (ru)\r\n");
        file("0x0422.ini", "[0x0422]\r\n1150=Windows is too old (uk)\r\n");
        for (const char* name : {"product.msi", "1049.mst", "1058.mst"})
            copyBuilt(name, name);
    }
    void copyBuilt(const std::string& name, const std::string& to) {
        fs::create_directories((folder / to).parent_path());
        fs::copy_file(builtPackage() / name, folder / to, fs::copy_options::overwrite_existing);
    }
    void TearDown() override { fs::remove_all(folder); }

    void file(const std::string& name, const std::string& bytes) {
        fs::create_directories((folder / name).parent_path());
        std::ofstream(folder / name, std::ios::binary) << bytes;
    }
    void remove(const std::string& name) { fs::remove(folder / name); }

    CheckResult check(const std::string& profileName, const std::string& arguments = "",
                      const std::map<std::string, std::string>& settings = {},
                      const Placement& placement = {}) {
        Profile profile;
        std::string error;
        EXPECT_TRUE(loadProfile(profileName, profile, error)) << error;
        for (const auto& [key, value] : settings)
            EXPECT_TRUE(applySetting(profile, key, value, error)) << error;
        return checkMedium(folder.string(), profile, arguments, placement);
    }

    fs::path folder;
};

std::string commandLineOf(const CheckResult& r) {
    return r.run.installer ? r.run.installer->commandLine : "<not called>";
}

// The installation's language: after the run when it started, else after the options.
std::uint32_t languageOf(const CheckResult& r) {
    return r.started() ? r.record().finalLanguageId : r.record().language.languageId;
}

// "file:line" of every warning whose message holds `text`.
std::vector<std::string> warningsAbout(const CheckResult& r, const std::string& text) {
    std::vector<std::string> at;
    for (const Warning& w : r.warnings)
        if (w.message.find(text) != std::string::npos)
            at.push_back(w.file + ":" + std::to_string(w.line));
    return at;
}

// ---- Profiles ----------------------------------------------------------------------------------

TEST(Profile, PresetsDescribeTheirMachines) {
    struct Case {
        const char* name;
        const char* windows;
        std::uint16_t userLanguage;
        std::int32_t geoId;
    };
    const Case cases[] = {
        {"winxp-sp3-en", "Windows 5.1.2600 SP3", 0x0409, 244},
        {"win7-sp1-ru", "Windows 6.1.7601 SP1", 0x0419, 203},
        {"win7-sp1-uk", "Windows 6.1.7601 SP1", 0x0422, 241},
        {"win10-uk", "Windows 10.0.19045", 0x0422, 241},
        {"win10-en", "Windows 10.0.19045", 0x0409, 244},
    };
    for (const Case& c : cases) {
        Profile p;
        ASSERT_TRUE(preset(c.name, p)) << c.name;
        EXPECT_EQ(p.name, c.name);
        EXPECT_EQ(windowsText(p.windows), c.windows) << c.name;
        EXPECT_EQ(p.userLanguage, c.userLanguage) << c.name;
        EXPECT_EQ(p.geoId, c.geoId) << c.name;
    }
    Profile p;
    EXPECT_FALSE(preset("win95", p));
}

TEST(Profile, SettingsAreReadOrRefusedWithTheReason) {
    struct Case {
        const char* key;
        const char* value;
        bool accepted;
    };
    const Case cases[] = {
        {"windows", "6.1.7601", true},
        {"windows", "seven", false},
        {"service_pack", "1", true},
        {"service_pack", "x", false},
        {"user_language", "0x0422", true},
        {"user_language", "1058", true},
        {"user_language", "uk", true},
        {"user_language", "klingon", false},
        {"keyboards", "0x04220422,0x04090409", true},
        {"keyboards", "0x0422,zz", false},
        {"currency", "none", true},
        {"country_code", "380", true},
        {"country_code", "UA", false},
        {"msi_runtime", "none", true},
        {"msi_runtime", "latest", false},
        {"runtime_setup", "fails", true},
        {"runtime_setup", "maybe", false},
        {"ansi_code_page", "1251", true},
        {"ansi_code_page", "auto", true},
        {"ansi_code_page", "9999", false},
        {"installer_result", "1603", true},
        {"installer_result", "-", false},
        {"installed.{A}", "1.0", true},
        {"preset", "win10-uk", true},
        {"preset", "win2000", false},
        {"ProductVerison", "1", false},
    };
    for (const Case& c : cases) {
        Profile p;
        std::string error;
        EXPECT_EQ(applySetting(p, c.key, c.value, error), c.accepted) << c.key << "=" << c.value;
        EXPECT_EQ(error.empty(), c.accepted) << c.key << "=" << c.value;
    }

    Profile p;
    std::string error;
    ASSERT_TRUE(applyProfileText(p,
                                 "# a Ukrainian on Windows 7\npreset=win10-uk\n\nwindows=6.1.7601\n"
                                 "service_pack=1\ninstalled.{X}=2.5.1\n",
                                 "uk7.profile", error));
    EXPECT_EQ(windowsText(p.windows), "Windows 6.1.7601 SP1");
    EXPECT_EQ(p.userLanguage, 0x0422);
    EXPECT_EQ(p.installed.at(u"{X}"), u"2.5.1");
    EXPECT_FALSE(applyProfileText(p, "windows=6.1\ngeo_id\n", "bad.profile", error));
    EXPECT_EQ(error.rfind("bad.profile:2: ", 0), 0u) << error;
}

// Windows reads text without a byte-order mark in the code page of its system language.
TEST(Profile, AnsiCodePageFollowsTheSystemLanguageUnlessSet) {
    using Settings = std::vector<std::pair<std::string, std::string>>;
    const std::tuple<const char*, Settings, std::uint32_t> cases[] = {
        {"win7-sp1-ru", {}, 1251},
        {"win10-uk", {}, 1251},
        {"win10-en", {}, 1252},
        {"win10-en", {{"system_language", "pl"}}, 1250},
        {"win10-en", {{"system_language", "zh"}}, 936},
        // The user's language does not decide it, and a language without one keeps 1252.
        {"win10-en", {{"user_language", "ru"}}, 1252},
        {"win10-en", {{"system_language", "ka"}}, 1252},
        {"win10-en", {{"system_language", "0x0411"}}, 1252},
        {"win7-sp1-ru", {{"ansi_code_page", "1252"}}, 1252},
        {"win7-sp1-ru", {{"ansi_code_page", "1252"}, {"ansi_code_page", "auto"}}, 1251},
    };
    for (const auto& [name, settings, codePage] : cases) {
        Profile p;
        std::string error;
        ASSERT_TRUE(preset(name, p));
        for (const auto& [key, value] : settings)
            ASSERT_TRUE(applySetting(p, key, value, error)) << error;
        EXPECT_EQ(ansiCodePageOf(p), codePage) << name;
    }
}

TEST(Profile, ArgumentsGivenOneByOneAreQuotedWhereTheyHoldBlanks) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, ""},
        {{"/l", "uk", "/S"}, "/l uk /S"},
        {{"INSTALLDIR=C:\\My Apps"}, "INSTALLDIR=\"C:\\My Apps\""},
        {{"/debuglog", "C:\\my log.txt"}, "/debuglog \"C:\\my log.txt\""},
        {{"A=\"x y\""}, "A=\"x y\""},
    };
    for (const auto& [arguments, line] : cases)
        EXPECT_EQ(joinArguments(arguments), line);
}

// ---- The launcher's decisions on a medium ------------------------------------------------------

TEST_F(Medium, CommandLineAndExitCodePerMachine) {
    struct Case {
        const char* profile;
        const char* arguments;
        std::map<std::string, std::string> settings;
        const char* commandLine; // nullptr: the installer is not called
        std::uint32_t exitCode;
        std::uint32_t language;
    };
    const Case cases[] = {
        {"win7-sp1-ru", "", {}, "TRANSFORMS=1049.mst REBOOT=ReallySuppress", 0, 1049},
        {"win10-uk", "", {}, "TRANSFORMS=1058.mst REBOOT=ReallySuppress COUNTRY=UA", 0, 1058},
        {"win10-uk", "/l ru", {}, "TRANSFORMS=1049.mst REBOOT=ReallySuppress", 0, 1049},
        {"win10-en", "", {}, " REBOOT=ReallySuppress", 0, 1033},
        {"win10-en", "/x /S", {}, "REMOVE=ALL  REBOOT=ReallySuppress", 0, 1033},
        {"win10-en",
         "/a /l ru",
         {},
         "ACTION=ADMIN SETUPEXEDIR=\"C:\\media\" SETUPEXENAME=\"setup.exe\" TRANSFORMS=1049.mst "
         "REBOOT=ReallySuppress",
         0,
         1049},
        {"win10-en",
         "INSTALLDIR=\"C:\\My Apps\"",
         {},
         " REBOOT=ReallySuppress INSTALLDIR=\"C:\\My Apps\" ",
         0,
         1033},
        // Two signs are enough: a Russian Windows with a Ukrainian keyboard and GeoID.
        {"win7-sp1-ru",
         "",
         {{"keyboards", "0x04190419,0x04220422"}, {"geo_id", "241"}},
         "TRANSFORMS=1058.mst REBOOT=ReallySuppress COUNTRY=UA",
         0,
         1058},
        {"win7-sp1-ru",
         "",
         {{"installer_result", "1603"}},
         "TRANSFORMS=1049.mst REBOOT=ReallySuppress",
         1603,
         1049},
        {"win7-sp1-ru",
         "/S",
         {{"installer_result", "1602"}},
         "TRANSFORMS=1049.mst REBOOT=ReallySuppress",
         1602,
         1049},
        {"winxp-sp3-en", "", {}, nullptr, 1, 1033},
        {"win7-sp1-ru", "/?", {}, nullptr, 1, 1049},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.profile) + " " + c.arguments);
        CheckResult r = check(c.profile, c.arguments, c.settings);
        EXPECT_EQ(commandLineOf(r), c.commandLine ? c.commandLine : "<not called>");
        EXPECT_EQ(r.run.exitCode, c.exitCode);
        EXPECT_EQ(r.started(), c.commandLine != nullptr);
        EXPECT_EQ(languageOf(r), c.language);
        if (r.run.installer) {
            EXPECT_EQ(r.run.installer->packagePath, "C:\\media\\product.msi");
        }
    }
}

// The medium in another folder, at the root of a drive, or with a renamed launcher: the
// package path, the administrative folder and name, and what is found beside the launcher
// all follow.
TEST_F(Medium, PlacedInAnotherFolderOrUnderAnotherName) {
    struct Case {
        Placement at;
        const char* arguments;
        const char* commandLine;
        const char* packagePath;
    };
    const Case cases[] = {
        {{"C:\\inst", "setup.exe"},
         "",
         "TRANSFORMS=1049.mst REBOOT=ReallySuppress",
         "C:\\inst\\product.msi"},
        {{"C:\\inst", "setup.exe"},
         "/a",
         "ACTION=ADMIN SETUPEXEDIR=\"C:\\inst\" SETUPEXENAME=\"setup.exe\" TRANSFORMS=1049.mst "
         "REBOOT=ReallySuppress",
         "C:\\inst\\product.msi"},
        {{"D:\\Setup Files\\x64", "setup.exe"},
         "",
         "TRANSFORMS=1049.mst REBOOT=ReallySuppress",
         "D:\\Setup Files\\x64\\product.msi"},
        // At a drive's root the folder is handed over without its backslash.
        {{"C:\\", "setup.exe"},
         "/a",
         "ACTION=ADMIN SETUPEXEDIR=\"C:\" SETUPEXENAME=\"setup.exe\" TRANSFORMS=1049.mst "
         "REBOOT=ReallySuppress",
         "C:\\product.msi"},
        {{"C:\\", "setup.exe"}, "", "TRANSFORMS=1049.mst REBOOT=ReallySuppress", "C:\\product.msi"},
        {{"C:\\media", "Install Vorta.exe"},
         "/a",
         "ACTION=ADMIN SETUPEXEDIR=\"C:\\media\" SETUPEXENAME=\"Install Vorta.exe\" "
         "TRANSFORMS=1049.mst REBOOT=ReallySuppress",
         "C:\\media\\product.msi"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at.launcherPath() + " " + c.arguments);
        CheckResult r = check("win7-sp1-ru", c.arguments, {}, c.at);
        EXPECT_EQ(commandLineOf(r), c.commandLine);
        ASSERT_TRUE(r.run.installer);
        EXPECT_EQ(r.run.installer->packagePath, c.packagePath);
        EXPECT_EQ(r.run.exitCode, 0u);
        EXPECT_NE(r.record().initOutcome, InitOutcome::NoSettings);
    }

    // Placements as the command line gives them: tidied, or refused with the reason.
    const std::tuple<const char*, const char*, const char*> given[] = {
        {"C:\\media", "setup.exe", "C:\\media\\setup.exe"},
        {"C:\\inst\\", "setup.exe", "C:\\inst\\setup.exe"},
        {"C:/bare", "setup.exe", "C:\\bare\\setup.exe"},
        {"C:\\", "Install Vorta.exe", "C:\\Install Vorta.exe"},
        {"media", "setup.exe", nullptr},
        {"C:", "setup.exe", nullptr},
        {"\\\\server\\share", "setup.exe", nullptr},
        {"C:\\media", "", nullptr},
        {"C:\\media", "sub\\setup.exe", nullptr},
    };
    for (const auto& [folder, exe, path] : given) {
        Placement p{folder, exe};
        std::string error;
        EXPECT_EQ(normalisePlacement(p, error), path != nullptr) << folder << " " << exe;
        if (path)
            EXPECT_EQ(p.launcherPath(), path);
        else
            EXPECT_NE(error, "") << folder << " " << exe;
    }
}

TEST_F(Medium, BoxesAndStandardOutputAreTheLaunchersOwn) {
    CheckResult old = check("winxp-sp3-en");
    ASSERT_EQ(old.run.boxes.size(), 1u);
    EXPECT_EQ(old.run.boxes[0].text, "This product needs a newer Windows.");
    EXPECT_EQ(old.run.boxes[0].caption, "");
    EXPECT_EQ(old.run.boxes[0].style, 0x40u);
    EXPECT_EQ(old.run.standardOutput.rfind("Usage:", 0), 0u);
    EXPECT_FALSE(old.record().windows.accepted);

    CheckResult failed = check("win7-sp1-ru", "", {{"installer_result", "1603"}});
    ASSERT_EQ(failed.run.boxes.size(), 1u);
    EXPECT_EQ(failed.run.boxes[0].caption, "Error");
    EXPECT_EQ(failed.run.boxes[0].style, 0x1010u);
    EXPECT_EQ(boxStyleText(failed.run.boxes[0].style), "error, system-modal");

    file("Setup.ini", "ProductCode=x\r\n[Startup\r\n");
    CheckResult malformed = check("win10-en");
    EXPECT_EQ(malformed.run.exitCode, 1u);
    EXPECT_NE(utf8(malformed.record().refusal).find("Setup.ini, line 2: "), std::string::npos);
    EXPECT_EQ(warningsAbout(malformed, "closing"), std::vector<std::string>{"Setup.ini:2"});
}

TEST_F(Medium, InstalledInstanceAndRuntimeUpdate) {
    file("Setup.ini",
         replaced(standardSettings, "Location=product.msi", "Location=data\\product.msi"));
    remove("product.msi");
    copyBuilt("product.msi", "data/product.msi");
    file("data/setup.ini",
         "[Instances]\r\ncount=1\r\n1=Inst2\r\n[Inst2]\r\nProductCode=" + instanceCode + "\r\n");
    copyBuilt("1049.mst", "data/1049.mst");
    file("instmsi30.exe", "MZ");
    CheckResult r = check("win7-sp1-ru", "",
                          {{"installed." + instanceCode, "2.5.1"}, {"msi_runtime", "2.0.2600.0"}});
    EXPECT_EQ(commandLineOf(r), "TRANSFORMS=:Inst2.mst;1049.mst REBOOT=ReallySuppress");
    EXPECT_EQ(r.run.installer->packagePath, "C:\\media\\data\\product.msi");
    EXPECT_EQ(r.record().package.installed, InstalledState::Instance);
    EXPECT_EQ(r.record().package.instanceName, u"Inst2");
    EXPECT_TRUE(r.record().runtime.older);
    EXPECT_TRUE(r.record().runtime.setupStarted);
    EXPECT_EQ(r.run.processesRun, std::vector<std::string>{"C:\\media\\instmsi30.exe"});

    // Without its key file the package's inspection stops early, so the instance goes unseen.
    CheckResult noKeyFile = check(
        "win7-sp1-ru", "", {{"installed." + instanceCode, "2.5.1"}, {"package_key_file", "none"}});
    EXPECT_EQ(commandLineOf(noKeyFile), "TRANSFORMS=1049.mst REBOOT=ReallySuppress");
    EXPECT_EQ(warningsAbout(noKeyFile, "no File row vorta.dll"),
              std::vector<std::string>{"data\\product.msi:0"});
}

TEST_F(Medium, ExplainsTheLanguageAndTheUkraineRule) {
    CheckResult uk = check("win10-uk");
    EXPECT_TRUE(uk.record().country.applied);
    EXPECT_EQ(uk.record().country.signs, CountrySignSet({true, true, true, true, true, true}));
    EXPECT_EQ(uk.record().messages.file, u"0x0422.ini");
    EXPECT_EQ(uk.record().transforms.setting, u"TRANSFORMS=1058.mst");
    EXPECT_NE(languageReason(uk.record()).find("kept Ukrainian, with COUNTRY=UA"),
              std::string::npos);

    CheckResult given = check("win10-uk", "/l ru");
    EXPECT_FALSE(given.record().country.asked);
    EXPECT_EQ(languageReason(given.record()), "the option /l");

    // A Russian user whose language file is missing reads the English file's Russian section.
    remove("0x0419.ini");
    CheckResult fallback = check("win7-sp1-ru");
    EXPECT_EQ(fallback.record().messages.file, u"0x0409.ini");
    EXPECT_EQ(fallback.record().messages.section, u"0x0419");
    EXPECT_EQ(warningsAbout(fallback, "every box of the launcher shows an empty text"),
              std::vector<std::string>{"0x0409.ini:0"});
}

TEST_F(Medium, RecordsWhatWasReadWithItsLine) {
    CheckResult r = check("win7-sp1-ru");
    std::map<std::string, std::string> read;
    for (const SettingRead& s : r.read)
        read[s.file + ":" + std::to_string(s.line) + " [" + s.section + "] " + s.key] = s.value;
    EXPECT_EQ(read["Setup.ini:2 [Startup] ProductCode"], productCode);
    EXPECT_EQ(read["Setup.ini:5 [Startup] CmdLine"], "REBOOT=ReallySuppress");
    EXPECT_EQ(read["Setup.ini:9 [Package] Location"], "product.msi");
    EXPECT_EQ(read["Setup.ini:12 [MsiVersion] 3.1"], "Windows");
    EXPECT_EQ(read["Setup.ini:21 [W7] BuildNo"], "7600");
    EXPECT_EQ(read["0x0419.ini:2 [0x0419] 1150"], "Windows is too old (ru)");
}

// ---- Warnings for the publisher ----------------------------------------------------------------

TEST_F(Medium, ACleanMediumHasNoWarnings) {
    EXPECT_TRUE(mediumWarnings(folder.string()).empty());
    CheckResult r = check("win7-sp1-ru");
    EXPECT_TRUE(r.warnings.empty()) << textReport(r);
}

TEST_F(Medium, WarningsNameTheFileAndLine) {
    struct Case {
        const char* what;
        std::string settings; // Setup.ini
        const char* about;    // part of the message
        std::vector<std::string> at;
        std::string russianMessages = "[0x0419]\r\n1150=Windows is too old (ru)\r\n";
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
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

// ---- Output --------------------------------------------------------------------------------

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
