#include "tools/setup_check/basics/text.h"

#include "tests/support/check_medium.h"
#include "tools/setup_check/check.h"
#include "tools/setup_check/explain/explain.h"
#include "tools/setup_check/package/package_reader.h"

#include <map>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

namespace setupcheck {

namespace {

using namespace checktest;

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
        const Result<Placement> p = normalisedPlacement({folder, exe});
        EXPECT_EQ(p.ok(), path != nullptr) << folder << " " << exe;
        if (path && p)
            EXPECT_EQ(p->launcherPath(), path);
        else
            EXPECT_NE(p.reason(), "") << folder << " " << exe;
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

// A ProductCode line before any instance is named: the launcher hands over the transform of an
// instance without a name, which the package cannot store, and the installer refuses it.
TEST_F(Medium, InstanceWithoutANameIsRefusedWithItsTransform) {
    file("Setup.ini",
         replaced(standardSettings, "Location=product.msi", "Location=data\\product.msi"));
    remove("product.msi");
    copyBuilt("product.msi", "data/product.msi");
    copyBuilt("1049.mst", "data/1049.mst");
    file("data/setup.ini", "ProductCode=" + instanceCode + "\r\n");
    CheckResult r = check("win7-sp1-ru", "", {{"installed." + instanceCode, "2.5.1"}});
    EXPECT_EQ(commandLineOf(r), "TRANSFORMS=:.mst;1049.mst REBOOT=ReallySuppress");
    if (!packageReadingAvailable())
        return;
    EXPECT_EQ(r.run.exitCode, 1624u);
    EXPECT_EQ(warningsAbout(r, "stands before any instance is named"),
              std::vector<std::string>{"data\\setup.ini:1"});
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

} // namespace

} // namespace setupcheck
