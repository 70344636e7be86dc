#include "tools/setup_check/machine/profile.h"

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace setupcheck {

namespace {

TEST(Profile, PresetsDescribeTheirMachines) {
    struct Case {
        const char* name;
        const char* windows;
        std::uint16_t userLanguage;
        std::int32_t geoId;
    };
    const Case cases[] = {
        {"winxp-sp3-en", "Windows 5.1.2600 SP3", 0x0409, 244},
        {"win7-sp1-ru", "Windows 6.1.7601 SP1", 0x0419, 203},
        {"win7-sp1-uk", "Windows 6.1.7601 SP1", 0x0422, 241},
        {"win10-uk", "Windows 10.0.19045", 0x0422, 241},
        {"win10-en", "Windows 10.0.19045", 0x0409, 244},
    };
    for (const Case& c : cases) {
        const std::optional<Profile> found = preset(c.name);
        ASSERT_TRUE(found) << c.name;
        const Profile& p = *found;
        EXPECT_EQ(p.name, c.name);
        EXPECT_EQ(windowsText(p.windows), c.windows) << c.name;
        EXPECT_EQ(p.userLanguage, c.userLanguage) << c.name;
        EXPECT_EQ(p.geoId, c.geoId) << c.name;
    }
    EXPECT_FALSE(preset("win95"));
}

TEST(Profile, SettingsAreReadOrRefusedWithTheReason) {
    struct Case {
        const char* key;
        const char* value;
        bool accepted;
    };
    const Case cases[] = {
        {"windows", "6.1.7601", true},
        {"windows", "seven", false},
        {"service_pack", "1", true},
        {"service_pack", "x", false},
        {"user_language", "0x0422", true},
        {"user_language", "1058", true},
        {"user_language", "uk", true},
        {"user_language", "klingon", false},
        {"keyboards", "0x04220422,0x04090409", true},
        {"keyboards", "0x0422,zz", false},
        {"currency", "none", true},
        {"country_code", "380", true},
        {"country_code", "UA", false},
        {"msi_runtime", "none", true},
        {"msi_runtime", "latest", false},
        {"runtime_setup", "fails", true},
        {"runtime_setup", "maybe", false},
        {"ansi_code_page", "1251", true},
        {"ansi_code_page", "auto", true},
        {"ansi_code_page", "9999", false},
        {"installer_result", "1603", true},
        {"installer_result", "-", false},
        {"installed.{A}", "1.0", true},
        {"preset", "win10-uk", true},
        {"preset", "win2000", false},
        {"ProductVerison", "1", false},
    };
    for (const Case& c : cases) {
        Profile p;
        const Status applied = applySetting(p, c.key, c.value);
        EXPECT_EQ(applied.ok(), c.accepted) << c.key << "=" << c.value;
        EXPECT_EQ(applied.reason().empty(), c.accepted) << c.key << "=" << c.value;
    }

    Profile p;
    ASSERT_TRUE(applyProfileText(p,
                                 "# a Ukrainian on Windows 7\npreset=win10-uk\n\nwindows=6.1.7601\n"
                                 "service_pack=1\ninstalled.{X}=2.5.1\n",
                                 "uk7.profile"));
    EXPECT_EQ(windowsText(p.windows), "Windows 6.1.7601 SP1");
    EXPECT_EQ(p.userLanguage, 0x0422);
    EXPECT_EQ(p.installed.at(u"{X}"), u"2.5.1");
    const Status bad = applyProfileText(p, "windows=6.1\ngeo_id\n", "bad.profile");
    EXPECT_FALSE(bad);
    EXPECT_EQ(bad.reason().rfind("bad.profile:2: ", 0), 0u) << bad.reason();
}

// Windows reads text without a byte-order mark in the code page of its system language.
TEST(Profile, AnsiCodePageFollowsTheSystemLanguageUnlessSet) {
    using Settings = std::vector<std::pair<std::string, std::string>>;
    const std::tuple<const char*, Settings, std::uint32_t> cases[] = {
        {"win7-sp1-ru", {}, 1251},
        {"win10-uk", {}, 1251},
        {"win10-en", {}, 1252},
        {"win10-en", {{"system_language", "pl"}}, 1250},
        {"win10-en", {{"system_language", "zh"}}, 936},
        // The user's language does not decide it, and a language without one keeps 1252.
        {"win10-en", {{"user_language", "ru"}}, 1252},
        {"win10-en", {{"system_language", "ka"}}, 1252},
        {"win10-en", {{"system_language", "0x0411"}}, 1252},
        {"win7-sp1-ru", {{"ansi_code_page", "1252"}}, 1252},
        {"win7-sp1-ru", {{"ansi_code_page", "1252"}, {"ansi_code_page", "auto"}}, 1251},
    };
    for (const auto& [name, settings, codePage] : cases) {
        std::optional<Profile> p = preset(name);
        ASSERT_TRUE(p);
        for (const auto& [key, value] : settings) {
            const Status applied = applySetting(*p, key, value);
            ASSERT_TRUE(applied) << applied.reason();
        }
        EXPECT_EQ(ansiCodePageOf(*p), codePage) << name;
    }
}

} // namespace

} // namespace setupcheck
