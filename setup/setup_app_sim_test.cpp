#include "setup/setup_app.h"

#include "platform/wtext.h"
#include "setup/decision_record.h"
#include "setup/entry.h"
#include "tests/support/expected_usage.h"
#include "tests/support/medium.h"
#include "tests/support/sim_machine.h"

namespace {

using testmedium::replaced;

const std::u16string media = u"C:\\media\\";
const std::u16string productCode = wtext::fromUtf8(testmedium::productCode);
const std::u16string instanceCode = wtext::fromUtf8(testmedium::instanceCode);
const std::string standardSettings = testmedium::setupIni();
const std::string usageStart = wtext::toUtf8(expectedUsage).substr(0, 18);

// A medium in C:\media with the standard settings, a Russian user on Windows 7 SP1, and
// the simulated installer holding the package.
class Medium : public testsupport::SimTest {
protected:
    void SetUp() override {
        renew();
        auto& m = machine();
        m.userLangId = m.systemLangId = 0x0419;
        m.keyboardLayouts = {0x04190419};
        m.currency = u"\u20BD";
        m.userCountryCode = 7;
        m.geoId = 203;
        file(u"Setup.ini", standardSettings);
        file(u"0x0419.ini", "[0x0419]\n1150=Windows is too old (ru)\n");
        file(u"0x0409.ini", "[0x0409]\n1150=Windows is too old (en)\n");
        sim::addMsiPackage(media + u"product.msi",
                           testsupport::samplePackage(productCode, u"2.5.1", u"1.2.3.4"));
    }

