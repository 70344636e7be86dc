// A profile written back as the key=value settings a profile file holds: what --show-profile
// prints, and the whole machine the JSON report names.
#pragma once

#include "tools/setup_check/machine/profile.h"

#include <string>
#include <utility>
#include <vector>

namespace setupcheck {

using ProfileSetting = std::pair<std::string, std::string>;

// Every setting of `profile`, in the order the profile keys are listed; settings left unset
// (the package's identity, the installer's answer) are left out. Read back with
// applySetting, the settings make the same profile.
[[nodiscard]] std::vector<ProfileSetting> profileSettings(const Profile& profile);
// The settings as the lines of a profile file.
[[nodiscard]] std::string profileFileText(const Profile& profile);

} // namespace setupcheck
