#include "platform/sim/sim.h"
#include "platform/wtext.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

TEST(SimulatedFiles, MountedFoldersMatchLikeFindFirstFile) {
    namespace fs = std::filesystem;
    fs::path host = fs::temp_directory_path() / "setup-sim-mount-test";
    fs::remove_all(host);
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
    };
    for (const Case& c : cases) {
        sim::reset();
        sim::mount(c.mountAt, host.string());
        EXPECT_EQ(platform::fileExists(c.path), c.exists)
            << wtext::toUtf8(c.path) << " with " << wtext::toUtf8(c.mountAt) << " mounted";
    }
    fs::remove_all(host);
}

} // namespace