    void file(const std::u16string& name, const std::string& bytes) {
        sim::addFile(media + name, bytes);
    }
    void arguments(const std::u16string& text) {
        sim::machine().commandLine =
            u"\"C:\\media\\setup.exe\"" + (text.empty() ? u"" : u" " + text);
    }
    const std::vector<sim::MessageBoxCall>& boxes() { return sim::machine().messageBoxes; }
    // The whole program, as the entry runs it.
    std::uint32_t runWhole() { return runSetup(); }
    std::u16string installedCommandLine() {
        EXPECT_EQ(sim::msi().installs.size(), 1u);
        return sim::msi().installs.empty() ? u"<none>" : sim::msi().installs.back().commandLine;
    }
};

std::string utf8(const std::u16string& s) {
    return wtext::toUtf8(s);
}

// ---- The setup object ------------------------------------------------------------------

TEST_F(Medium, ProgramFolderAndName) {
    struct Case {
        const char16_t* modulePath;
        const char16_t* setupDir;
        const char16_t* exeName;
    };
    const Case cases[] = {
        {u"C:\\media\\setup.exe", u"C:\\media\\", u"setup.exe"},
        {u"C:\\setup.exe", u"C:\\", u"setup.exe"},
        {u"\\\\server\\share\\setup.exe", u"\\\\server\\share\\", u"setup.exe"},
        {u"setup.exe", u"setup.exe", u""},
    };
    for (const Case& c : cases) {
        sim::machine().modulePath = c.modulePath;
        SetupApp app;
        EXPECT_EQ(app.setupDir, c.setupDir) << utf8(c.modulePath);
        EXPECT_EQ(app.exeName, c.exeName) << utf8(c.modulePath);
        EXPECT_EQ(app.setupFilePath(u"Setup.ini"), std::u16string(c.setupDir) + u"Setup.ini");
    }
    sim::machine().hasModuleHandle = false;
    SetupApp app;
    EXPECT_EQ(app.setupDir, u"");
    EXPECT_EQ(app.languageId, 0x0419u);
}

TEST_F(Medium, LongModulePathsAreNotCut) {
    for (bool xpStyle : {false, true}) {
        std::u16string folder = u"C:\\";
        while (folder.size() < 3000)
            folder += u"very long folder name\\";
        sim::machine().modulePath = folder + u"setup.exe";
        sim::machine().moduleFileNameXpStyle = xpStyle;
        SetupApp app;
        EXPECT_EQ(app.setupDir, folder);
        EXPECT_EQ(app.exeName, u"setup.exe");
    }
}

TEST_F(Medium, FreshFieldsHoldTheirInitialValues) {
    SetupApp app;
    EXPECT_EQ(app.uiLevel, 5u);
    EXPECT_EQ(app.installMode, InstallMode::Install);
    EXPECT_EQ(app.productVersion, (VersionQuad{-1, -1, -1, -1}));
    EXPECT_EQ(app.msiVersion, (VersionQuad{-1, -1, -1, -1}));
    EXPECT_FALSE(app.languageGiven);
    EXPECT_FALSE(app.showUsage);
}

// ---- Startup settings ------------------------------------------------------------------

TEST_F(Medium, ReadsTheStartupSettings) {
    SetupApp app;
    ASSERT_TRUE(app.init(u"Setup.ini"));
    EXPECT_EQ(app.productCode, productCode);
    EXPECT_EQ(app.productVersion, (VersionQuad{2, 5, 1, -1}));
    EXPECT_EQ(app.cmdLine, u"A=1");
    EXPECT_EQ(app.packagePath, u"C:\\media\\product.msi");
    EXPECT_EQ(app.msiVersion, (VersionQuad{3, 1, -1, -1}));
    EXPECT_EQ(app.messages.getValue(u"1150"), u"Windows is too old (ru)");
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Medium, PackageLocation) {
    struct Case {
        const char* location;
        const char16_t* packagePath;
    };
    const Case cases[] = {
        {"data\\product.msi", u"C:\\media\\data\\product.msi"},
        {"", u"C:\\media\\"},
        {"D:\\pkg\\product.msi", u"D:\\pkg\\product.msi"},
        {"d:/pkg/product.msi", u"d:/pkg/product.msi"},
        {"\\\\server\\share\\product.msi", u"\\\\server\\share\\product.msi"},
        {"//server/share/product.msi", u"//server/share/product.msi"},
        {"C:pkg.msi", u"C:\\media\\C:pkg.msi"},
        {"\\pkg.msi", u"C:\\media\\\\pkg.msi"},
    };
    for (const Case& c : cases) {
        file(u"Setup.ini", replaced(standardSettings, "Location=product.msi",
                                    std::string("Location=") + c.location));
        SetupApp app;
        app.init(u"Setup.ini");
        EXPECT_EQ(app.packagePath, c.packagePath) << c.location;
    }
}

TEST_F(Medium, LanguageFileAndItsFallback) {
    struct Case {
        const char* what;
        std::uint16_t userLanguage;
        const char16_t* arguments;
        const char* file0419; // nullptr: absent
        const char* file0409;
        const char* expected1150;
    };
    const Case cases[] = {
        {"own file", 0x0419, u"", "[0x0419]\n1150=ru\n", "[0x0409]\n1150=en\n", "ru"},
        {"fallback file, own section", 0x0419, u"", nullptr,
         "[0x0409]\n1150=en\n[0x0419]\n1150=ru in en file\n", "ru in en file"},
        {"fallback file without the section", 0x0419, u"", nullptr, "[0x0409]\n1150=en\n", ""},
        {"no language file at all", 0x0419, u"", nullptr, nullptr, ""},
        {"option chooses the file", 0x0409, u"/l ru", "[0x0419]\n1150=ru\n", "[0x0409]\n1150=en\n",
         "ru"},
        {"option, only the fallback file", 0x0409, u"/l ru", nullptr,
         "[0x0409]\n1150=en\n[0x0419]\n1150=ru in en file\n", "ru in en file"},
        {"unknown code keeps the language", 0x0419, u"/l es", "[0x0419]\n1150=ru\n", nullptr, "ru"},
        {"own file unreadable reads as absent", 0x0419, u"", "\xFE\xFF[Startup]",
         "[0x0409]\n1150=en\n", ""},
    };
    for (const Case& c : cases) {
        sim::removeFile(media + u"0x0419.ini");
        sim::removeFile(media + u"0x0409.ini");
        if (c.file0419)
            file(u"0x0419.ini", c.file0419);
        if (c.file0409)
            file(u"0x0409.ini", c.file0409);
        sim::machine().userLangId = c.userLanguage;
        arguments(c.arguments);
        SetupApp app;
        app.init(u"Setup.ini");
        EXPECT_EQ(utf8(app.messages.getValue(u"1150")), c.expected1150) << c.what;
    }
}

TEST_F(Medium, CommandLineTail) {
    struct Case {
        const char* cmdLineSetting;
        const char16_t* arguments;
        const char16_t* expected;
    };
    const Case cases[] = {
        {"A=1", u"", u"A=1"},
        {"A=1", u"B=2 C=3", u"A=1 B=2 C=3 "},
        {"", u"B=2 C=3", u"B=2 C=3 "},
        {"A=1", u"INSTALLDIR=\"C:\\My Apps\"", u"A=1 INSTALLDIR=\"C:\\My Apps\" "},
        {"A=1", u"/S -- /x B=2", u"A=1 /x B=2 "},
        {"A=1", u"/q", u"A=1"},
    };
    for (const Case& c : cases) {
        file(u"Setup.ini",
             replaced(standardSettings, "CmdLine=A=1", std::string("CmdLine=") + c.cmdLineSetting));
        arguments(c.arguments);
        SetupApp app;
        app.init(u"Setup.ini");
        EXPECT_EQ(app.cmdLine, c.expected) << utf8(c.arguments);
    }
}

TEST_F(Medium, OptionsSetTheModeLevelLanguageAndLog) {
    struct Case {
        const char16_t* arguments;
        std::int32_t mode;
        std::uint32_t uiLevel;
        std::uint32_t languageId;
        bool languageGiven;
        const char16_t* debugLog;
    };
    const Case cases[] = {
        {u"", 0, 5, 0x0419, false, u""},
        {u"/x", 2, 5, 0x0419, false, u""},
        {u"/a", 1, 5, 0x0419, false, u""},
        {u"/x /a", 1, 5, 0x0419, false, u""},
        {u"/s", 0, 2, 0x0419, false, u""},
        {u"/L UK", 0, 5, 0x0422, true, u""},
        {u"/l:", 0, 5, 0x0419, true, u""},
        {u"/debuglog:C:\\log.txt /instance x", 0, 5, 0x0419, false, u"C:\\log.txt"},
        // The parse stops at the unknown option; what came before it still counts.
        {u"/S /bogus /x", 0, 2, 0x0419, false, u""},
    };
    for (const Case& c : cases) {
        arguments(c.arguments);
        SetupApp app;
        app.init(u"Setup.ini");
        EXPECT_EQ(int(app.installMode), c.mode) << utf8(c.arguments);
        EXPECT_EQ(app.uiLevel, c.uiLevel) << utf8(c.arguments);
        EXPECT_EQ(app.languageId, c.languageId) << utf8(c.arguments);
        EXPECT_EQ(app.languageGiven, c.languageGiven) << utf8(c.arguments);
        EXPECT_EQ(app.debugLog, c.debugLog) << utf8(c.arguments);
    }
}

TEST_F(Medium, FirstKeyOfMsiVersionIsTheRequirement) {
    file(u"Setup.ini", replaced(standardSettings, "3.1=Windows", "3.1=Nothing\r\n2.0=Windows"));
    SetupApp app;
    EXPECT_TRUE(app.init(u"Setup.ini"));
    EXPECT_EQ(app.msiVersion, (VersionQuad{2, 0, -1, -1}));
}

TEST_F(Medium, RefusalsAndTheirBoxes) {
    static const char absent[] = "";
    struct Case {
        const char* what;
        const char* settings; // nullptr: the standard file; `absent`: no Setup.ini
        const char16_t* arguments;
        platform::OsVersion windows;
        int boxesShown;
        const char* boxText; // prefix of the one box
    };
    const std::string noMsiVersion = replaced(standardSettings, "[MsiVersion]", "[Other]");
    const platform::OsVersion xp{5, 1, 2600, 3, 0}, win7{6, 1, 7601, 1, 0};
    const Case cases[] = {
        {"no Setup.ini", absent, u"", win7, 0, ""},
        {"Windows too old", nullptr, u"", xp, 1, "Windows is too old (ru)"},
        {"Windows too old, silent", nullptr, u"/S", xp, 0, ""},
        {"no requirement at all", noMsiVersion.c_str(), u"", win7, 1, "Windows is too old (ru)"},
        {"Setup.ini of one blank line", "\r\n", u"", win7, 0, ""},
        {"zero-byte Setup.ini", "", u"", win7, 1, "Windows is too old (ru)"},
        {"usage", nullptr, u"/?", win7, 1, usageStart.c_str()},
        {"usage wins over the version check", nullptr, u"/? /S", xp, 1, "Usage:"},
        {"usage, silent given after it", nullptr, u"-? /S", xp, 1, "Usage:"},
    };
    for (const Case& c : cases) {
        sim::machine().messageBoxes.clear();
        sim::removeFile(media + u"Setup.ini");
        if (!c.settings)
            file(u"Setup.ini", standardSettings);
        else if (c.settings != absent)
            file(u"Setup.ini", c.settings);
        sim::machine().version = c.windows;
        arguments(c.arguments);
        bool started = true;
        std::u16string refusal;
        {
            SetupApp app;
            started = app.init(u"Setup.ini");
            refusal = app.refusal;
        }
        EXPECT_FALSE(started) << c.what;
        // Only a text without any section header is refused for its file.
        EXPECT_EQ(refusal.empty(), std::string(c.what) != "Setup.ini of one blank line") << c.what;
        ASSERT_EQ(int(boxes().size()), c.boxesShown) << c.what;
        if (c.boxesShown) {
            EXPECT_EQ(utf8(boxes()[0].text).rfind(c.boxText, 0), 0u) << c.what;
            EXPECT_EQ(boxes()[0].caption, u"") << c.what;
            EXPECT_FALSE(boxes()[0].captionIsNull) << c.what;
            EXPECT_EQ(boxes()[0].style, platform::mbIconInformation) << c.what;
        }
    }
}

TEST_F(Medium, UsageBoxShowsLocalizedLinesAboveTheUsageText) {
    arguments(u"/?");
    SetupApp plain;
    plain.init(u"Setup.ini");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, plain.usageText);

