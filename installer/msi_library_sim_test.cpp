#include "installer/msi_library.h"

#include "tests/support/msi_operations.h"
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
    const auto calls = testsupport::callEveryOperation(library, 1, u"{P}", true);
    for (const auto& call : calls)
        EXPECT_EQ(call.result, 1u) << call.exportName;
    std::u16string text = u"before";
    EXPECT_EQ(library.getProductInfo(u"{P}", u"VersionString", text), 1u);
    EXPECT_EQ(text, u"before");
    EXPECT_TRUE(sim::msi().calls.empty());
}

TEST_F(MsiLibrarySim, AMissingExportAffectsOnlyItsOwnOperation) {
    // What each call answers with every export bound: on no valid handle, mostly
    // ERROR_INVALID_HANDLE; the product query and the calls about an installation succeed.
    auto script = [] { sim::msi().products[u"{p}"] = {u"1.0", u"C:\\p\\"}; };
    script();
    MsiLibrary full;
    ASSERT_TRUE(full.load());
    const auto bound = testsupport::callEveryOperation(full, 77, u"{P}", true);
    for (const auto& call : bound)
        EXPECT_NE(call.result, 1u) << call.exportName;

    for (std::size_t hidden = 0; hidden < bound.size(); ++hidden) {
        renew();
        script();
        sim::hideMsiExport(bound[hidden].exportName);
        MsiLibrary library;
        ASSERT_TRUE(library.load()) << bound[hidden].exportName;
        EXPECT_EQ(library.boundCount(), MsiLibrary::entryPointCount - 1);
        const auto calls = testsupport::callEveryOperation(library, 77, u"{P}", true);
        for (std::size_t k = 0; k < calls.size(); ++k)
            EXPECT_EQ(calls[k].result, k == hidden ? 1u : bound[k].result)
                << bound[hidden].exportName << " hidden, " << calls[k].exportName << " called";
    }
}

TEST_F(MsiLibrarySim, UnloadReleasesOnceAndLoadBindsAgain) {
    ASSERT_TRUE(msiLibrary().load());
    EXPECT_EQ(sim::machine().librariesOpen, 1);
    msiLibrary().unload();
    msiLibrary().unload();
    EXPECT_EQ(sim::machine().librariesOpen, 0);
    EXPECT_EQ(msiLibrary().boundCount(), 0);
    std::u16string text;
    EXPECT_EQ(msiLibrary().getProductInfo(u"{P}", u"VersionString", text), 1u);
    ASSERT_TRUE(msiLibrary().load());
    EXPECT_EQ(msiLibrary().boundCount(), MsiLibrary::entryPointCount);
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
    ASSERT_TRUE(msiLibrary().load());
    for (const auto& c : cases) {
        std::u16string value(c.length, u'v');
        sim::msi().products[u"{p}"] = {value, u""};
        int before = sim::msi().calls["MsiGetProductInfoW"];
        std::u16string text = u"old";
        EXPECT_EQ(msiLibrary().getProductInfo(u"{P}", u"VersionString", text), c.result)
            << c.length;
        EXPECT_EQ(text, value.substr(0, c.kept)) << c.length;
        EXPECT_EQ(sim::msi().calls["MsiGetProductInfoW"], before + 1) << c.length;
    }
    // A failed call that writes nothing leaves the empty text, not the old one.
    std::u16string text = u"old";
    EXPECT_EQ(msiLibrary().getProductInfo(u"{unknown}", u"VersionString", text), 1605u);
    EXPECT_EQ(text, u"");
}

} // namespace
