#include "installer/msi_package.h"

#include "tests/support/sim_machine.h"

#include <functional>

namespace {

const std::u16string packagePath = u"C:\\media\\disk1\\product.msi";
const std::u16string code = u"{11111111-2222-3333-4444-555555555555}";
const std::u16string instanceCode = u"{AAAAAAAA-2222-3333-4444-555555555555}";
const std::string description =
    "[Instances]\r\ncount=1\r\n1=Second\r\n[Second]\r\nProductCode={AAAAAAAA}\r\n";

class MsiPackageSim : public testsupport::SimTest {
protected:
    void SetUp() override { renewWithPackage(); }
    void renewWithPackage() {
        renew();
        sim::addMsiPackage(packagePath,
                           testsupport::samplePackage(code, u"2.5.1.300", u"7.0.0.12"));
    }
};

TEST_F(MsiPackageSim, InspectReadsTheIdentityAndKeepsOnlyTheDatabaseOpen) {
    sim::addFile(u"C:\\media\\disk1\\setup.ini", description);
    MsiPackage package;
    EXPECT_EQ(package.inspect(packagePath), 0u);
    EXPECT_EQ(package.packagePath(), packagePath);
    EXPECT_EQ(package.packageProductCode(), code);
    EXPECT_EQ(package.packageProductVersion(), u"2.5.1.300");
    EXPECT_EQ(package.packageCodeValue(), u"{6F330B47-2577-43AD-9095-1861BA25889B}");
    EXPECT_EQ(package.packageKeyFileVersion(), u"7.0.0.12");
    EXPECT_EQ(package.instanceName(), u"Second");
    EXPECT_EQ(package.instanceProductCode(), u"{AAAAAAAA}");
    EXPECT_NE(package.databaseHandle(), 0u);
    EXPECT_EQ(sim::msiHandlesOpen(), 1);
    EXPECT_EQ(sim::msiHandlesOpen(sim::MsiHandleKind::Database), 1);
    EXPECT_EQ(sim::msi().badCloses, 0);
    EXPECT_EQ(sim::msi().queries,
              (std::vector<std::u16string>{
                  u"SELECT Value FROM Property WHERE Property = 'ProductCode'",
                  u"SELECT Value FROM Property WHERE Property = 'ProductVersion'",
                  u"SELECT Version FROM File WHERE File = 'vorta.dll'"}));
}

TEST_F(MsiPackageSim, OpensThePackageReadOnlySoThatItsMediaMayBe) {
    sim::MsiPackageData onCd = testsupport::samplePackage(code, u"2.5.1.300", u"7.0.0.12");
    onCd.onReadOnlyMedia = true;
    sim::addMsiPackage(packagePath, onCd);
    sim::addFile(u"C:\\media\\disk1\\setup.ini", description);
    MsiPackage package;
    EXPECT_EQ(package.inspect(packagePath), 0u);
    EXPECT_EQ(sim::msi().openModes, std::vector<sim::OpenMode>{sim::OpenMode::ReadOnly});
    EXPECT_EQ(package.instanceProductCode(), u"{AAAAAAAA}");
}

TEST_F(MsiPackageSim, PackageCodeIsKeptOnlyWhenItIsText) {
    sim::MsiPackageData data = testsupport::samplePackage(code, u"1.0", u"1.0");
    data.summary[9] = sim::SummaryValue{3, 42, u""};
    sim::addMsiPackage(packagePath, data);
    MsiPackage package;
    EXPECT_EQ(package.inspect(packagePath), 0u);
    EXPECT_EQ(package.packageCodeValue(), u"");
    EXPECT_EQ(package.packageProductCode(), code);
}

// Every early end: its result, how far the fields got, and no handle but the database left.
TEST_F(MsiPackageSim, EveryEarlyEndClosesWhatItOpened) {
    struct Case {
        const char* what;
        std::function<void()> script;
        std::uint32_t result;
        bool pathSet;
        bool databaseOpen;
        const char16_t* productCode;
        const char16_t* productVersion;
    };
    auto fail = [](const char* name, std::uint32_t r) {
        return [=] { sim::msi().failures[name] = r; };
    };
    auto hide = [](const char* name) { return [=] { sim::hideMsiExport(name); }; };
    auto withoutRow = [](std::function<void(sim::MsiPackageData&)> change) {
        return [=] {
            sim::MsiPackageData data = testsupport::samplePackage(code, u"2.5.1.300", u"7.0.0.12");
            change(data);
            sim::addMsiPackage(packagePath, data);
        };
    };
    const Case cases[] = {
        {"msi.dll not loadable", [] { sim::machine().libraries.erase(u"msi.dll"); }, 0, false,
         false, u"", u""},
        {"COM not initialisable", [] { sim::machine().coInitializeResult = -2147467259; }, 0, true,
         false, u"", u""},
        {"COM already initialised", [] { sim::machine().coInitializeResult = 1; }, 0, true, true,
         code.c_str(), u"2.5.1.300"},
        {"package missing", [] { sim::removeFile(packagePath); }, 2, true, false, u"", u""},
        {"open unbound", hide("MsiOpenDatabaseW"), 1, true, false, u"", u""},
        {"open fails", fail("MsiOpenDatabaseW", 110), 110, true, false, u"", u""},
        {"summary unbound", hide("MsiGetSummaryInformationW"), 1, true, true, u"", u""},
        {"summary fails", fail("MsiGetSummaryInformationW", 1627), 1627, true, true, u"", u""},
        {"summary property unbound", hide("MsiSummaryInfoGetPropertyW"), 1, true, true, u"", u""},
        {"summary property fails", fail("MsiSummaryInfoGetPropertyW", 1627), 1627, true, true, u"",
         u""},
        {"view unbound", hide("MsiDatabaseOpenViewW"), 1, true, true, u"", u""},
        {"view fails", fail("MsiDatabaseOpenViewW", 1615), 1615, true, true, u"", u""},
        {"execute fails", fail("MsiViewExecute", 1627), 1627, true, true, u"", u""},
        {"fetch unbound", hide("MsiViewFetch"), 1, true, true, u"", u""},
        {"record unbound", hide("MsiRecordGetStringW"), 1, true, true, u"", u""},
        {"record fails", fail("MsiRecordGetStringW", 234), 234, true, true, u"", u""},
        {"no ProductVersion",
         withoutRow([](sim::MsiPackageData& d) { d.properties.erase(u"ProductVersion"); }), 259,
         true, true, code.c_str(), u""},
        {"no vorta.dll row",
         withoutRow([](sim::MsiPackageData& d) { d.fileVersions.erase(u"vorta.dll"); }), 259, true,
         true, code.c_str(), u"2.5.1.300"},
    };
    for (const auto& c : cases) {
        renewWithPackage();
        sim::addFile(u"C:\\media\\disk1\\setup.ini", description);
        c.script();
        {
            MsiPackage package;
            EXPECT_EQ(package.inspect(packagePath), c.result) << c.what;
            EXPECT_EQ(package.packagePath(), c.pathSet ? packagePath : u"") << c.what;
            EXPECT_EQ(package.databaseHandle() != 0, c.databaseOpen) << c.what;
            EXPECT_EQ(package.packageProductCode(), c.productCode) << c.what;
            EXPECT_EQ(package.packageProductVersion(), c.productVersion) << c.what;
            bool complete = c.result == 0 && c.databaseOpen;
            EXPECT_EQ(package.instanceName(), complete ? u"Second" : u"") << c.what;
            EXPECT_EQ(sim::msiHandlesOpen(), c.databaseOpen ? 1 : 0) << c.what;
        }
        EXPECT_EQ(sim::msiHandlesOpen(), 0) << c.what << ": the package closes its database";
        EXPECT_EQ(sim::msi().badCloses, 0) << c.what;
    }
}

TEST_F(MsiPackageSim, SecondInspectClosesTheFirstDatabase) {
    MsiPackage package;
    ASSERT_EQ(package.inspect(packagePath), 0u);
    std::uint32_t first = package.databaseHandle();
    ASSERT_EQ(package.inspect(packagePath), 0u);
    EXPECT_NE(package.databaseHandle(), first);
    EXPECT_EQ(sim::msiHandlesOpen(sim::MsiHandleKind::Database), 1);
}

TEST_F(MsiPackageSim, PackageBesideTheLauncherRereadsItsSetupIni) {
    // The launcher's own Setup.ini, made on Windows (CR LF), also names the instance.
    const std::u16string beside = u"C:\\media\\product.msi";
    sim::addMsiPackage(beside, testsupport::samplePackage(code, u"1.0", u"1.0"));
    sim::addFile(u"C:\\media\\Setup.ini", "[Startup]\r\nProductCode=" + std::string("{P}") +
                                              "\r\n[Instances]\r\n1=Inst2\r\n[Inst2]\r\n"
                                              "ProductCode={I2}\r\n");
    MsiPackage package;
    ASSERT_EQ(package.inspect(beside), 0u);
    EXPECT_EQ(package.instanceName(), u"Inst2");
    EXPECT_EQ(package.instanceProductCode(), u"{I2}");
}

TEST_F(MsiPackageSim, DescriptionOfALongFolderIsReadFromThatFolder) {
    // Folders longer than 256 characters: the description must come from the package's own
    // folder, not from a folder whose name is the first 255 characters of it.
    const std::u16string prefix = u"C:\\" + std::u16string(252, u'f');
    const std::u16string folder = prefix + std::u16string(100, u'g') + u"\\";
    sim::addMsiPackage(folder + u"product.msi", testsupport::samplePackage(code, u"1.0", u"1.0"));
    sim::addFile(folder + u"setup.ini", "[Instances]\n1=Real\n[Real]\nProductCode={REAL}\n");
    sim::addFile(prefix + u"\\setup.ini", "[Instances]\n1=Cut\n[Cut]\nProductCode={CUT}\n");
    MsiPackage package;
    ASSERT_EQ(package.inspect(folder + u"product.msi"), 0u);
    EXPECT_EQ(package.instanceName(), u"Real");
    EXPECT_EQ(package.instanceProductCode(), u"{REAL}");
}

TEST_F(MsiPackageSim, InstallComposesTheModePrefixAndClosesTheDatabaseFirst) {
    struct Case {
        std::int32_t mode;
        const char16_t* commandLine;
    };
    const Case cases[] = {{0, u"TRANSFORMS=1049.mst A=1"},
                          {1, u"ACTION=ADMIN TRANSFORMS=1049.mst A=1"},
                          {2, u"REMOVE=ALL TRANSFORMS=1049.mst A=1"},
                          {3, u"TRANSFORMS=1049.mst A=1"},
                          {-1, u"TRANSFORMS=1049.mst A=1"}};
    for (const auto& c : cases) {
        sim::msi().installs.clear();
        MsiPackage package;
        ASSERT_EQ(package.inspect(packagePath), 0u);
        sim::msi().installResult = 1603;
        EXPECT_EQ(package.install(static_cast<InstallMode>(c.mode), u"TRANSFORMS=1049.mst A=1"),
                  1603u)
            << c.mode;
        EXPECT_EQ(package.databaseHandle(), 0u);
        ASSERT_EQ(sim::msi().installs.size(), 1u);
        EXPECT_EQ(sim::msi().installs[0].packagePath, packagePath);
        EXPECT_EQ(sim::msi().installs[0].commandLine, c.commandLine) << c.mode;
        EXPECT_EQ(sim::msi().installs[0].handlesOpen, 0) << "database still open while installing";
    }
    EXPECT_EQ(sim::msi().badCloses, 0);
}

TEST_F(MsiPackageSim, InstallWithoutTheEntryPointAnswersOne) {
    sim::hideMsiExport("MsiInstallProductW");
    MsiPackage package;
    ASSERT_EQ(package.inspect(packagePath), 0u);
    EXPECT_EQ(package.install(InstallMode::Install, u" "), 1u);
    EXPECT_EQ(package.databaseHandle(), 0u);
    EXPECT_EQ(sim::msiHandlesOpen(), 0);
    EXPECT_TRUE(sim::msi().installs.empty());
}

TEST_F(MsiPackageSim, InstalledProductStateAnswers) {
    const VersionQuad wanted = parseVersion(u"2.5.1.300");
    struct Case {
        const char* what;
        const char16_t* productVersion;  // installed, empty when not installed
        const char16_t* instanceVersion; // installed instance, empty when not installed
        const char16_t* instanceCode;
        InstalledState state;
    };
    const Case cases[] = {
        {"product in the same version", u"2.5.1.300", u"", u"", InstalledState::Product},
        {"product wins over a matching instance", u"2.5.1.300", u"2.5.1.300", u"{I}",
         InstalledState::Product},
        {"product in another version, no instance", u"2.5.1.301", u"", u"", InstalledState::None},
        {"product in another version, instance matches", u"2.5.1.301", u"2.5.1.300", u"{I}",
         InstalledState::Instance},
        {"only the instance installed", u"", u"2.5.1.300", u"{I}", InstalledState::Instance},
        {"instance in another version", u"", u"2.5.1.299", u"{I}", InstalledState::None},
        {"instance installed but not named", u"", u"2.5.1.300", u"", InstalledState::None},
        {"fewer components are not equal", u"2.5.1", u"", u"", InstalledState::None},
        {"nothing installed", u"", u"", u"{I}", InstalledState::None},
        // Installed in this version means the installer also tells where: without that
        // answer neither the product nor the instance counts.
        {"product's location unknown", u"2.5.1.300?", u"", u"", InstalledState::None},
        {"instance's location unknown", u"", u"2.5.1.300?", u"{I}", InstalledState::None},
    };
    for (const auto& c : cases) {
        renew();
        // A version ending in "?": installed, but the installer cannot tell where.
        auto product = [](std::u16string version) {
            sim::InstalledProduct p{version, u"C:\\Program Files\\P\\"};
            if (!version.empty() && version.back() == u'?') {
                p.version.pop_back();
                p.location.reset();
            }
            return p;
        };
        if (*c.productVersion)
            sim::msi().products[code] = product(c.productVersion);
        if (*c.instanceVersion)
            sim::msi().products[u"{I}"] = product(c.instanceVersion);
        EXPECT_EQ(installedProductState(code, wanted, c.instanceCode), c.state) << c.what;
        EXPECT_EQ(sim::machine().librariesOpen, 0) << c.what << ": own binding released";
    }
    // Version "2.5.1" wanted: an installed 2.5.1 matches.
    renew();
    sim::msi().products[code] = {u"2.5.1", u""};
    EXPECT_EQ(installedProductState(code, parseVersion(u"2.5.1"), u""), InstalledState::Product);
}

TEST_F(MsiPackageSim, InstalledProductStateWithoutTheInstallerIsMinusOne) {
    sim::msi().products[code] = {u"2.5.1.300", u""};
    const VersionQuad wanted = parseVersion(u"2.5.1.300");
    sim::msi().failures["MsiGetProductInfoW"] = 1605;
    EXPECT_EQ(installedProductState(code, wanted, u""), InstalledState::None);
    sim::msi().failures.clear();
    sim::hideMsiExport("MsiGetProductInfoW");
    EXPECT_EQ(installedProductState(code, wanted, u""), InstalledState::None);
    sim::machine().libraries.erase(u"msi.dll");
    EXPECT_EQ(installedProductState(code, wanted, u""), InstalledState::None);
    // The process-wide binding is neither used nor disturbed.
    renew();
    sim::msi().products[code] = {u"2.5.1.300", u""};
    ASSERT_TRUE(msiLibrary().load());
    EXPECT_EQ(installedProductState(code, wanted, u""), InstalledState::Product);
    EXPECT_TRUE(msiLibrary().isLoaded());
    EXPECT_EQ(sim::machine().librariesOpen, 1);
}

} // namespace