    file(u"0x0419.ini", "[0x0419]\n1203=one\n1205=three\n");
    SetupApp localized;
    localized.init(u"Setup.ini");
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[1].text, u"one\n\nthree\n\n\n" + localized.usageText);
}

TEST_F(Medium, WholeProgramExitCodesAndStandardOutput) {
    struct Case {
        const char* what;
        const char* settings;
        const char16_t* arguments;
        std::uint32_t exitCode;
        bool usageOnStdout;
        bool installs;
    };
    const Case cases[] = {
        {"installs", nullptr, u"", 0, false, true},
        {"usage", nullptr, u"/?", 1, true, false},
        {"no Setup.ini", "", u"", 1, true, false},
        {"unknown option only", nullptr, u"/q", 0, false, true},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.settings && !*c.settings)
            sim::removeFile(media + u"Setup.ini");
        arguments(c.arguments);
        EXPECT_EQ(runWhole(), c.exitCode) << c.what;
        const std::u16string& out = sim::machine().standardOutput;
        if (c.usageOnStdout)
            EXPECT_EQ(out, expectedUsage) << c.what;
        else
            EXPECT_EQ(out, u"") << c.what;
        EXPECT_EQ(sim::msi().installs.size(), c.installs ? 1u : 0u) << c.what;
    }
}

