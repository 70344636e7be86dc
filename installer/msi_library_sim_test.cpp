#include "installer/msi_library.h"

#include "tests/support/sim_machine.h"

namespace {

using MsiLibrarySim = testsupport::SimTest;

TEST_F(MsiLibrarySim, LoadsOnlyTheSystemFoldersCopy) {
    for (bool hasSetDefaultDllDirectories : {true, false}) {
        renew();
        sim::machine().hasSetDefaultDllDirectories = hasSetDefaultDllDirectories;
        // A planted copy beside the launcher and in the current folder.
        sim::addFile(u"C:\\media\\msi.dll", "MZ");
        MsiLibrary library;
        ASSERT_TRUE(library.load());
        ASSERT_EQ(sim::machine().librariesLoaded.size(), 1u);
        EXPECT_EQ(sim::machine().librariesLoaded[0], sim::systemFolder() + u"\\msi.dll");
        EXPECT_EQ(library.boundCount(), MsiLibrary::entryPointCount);
    }
}

TEST_F(MsiLibrarySim, NoLibraryMeansEveryOperationAnswersOne) {
    sim::machine().libraries.erase(u"msi.dll");
    MsiLibrary library;
    EXPECT_FALSE(library.load());
    EXPECT_FALSE(library.isLoaded());
    EXPECT_EQ(library.boundCount(), 0);
    msi::MSIHANDLE h = 0;
    std::u16string text = u"before";
    std::uint32_t type = 0;
    std::int32_t i = 0;
    msi::FILETIME ft{};
    EXPECT_EQ(library.databaseOpenView(1, u"SELECT", h), 1u);
    EXPECT_EQ(library.viewExecute(1), 1u);
    EXPECT_EQ(library.viewFetch(1, h), 1u);
    EXPECT_EQ(library.recordGetString(1, text), 1u);
    EXPECT_EQ(library.getProductInfo(u"{P}", u"VersionString", text), 1u);
    EXPECT_EQ(library.summaryInfoGetProperty(1, 9, type, i, ft, text), 1u);
    EXPECT_EQ(library.closeHandle(1), 1u);
    EXPECT_EQ(text, u"before");
    EXPECT_TRUE(sim::msi().calls.empty());
}

TEST_F(MsiLibrarySim, AMissingExportAffectsOnlyItsOwnOperation) {
    struct Case {
        const char* exportName;
        int operation; // index into the calls below
    };
    const Case cases[] = {{"MsiDatabaseOpenViewW", 0}, {"MsiViewExecute", 1},
                          {"MsiViewFetch", 2},         {"MsiRecordGetStringW", 3},
                          {"MsiGetProductInfoW", 4},   {"MsiSummaryInfoGetPropertyW", 5},
                          {"MsiCloseHandle", 6}};
    for (const auto& c : cases) {
        renew();
        sim::msi().products[u"{p}"] = {u"1.0", u"C:\\p\\"};
        sim::hideMsiExport(c.exportName);
        MsiLibrary library;
        ASSERT_TRUE(library.load()) << c.exportName;
        EXPECT_EQ(library.boundCount(), MsiLibrary::entryPointCount - 1);
        msi::MSIHANDLE h = 0;
        std::u16string text;
        std::uint32_t type = 0;
        std::int32_t i = 0;
        msi::FILETIME ft{};
        // On no valid handle the bound calls answer ERROR_INVALID_HANDLE (6), the product
        // query succeeds; only the hidden one answers 1.
        std::uint32_t results[] = {library.databaseOpenView(77, u"SELECT Value FROM Property", h),
                                   library.viewExecute(77),
                                   library.viewFetch(77, h),
                                   library.recordGetString(77, text),
                                   library.getProductInfo(u"{P}", u"VersionString", text),
                                   library.summaryInfoGetProperty(77, 9, type, i, ft, text),
                                   library.closeHandle(77)};
        for (int k = 0; k < 7; ++k) {
            std::uint32_t expected = k == c.operation ? 1u : (k == 4 ? 0u : 6u);
            EXPECT_EQ(results[k], expected) << c.exportName << " call " << k;
        }
    }
}

TEST_F(MsiLibrarySim, UnloadReleasesOnceAndLoadBindsAgain) {
    ASSERT_TRUE(msiLibrary.load());
    EXPECT_EQ(sim::machine().librariesOpen, 1);
    msiLibrary.unload();
    msiLibrary.unload();
    EXPECT_EQ(sim::machine().librariesOpen, 0);
    EXPECT_EQ(msiLibrary.boundCount(), 0);
    std::u16string text;
    EXPECT_EQ(msiLibrary.getProductInfo(u"{P}", u"VersionString", text), 1u);
    ASSERT_TRUE(msiLibrary.load());
    EXPECT_EQ(msiLibrary.boundCount(), MsiLibrary::entryPointCount);
    {
        MsiLibrary scoped;
        ASSERT_TRUE(scoped.load());
        EXPECT_EQ(sim::machine().librariesOpen, 2);
    }
    EXPECT_EQ(sim::machine().librariesOpen, 1) << "a binding going out of scope frees its library";
}

TEST_F(MsiLibrarySim, TextsUpTo2047CharactersFitAndLongerOnesAreNotRetried) {
    struct Case {
        std::size_t length;
        std::uint32_t result;
        std::size_t kept;
    };
    const Case cases[] = {{0, 0, 0}, {2047, 0, 2047}, {2048, 234, 2047}, {9000, 234, 2047}};
    ASSERT_TRUE(msiLibrary.load());
    for (const auto& c : cases) {
        std::u16string value(c.length, u'v');
        sim::msi().products[u"{p}"] = {value, u""};
        int before = sim::msi().calls["MsiGetProductInfoW"];
        std::u16string text = u"old";
        EXPECT_EQ(msiLibrary.getProductInfo(u"{P}", u"VersionString", text), c.result) << c.length;
        EXPECT_EQ(text, value.substr(0, c.kept)) << c.length;
        EXPECT_EQ(sim::msi().calls["MsiGetProductInfoW"], before + 1) << c.length;
    }
    // A failed call that writes nothing leaves the empty text, not the old one.
    std::u16string text = u"old";
    EXPECT_EQ(msiLibrary.getProductInfo(u"{unknown}", u"VersionString", text), 1605u);
    EXPECT_EQ(text, u"");
}

} // namespace
