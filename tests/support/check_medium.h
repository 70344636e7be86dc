// The medium the setup-check tests share: a real package and Russian and Ukrainian transforms
// (built with wixl once per test run), Setup.ini and three message files in a fresh host folder
// per test, checked on a profile as the tool checks it.
#pragma once

#include "tools/setup_check/check.h"

#include "tests/support/medium.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace setupcheck {

namespace checktest {

namespace fs = std::filesystem;
using testmedium::instanceCode;
using testmedium::productCode;
using testmedium::replaced;

inline const std::string standardSettings = testmedium::setupIni("REBOOT=ReallySuppress");

// The package and Russian and Ukrainian transforms of the medium, made once into a folder of
// this test run's own with wixl (tests/support/check_media.py). Under Wine the tests cannot
// start the host's Python: the test run makes them first and names the folder in
// SETUP_CHECK_MEDIA.
inline const char* givenMedia() {
    return std::getenv("SETUP_CHECK_MEDIA");
}

inline const fs::path& builtPackage() {
    static const fs::path folder = [] {
        if (givenMedia())
            return fs::path(givenMedia());
        const fs::path made = fs::temp_directory_path() /
                              ("setup-check-media-" +
                               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                               "-" + std::to_string(std::rand()));
        fs::create_directories(made);
        const std::string command = "python3 \"" SETUP_SOURCE_DIR
                                    "/tests/support/check_media.py\" \"" +
                                    made.string() + "\"";
        return std::system(command.c_str()) == 0 ? made : fs::path();
    }();
    return folder;
}

// A medium in a fresh host folder: Setup.ini, English, Russian and Ukrainian message files,
// the package, the Russian and Ukrainian transforms and a stand-in of the launcher's image.
class Medium : public ::testing::Test {
protected:
    static void TearDownTestSuite() {
        if (!givenMedia())
            fs::remove_all(builtPackage());
    }

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
        for (const char* name : {"product.msi", "1049.mst", "1058.mst", "setup.exe"})
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
        Result<Profile> loaded = loadProfile(profileName);
        EXPECT_TRUE(loaded) << loaded.reason();
        Profile profile = loaded ? *loaded : Profile{};
        for (const auto& [key, value] : settings) {
            const Status applied = applySetting(profile, key, value);
            EXPECT_TRUE(applied) << applied.reason();
        }
        return checkMedium(folder.string(), profile, arguments, placement);
    }

    fs::path folder;
};

inline std::string commandLineOf(const CheckResult& r) {
    return r.run.installer ? r.run.installer->commandLine : "<not called>";
}

// The installation's language: after the run when it started, else after the options.
inline std::uint32_t languageOf(const CheckResult& r) {
    return r.started() ? r.record().finalLanguageId : r.record().language.languageId;
}

// "file:line" of every warning whose message holds `text`.
inline std::vector<std::string> warningsAbout(const CheckResult& r, const std::string& text) {
    std::vector<std::string> at;
    for (const Warning& w : r.warnings)
        if (w.message.find(text) != std::string::npos)
            at.push_back(w.file + ":" + std::to_string(w.line));
    return at;
}

} // namespace checktest

} // namespace setupcheck