TEST_F(Medium, MalformedFilesAreRefusedWithFileAndLine) {
    struct Case {
        const char* what;
        const char16_t* fileName;
        const char* text; // nullptr: a folder of that name
        const char16_t* arguments;
        const char* expectedLine; // or its start
        bool box;
    };
    const Case cases[] = {
        {"header without bracket", u"Setup.ini", "[Startup]\r\nA=1\r\n[Package\r\nx=1\r\n", u"",
         "C:\\media\\Setup.ini, line 3: ", true},
        {"no header at all", u"Setup.ini", "A=1\r\nB=2\r\n", u"", "C:\\media\\Setup.ini, line ",
         true},
        {"silent run shows no box", u"Setup.ini", "A=1\r\n", u"/S", "C:\\media\\Setup.ini, line ",
         false},
        {"language file", u"0x0419.ini", "1150=oops\r\n", u"", "C:\\media\\0x0419.ini, line ",
         true},
        {"language file, silent", u"0x0419.ini", "1150=oops\r\n", u"/S",
         "C:\\media\\0x0419.ini, line ", false},
        {"Setup.ini that cannot be opened", u"Setup.ini", nullptr, u"",
         "C:\\media\\Setup.ini: Permission denied\n", true},
        {"Setup.ini in UTF-16 big-endian", u"Setup.ini", "\xFE\xFF[Startup]", u"/S",
         "C:\\media\\Setup.ini: the file begins with the UTF-16 big-endian mark FE FF, which "
         "the launcher cannot read\n",
         false},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.text) {
            file(c.fileName, c.text);
        } else { // a folder of that name
            sim::removeFile(media + c.fileName);
            sim::addDirectory(media + c.fileName);
        }
        arguments(c.arguments);
        EXPECT_EQ(runWhole(), 1u) << c.what;
        EXPECT_TRUE(sim::msi().installs.empty()) << c.what;
        std::string out = utf8(sim::machine().standardOutput);
        EXPECT_EQ(out.rfind(c.expectedLine, 0), 0u) << c.what << ": " << out;
        auto firstLineEnd = out.find('\n');
        ASSERT_NE(firstLineEnd, std::string::npos) << c.what;
        EXPECT_EQ(out.substr(firstLineEnd + 1), wtext::toUtf8(expectedUsage)) << c.what;
        ASSERT_EQ(boxes().size(), c.box ? 1u : 0u) << c.what;
        if (c.box) {
            EXPECT_EQ(boxes()[0].caption, u"Error");
            EXPECT_EQ(boxes()[0].style, platform::mbIconError);
            EXPECT_EQ(utf8(boxes()[0].text) + "\n", out.substr(0, firstLineEnd + 1));
        }
    }
}

