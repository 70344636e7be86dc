#include "tools/setup_check/machine/profile_show.h"

#include <gtest/gtest.h>

#include <set>

namespace setupcheck {

namespace {

// A machine with every optional setting made.
Profile everythingSet() {
    Profile p;
    const char* const settings =
        "preset=win7-sp1-uk\n"
        "installed.{6C3F8E2A-1D4B-4C5E-9F70-112233445566}=2.4.0\n"
        "package_product_code={6C3F8E2A-1D4B-4C5E-9F70-112233445566}\n"
        "package_version=2.5.1\npackage_code={5D0C7A33-0000-4000-8000-000000000001}\n"
        "package_key_file=none\ninstaller_result=1603\nmap.D:\\pkg=/srv/pkg\n"
        "currency=none\ncountry_code=none\nmsi_runtime=none\nruntime_setup=fails\n"
        "runtime_after_setup=3.1.4000.2435\nuser_language=0x0C00\nansi_code_page=1251\n";
    const Status applied = applyProfileText(p, settings, "test");
    EXPECT_TRUE(applied) << applied.reason();
    return p;
}

} // namespace

// A profile written out and read back is the same machine, for every preset and for one with
// every optional setting made; and every key a profile may hold is written by one of them.
TEST(ProfileShow, SettingsReadBackAsTheSameMachine) {
    std::vector<Profile> profiles{everythingSet()};
    for (const std::string& name : presetNames()) {
        const std::optional<Profile> found = preset(name);
        ASSERT_TRUE(found);
        profiles.push_back(*found);
    }
    std::set<std::string> written;
    for (const Profile& profile : profiles) {
        const std::string text = profileFileText(profile);
        Profile back;
        const Status applied = applyProfileText(back, text, "shown");
        ASSERT_TRUE(applied) << applied.reason() << "\n" << text;
        EXPECT_EQ(profileFileText(back), text);
        for (const auto& [key, value] : profileSettings(profile)) {
            // installed.<code> and map.<folder> are the keys "installed." and "map.".
            const std::size_t dot = key.find('.');
            written.insert(dot == std::string::npos ? key : key.substr(0, dot + 1));
        }
    }
    for (const ProfileKey& key : profileKeys()) {
        if (std::string(key.key) != "preset") {
            EXPECT_TRUE(written.count(key.key)) << key.key << " is never written";
        }
    }
}

} // namespace setupcheck
