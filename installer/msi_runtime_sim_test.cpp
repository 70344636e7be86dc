#include "installer/msi_runtime.h"

#include "tests/support/sim_machine.h"

namespace {

const std::u16string setupProgram = u"C:\\media\\instmsi30.exe";

using MsiRuntimeSim = testsupport::SimTest;

void setRuntimeVersion(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    sim::machine().dllProductVersions[u"msi.dll"] = {(a << 16) | b, (c << 16) | d};
}

TEST_F(MsiRuntimeSim, VersionIsTheProductVersionInFourNumbers) {
    EXPECT_EQ(msiRuntimeVersion(), u"5.0.7601.17514");
    EXPECT_TRUE(msiLibrary().isLoaded());
    setRuntimeVersion(65535, 0, 65535, 1);
    EXPECT_EQ(msiRuntimeVersion(), u"65535.0.65535.1");
    sim::machine().dllProductVersions.erase(u"msi.dll");
    EXPECT_EQ(msiRuntimeVersion(), u"");
}

TEST_F(MsiRuntimeSim, VersionIsEmptyWhenTheLibraryCannotBeLoaded) {
    sim::machine().libraries.erase(u"msi.dll");
    EXPECT_EQ(msiRuntimeVersion(), u"");
    EXPECT_FALSE(msiLibrary().isLoaded());
}

TEST_F(MsiRuntimeSim, SetupProgramRunsOnlyForAnOlderRuntime) {
    struct Case {
        const char* what;
        bool libraryPresent;
        const char16_t* required;
        bool programPresent;
        bool started;
    };
    const Case cases[] = {
        {"newer build installed", true, u"3.1.4000.1823", true, false},
        {"older major installed", true, u"4.5", true, true},
        {"requirement with fewer components", true, u"3.1", true, false},
        {"requirement never set", true, u"", true, false},
        {"older, but no setup program", true, u"4.5", false, false},
        {"no library: older than any requirement", false, u"0", true, true},
        {"no library and no requirement", false, u"", true, false},
    };
    for (const auto& c : cases) {
        renew();
        setRuntimeVersion(3, 1, 4000, 2435);
        if (!c.libraryPresent)
            sim::machine().libraries.erase(u"msi.dll");
        if (c.programPresent)
            sim::addFile(setupProgram, "MZ");
        EXPECT_EQ(updateRuntimeIfOlder(parseVersion(c.required), setupProgram).setupStarted,
                  c.started)
            << c.what;
        EXPECT_EQ(sim::machine().processesRun.size(), c.started ? 1u : 0u) << c.what;
        EXPECT_EQ(msiLibrary().isLoaded(), c.libraryPresent) << c.what;
    }
}

TEST_F(MsiRuntimeSim, BindingIsDroppedWhileTheSetupProgramRunsAndMadeAgainAfter) {
    sim::addFile(setupProgram, "MZ");
    EXPECT_EQ(msiRuntimeVersion(), u"5.0.7601.17514");
    sim::machine().onProcessRun = [](const std::u16string&) {
        sim::resetMsi(); // the runtime's setup installs msi.dll anew
    };
    EXPECT_TRUE(runRuntimeSetup(setupProgram));
    EXPECT_EQ(sim::machine().events,
              (std::vector<std::u16string>{u"load msi.dll", u"free msi.dll", u"run " + setupProgram,
                                           u"load msi.dll"}));
    EXPECT_TRUE(msiLibrary().isLoaded());
    EXPECT_EQ(msiLibrary().boundCount(), MsiLibrary::entryPointCount);
    EXPECT_EQ(sim::machine().librariesOpen, 1);
}

TEST_F(MsiRuntimeSim, MissingOrUnstartableProgram) {
    ASSERT_TRUE(msiLibrary().load());
    EXPECT_FALSE(runRuntimeSetup(setupProgram));
    EXPECT_TRUE(msiLibrary().isLoaded());
    EXPECT_EQ(sim::machine().librariesLoaded.size(), 1u) << "binding left alone";

    sim::addFile(setupProgram, "MZ");
    sim::machine().processCreationSucceeds = false;
    EXPECT_FALSE(runRuntimeSetup(setupProgram));
    EXPECT_TRUE(msiLibrary().isLoaded());
    EXPECT_EQ(sim::machine().librariesLoaded.size(), 2u) << "bound again after the attempt";
    EXPECT_EQ(sim::machine().librariesOpen, 1);
}

} // namespace