// A Setup.ini that opens but whose read then fails (a locked region, a bad sector of a CD, a
// share that goes away) is refused like one that cannot be opened: the file and the system's
// reason, the usage text, an "Error" box unless /S, exit 1. Failing on its first bytes it is
// not an empty file (the 1150 box), failing further on not settings cut short.
TEST_F(Medium, SettingsWhoseReadFailsAfterTheOpenAreRefused) {
    struct Case {
        const char* what;
        std::uint64_t offset;
        std::uint32_t systemError;
        const char16_t* arguments;
        const char* reason;
        bool box;
    };
    const Case cases[] = {
        {"locked from the first byte", 0, platform::errorLockViolation, u"",
         "The process cannot access the file because another process has locked a portion of "
         "the file.",
         true},
        {"a bad sector of the CD in [Startup], silent", 60, platform::errorCrc, u"/S",
         "Data error (cyclic redundancy check).", false},
        {"the share gone after [Package]", 200, platform::errorNetworkNameDeleted, u"",
         "The specified network name is no longer available.", true},
        {"an error the system has no text for", 1, 4321, u"",
         "the file could not be read (system error 4321)", true},
    };
    for (const Case& c : cases) {
        SetUp();
        sim::failReadsFrom(media + u"Setup.ini", c.offset, c.systemError);
        arguments(c.arguments);
        EXPECT_EQ(runWhole(), 1u) << c.what;
        EXPECT_TRUE(sim::msi().installs.empty()) << c.what;
        const std::string line = "C:\\media\\Setup.ini: " + std::string(c.reason);
        EXPECT_EQ(utf8(sim::machine().standardOutput), line + "\n" + utf8(expectedUsage)) << c.what;
        ASSERT_EQ(boxes().size(), c.box ? 1u : 0u) << c.what;
        if (c.box) {
            EXPECT_EQ(boxes()[0].caption, u"Error");
            EXPECT_EQ(boxes()[0].style, platform::mbIconError);
            EXPECT_EQ(utf8(boxes()[0].text), line);
        }
    }
}

// A language file whose read fails counts as absent, as one that cannot be opened does.
TEST_F(Medium, LanguageFileWhoseReadFailsCountsAsAbsent) {
    sim::failReadsFrom(media + u"0x0419.ini", 0, platform::errorLockViolation);
    SetupApp app;
    EXPECT_TRUE(app.init(u"Setup.ini"));
    EXPECT_EQ(app.messages.getValue(u"1150"), u"");
    EXPECT_TRUE(app.refusal.empty());
}

