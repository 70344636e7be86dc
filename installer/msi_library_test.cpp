// The installer binding against whatever msi.dll the platform has: the simulated one natively,
// Wine's (or Windows') own under the Windows build.
#include "installer/msi_library.h"
#include "installer/msi_package.h"
#include "installer/msi_runtime.h"
#include "tests/support/msi_operations.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

namespace {

class MsiBinding : public ::testing::Test {
protected:
    void SetUp() override { msiLibrary().unload(); }
    void TearDown() override { msiLibrary().unload(); }
};

// Every call of the binding; each answers 1 when its entry point is unbound.
std::vector<testsupport::MsiOperation> callEveryOperation(const MsiLibrary& library) {
    return testsupport::callEveryOperation(library, 0xFFFFFF,
                                           u"{00000000-0000-0000-0000-000000000000}", false);
}

TEST_F(MsiBinding, LoadBindsEveryEntryPointAndUnloadDropsThem) {
    MsiLibrary library;
    library.clear();
    ASSERT_TRUE(library.load());
    EXPECT_TRUE(library.isLoaded());
    EXPECT_EQ(library.boundCount(), MsiLibrary::entryPointCount);
    for (const auto& call : callEveryOperation(library))
        EXPECT_NE(call.result, 0u) << call.exportName << ": a call on no object succeeded";

    library.unload();
    EXPECT_FALSE(library.isLoaded());
    EXPECT_EQ(library.boundCount(), 0);
    for (const auto& call : callEveryOperation(library))
        EXPECT_EQ(call.result, 1u) << call.exportName;
    library.unload();

    ASSERT_TRUE(library.load());
    EXPECT_EQ(library.boundCount(), MsiLibrary::entryPointCount);
}

TEST_F(MsiBinding, RuntimeVersionIsFourDecimalNumbers) {
    std::u16string version = msiRuntimeVersion();
    EXPECT_TRUE(msiLibrary().isLoaded());
    VersionQuad quad = parseVersion(version);
    EXPECT_GE(quad.major, 1);
    EXPECT_GE(quad.revision, 0);
    int dots = 0;
    for (char16_t c : version) {
        dots += c == u'.';
        EXPECT_TRUE(c == u'.' || (c >= u'0' && c <= u'9'));
    }
    EXPECT_EQ(dots, 3);
}

TEST_F(MsiBinding, UnknownProductIsNotInstalled) {
    VersionQuad version = parseVersion(u"1.0.0.0");
    EXPECT_EQ(installedProductState(u"{5C1D6A7E-0000-4B1F-9D8E-0123456789AB}", version, u""),
              InstalledState::None);
    EXPECT_EQ(installedProductState(u"{5C1D6A7E-0000-4B1F-9D8E-0123456789AB}", version,
                                    u"{5C1D6A7E-0000-4B1F-9D8E-0123456789AC}"),
              InstalledState::None);
}

TEST_F(MsiBinding, InspectTellsAMissingPackageFromOneThatIsNoPackage) {
    std::u16string folder = testfiles::freshFolder();
    MsiPackage missing;
    EXPECT_EQ(missing.inspect(folder + u"absent.msi"), 2u);
    EXPECT_EQ(missing.databaseHandle(), 0u);

    MsiPackage text;
    std::u16string path = testfiles::write(folder, u"text.msi", "not a package\r\n");
    std::uint32_t r = text.inspect(path);
    EXPECT_NE(r, 0u);
    EXPECT_NE(r, 1u);
    EXPECT_NE(r, 2u);
    EXPECT_EQ(text.databaseHandle(), 0u);
    EXPECT_EQ(text.packagePath(), path);
    EXPECT_EQ(text.packageProductCode(), u"");
}

} // namespace
