#include "platform/wtext.h"
#include "tests/support/sim_machine.h"

#include <filesystem>
#include <fstream>
#include <stdlib.h>

namespace {

using SimulatedFiles = testsupport::SimTest;

TEST_F(SimulatedFiles, MountedFoldersMatchLikeFindFirstFile) {
    namespace fs = std::filesystem;
    // A folder of this run's own: two runs at once must not share it.
    std::string pattern = (fs::temp_directory_path() / "setup-sim-mount-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path host = pattern;
    fs::create_directories(host / "Data");
    std::ofstream(host / "Setup.ini") << "[Startup]\n";
    std::ofstream(host / "Data" / "product.msi") << "msi";

    struct Case {
        const char16_t* mountAt;
        const char16_t* path;
        bool exists;
    };
    const Case cases[] = {
        {u"C:\\media", u"C:\\media\\Setup.ini", true},
        {u"C:\\media", u"c:\\MEDIA\\SETUP.INI", true},
        {u"C:\\media", u"C:\\media\\data\\PRODUCT.msi", true},
        {u"C:\\media", u"C:\\media\\data", true},
        {u"C:\\media", u"C:\\media\\*.ini", true},
        {u"C:\\media", u"C:\\mediax\\Setup.ini", false},
        {u"C:\\media", u"C:\\media\\missing.ini", false},
        {u"C:\\", u"C:\\Setup.ini", true},
        {u"C:\\", u"C:\\Data\\product.msi", true},
        {u"C:\\", u"D:\\Setup.ini", false},
        // Stars and question marks as FindFirstFileW takes them.
        {u"C:\\media", u"C:\\media\\s?tup.*", true},
        {u"C:\\media", u"C:\\media\\*t*p*.i*i", true},
        {u"C:\\media", u"C:\\media\\*x*", false},
        {u"C:\\media", u"C:\\media\\data\\*.MSI", true},
        // "." and ".." as Windows resolves a full path: by name, never above the root.
        {u"C:\\media", u"C:\\media\\.\\Setup.ini", true},
        {u"C:\\media", u"C:\\media\\Data\\..\\Setup.ini", true},
        {u"C:\\media", u"C:\\elsewhere\\..\\media\\data\\product.msi", true},
        {u"C:\\media", u"C:\\..\\..\\media\\Setup.ini", true},
        {u"C:\\media", u"C:\\media\\..\\Setup.ini", false},
        {u"C:\\media\\.", u"C:/media/Setup.ini", true},
        {u"\\\\server\\share", u"\\\\server\\share\\Data\\..\\Setup.ini", true},
        {u"\\\\server\\share", u"\\\\SERVER\\share\\data\\product.msi", true},
        {u"\\\\server\\share", u"\\\\server\\share\\..\\share\\Setup.ini", false},
    };
    for (const Case& c : cases) {
        renew();
        sim::mount(c.mountAt, host.string());
        EXPECT_EQ(platform::fileExists(c.path), c.exists)
            << wtext::toUtf8(c.path) << " with " << wtext::toUtf8(c.mountAt) << " mounted";
    }
    fs::remove_all(host);
}

TEST_F(SimulatedFiles, ManyStarsMatchWithoutBacktrackingForEver) {
    sim::addFile(u"C:\\media\\product.msi", "msi");
    const std::u16string stars(60, u'*');
    EXPECT_TRUE(platform::fileExists(u"C:\\media\\pr" + stars + u"msi"));
    EXPECT_FALSE(platform::fileExists(u"C:\\media\\pr" + stars + u"msx"));
}

} // namespace