// ---- The installation run ----------------------------------------------------------------

class Run : public Medium {
protected:
    void SetUp() override {
        Medium::SetUp();
        file(u"1049.mst", "transform");
    }
    std::uint32_t start(const std::u16string& args = u"") {
        arguments(args);
        app = std::make_unique<SetupApp>();
        EXPECT_TRUE(app->init(u"Setup.ini"));
        return app->run();
    }
    // Puts the package in a folder with a setup.ini naming the instance Inst2.
    void packageWithInstance() {
        file(u"Setup.ini",
             replaced(standardSettings, "Location=product.msi", "Location=data\\product.msi"));
        sim::addMsiPackage(media + u"data\\product.msi",
                           testsupport::samplePackage(productCode, u"2.5.1", u"1.2.3.4"));
        file(u"data\\setup.ini", "[Instances]\r\ncount=1\r\n1=Inst2\r\n[Inst2]\r\nProductCode=" +
                                     utf8(instanceCode) + "\r\n");
    }
    std::unique_ptr<SetupApp> app;
};

TEST_F(Run, PropertyStringExamples) {
    EXPECT_EQ(start(), 0u);
    EXPECT_EQ(installedCommandLine(), u"TRANSFORMS=1049.mst A=1");
    EXPECT_EQ(sim::msi().installs.back().packagePath, u"C:\\media\\product.msi");
    EXPECT_EQ(sim::msi().installs.back().uiLevel, 5);
    EXPECT_TRUE(boxes().empty());

    SetUp();
    start(u"/x");
    EXPECT_EQ(installedCommandLine(), u"REMOVE=ALL TRANSFORMS=1049.mst A=1");

    SetUp();
    start(u"/a");
    EXPECT_EQ(installedCommandLine(), u"ACTION=ADMIN SETUPEXEDIR=\"C:\\media\" "
                                      u"SETUPEXENAME=\"setup.exe\" TRANSFORMS=1049.mst A=1");

    SetUp();
    sim::removeFile(media + u"1049.mst");
    file(u"Setup.ini", replaced(standardSettings, "CmdLine=A=1", "CmdLine="));
    start();
    EXPECT_EQ(installedCommandLine(), u" ");

    SetUp();
    sim::removeFile(media + u"1049.mst");
    start(u"/a");
    EXPECT_EQ(installedCommandLine(),
              u"ACTION=ADMIN SETUPEXEDIR=\"C:\\media\" SETUPEXENAME=\"setup.exe\" A=1");
}

TEST_F(Run, AdministrativeInstallationFromADriveRoot) {
    sim::machine().modulePath = u"C:\\setup.exe";
    sim::addFile(u"C:\\Setup.ini", standardSettings);
    sim::addMsiPackage(u"C:\\product.msi", testsupport::samplePackage(productCode, u"2.5.1", u"1"));
    start(u"/a /S");
    EXPECT_EQ(installedCommandLine(),
              u"ACTION=ADMIN SETUPEXEDIR=\"C:\" SETUPEXENAME=\"setup.exe\" A=1");
    EXPECT_EQ(sim::msi().installs.back().uiLevel, 2);
}

TEST_F(Run, InstanceTransformOnlyForAnInstalledInstance) {
    struct Case {
        const char* what;
        bool productInstalled;
        const char16_t* instanceVersion; // nullptr: instance not installed
        bool adminUpdate;
        const char16_t* expected;
    };
    const Case cases[] = {
        {"instance installed", false, u"2.5.1", false, u"TRANSFORMS=:Inst2.mst;1049.mst A=1"},
        {"instance in another version", false, u"2.5.1.0", false, u"TRANSFORMS=1049.mst A=1"},
        {"product itself installed", true, u"2.5.1", false, u"TRANSFORMS=1049.mst A=1"},
        {"nothing installed", false, nullptr, false, u"TRANSFORMS=1049.mst A=1"},
        {"administrative update", false, u"2.5.1", true, u"TRANSFORMS=1049.mst A=1"},
    };
    for (const Case& c : cases) {
        SetUp();
        packageWithInstance();
        if (c.productInstalled)
            sim::msi().products[productCode] = {u"2.5.1", u"C:\\Program Files\\Demo"};
        if (c.instanceVersion)
            sim::msi().products[instanceCode] = {c.instanceVersion, u"C:\\Program Files\\Demo2"};
        if (c.adminUpdate)
            file(u"admupdt.cfg", "");
        start();
        EXPECT_EQ(installedCommandLine(), c.expected) << c.what;
        EXPECT_EQ(app->instanceProductCode, c.adminUpdate ? u"" : instanceCode) << c.what;
    }
}

// The package folder's setup.ini names an instance's product code with a ProductCode line
// before any section header while no instance is named, and the run then hands over the
// instance transform under that empty name. The installer refuses the storage ".mst" the package
// does not hold (1624), and the "Error" box says why; without it the product would be installed a
// second time, beside the instance the user has.
TEST_F(Run, InstanceWithoutANameHandsOverItsTransformAndTheInstallerRefusesIt) {
    struct Case {
        const char16_t* arguments;
        bool box;
    };
    for (const Case c : {Case{u"", true}, Case{u"/S", false}}) {
        SetUp();
        auto& m = sim::machine();
        m.userLangId = m.systemLangId = 0x0409;
        file(u"1033.mst", "transform");
        packageWithInstance();
        file(u"data\\setup.ini", "ProductCode=" + utf8(instanceCode) + "\r\n");
        sim::msi().products[instanceCode] = {u"2.5.1", u"C:\\Program Files\\Demo2"};
        // As Windows answers a stored transform the package lacks.
        sim::msi().onInstall = [](const sim::MsiInstallCall& call) -> std::uint32_t {
            return call.commandLine.find(u":.mst;") != std::u16string::npos ? 1624 : 0;
        };
        arguments(c.arguments);
        DecisionRecord record;
        SetupApp setup(&record);
        ASSERT_TRUE(setup.init(u"Setup.ini"));
        EXPECT_EQ(setup.run(), 1624u);
        EXPECT_EQ(installedCommandLine(), u"TRANSFORMS=:.mst;1033.mst A=1");
        EXPECT_EQ(setup.package.instanceName(), u"");
        EXPECT_EQ(setup.instanceProductCode, instanceCode);
        EXPECT_TRUE(record.transforms.instanceTransformUsed);
        EXPECT_EQ(record.transforms.instanceTransform, u"");
        EXPECT_EQ(record.transforms.setting, u"TRANSFORMS=:.mst;1033.mst");
        ASSERT_EQ(boxes().size(), c.box ? 1u : 0u);
        if (c.box) {
            EXPECT_EQ(boxes()[0].caption, u"Error");
            EXPECT_EQ(boxes()[0].text, u"Error applying transforms. Verify that the specified "
                                       u"transform paths are valid.\r\n");
        }
    }
}

TEST_F(Run, UkraineRule) {
    struct Case {
        const char* what;
        const char16_t* arguments;
        const char* cmdLineSetting;
        bool transform1058;
        const char16_t* expected;
        std::uint32_t languageId;
    };
    const Case cases[] = {
        {"switches to Ukrainian", u"", "A=1", true, u"TRANSFORMS=1058.mst A=1 COUNTRY=UA", 0x0422},
        {"no Ukrainian transform", u"", "A=1", false, u" A=1 COUNTRY=UA", 0x0422},
        {"empty CmdLine", u"", "", true, u"TRANSFORMS=1058.mst COUNTRY=UA", 0x0422},
        {"after positional arguments", u"B=2", "A=1", true,
         u"TRANSFORMS=1058.mst A=1 B=2  COUNTRY=UA", 0x0422},
        {"language given", u"/l ru", "A=1", true, u"TRANSFORMS=1049.mst A=1", 0x0419},
        {"any language given", u"/l uk", "A=1", true, u"TRANSFORMS=1058.mst A=1", 0x0422},
    };
    for (const Case& c : cases) {
        SetUp();
        auto& m = sim::machine();
        m.currency = u"\u20B4";
        m.geoId = 241;
        file(u"Setup.ini",
             replaced(standardSettings, "CmdLine=A=1", std::string("CmdLine=") + c.cmdLineSetting));
        if (c.transform1058)
            file(u"1058.mst", "transform");
        start(c.arguments);
        EXPECT_EQ(installedCommandLine(), c.expected) << c.what;
        EXPECT_EQ(app->languageId, c.languageId) << c.what;
    }
}

TEST_F(Run, ResultsBoxesAndExitCodes) {
    struct Case {
        std::uint32_t installResult;
        const char16_t* arguments;
        const char16_t* boxText; // nullptr: no box
    };
    const Case cases[] = {
        {0, u"", nullptr},
        {1602, u"", nullptr},
        {3010, u"", nullptr},
        {1641, u"", nullptr},
        {1603, u"", u"Fatal error during installation.\r\n"},
        {1603, u"/S", nullptr},
        {12345, u"", u"Unknown error 12345."},
        {1618, u"/x", u"Another installation is already in progress.\r\n"},
    };
    for (const Case& c : cases) {
        SetUp();
        sim::msi().installResult = c.installResult;
        arguments(c.arguments);
        EXPECT_EQ(runWhole(), c.installResult) << c.installResult;
        if (!c.boxText) {
            EXPECT_TRUE(boxes().empty()) << c.installResult;
            continue;
        }
        ASSERT_EQ(boxes().size(), 1u) << c.installResult;
        EXPECT_EQ(boxes()[0].text, c.boxText);
        EXPECT_EQ(boxes()[0].caption, u"Error");
        EXPECT_EQ(boxes()[0].style, platform::mbIconError | platform::mbSystemModal);
    }
}

TEST_F(Run, UnboundInstallerEndsWithErrorOne) {
    sim::hideMsiExport("MsiInstallProductW");
    EXPECT_EQ(runWhole(), 1u);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, u"Incorrect function.\r\n");

    SetUp();
    sim::machine().libraries.clear();
    EXPECT_EQ(runWhole(), 1u);
}

TEST_F(Run, LogAndUiLevelReachTheInstaller) {
    start(u"/S /debuglog \"C:\\logs\\setup log.txt\"");
    ASSERT_EQ(sim::msi().installs.size(), 1u);
    const auto& call = sim::msi().installs.back();
    EXPECT_EQ(call.uiLevel, 2);
    EXPECT_TRUE(call.logEnabled);
    EXPECT_EQ(call.logMode, 0x1000u);
    EXPECT_EQ(call.logFile, u"C:\\logs\\setup log.txt");
    EXPECT_EQ(call.logAttributes, 2u);
    EXPECT_EQ(call.handlesOpen, 0);
    EXPECT_EQ(sim::msiHandlesOpen(), 0);
}

TEST_F(Run, RuntimeIsUpdatedWithMsiDllReleasedBeforeThePackageIsOpened) {
    file(u"Setup.ini", replaced(standardSettings, "3.1=Windows", "5.1=Windows"));
    file(u"instmsi30.exe", "MZ");
    start();
    // Only the steps of the process-wide binding and the package: the installed-product query
    // loads and frees a binding of its own afterwards.
    const auto& events = sim::machine().events;
    ASSERT_GE(events.size(), 5u);
    std::vector<std::u16string> order(events.begin(), events.begin() + 5);
    EXPECT_EQ(order, (std::vector<std::u16string>{
                         u"load msi.dll", u"free msi.dll", u"run " + media + u"instmsi30.exe",
                         u"load msi.dll", u"open " + media + u"product.msi"}));
}

TEST_F(Run, OldRuntimeIsUpdatedFirst) {
    struct Case {
        const char* required;
        bool setupProgramPresent;
        bool started;
    };
    const Case cases[] = {{"3.1", true, false},
                          {"5.1", true, true},
                          {"5.1", false, false},
                          {"5.0.7601.17514", true, false},
                          {"5.0.7601.17515", true, true}};
    for (const Case& c : cases) {
        SetUp();
        file(u"Setup.ini",
             replaced(standardSettings, "3.1=Windows", std::string(c.required) + "=Windows"));
        if (c.setupProgramPresent)
            file(u"instmsi30.exe", "MZ");
        start();
        EXPECT_EQ(sim::machine().processesRun.size(), c.started ? 1u : 0u) << c.required;
        EXPECT_EQ(sim::msi().installs.size(), 1u) << c.required;
    }
}

} // namespace
