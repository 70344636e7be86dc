// The releases of Windows 10 and 11, by the build each starts with and the name Intune gives
// it, and which of them the medium's launcher accepts: each is asked of the launcher's own
// Windows requirement, entry by entry, on a simulated machine of that release.
#pragma once

#include "tools/setup_check/result/check_result.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace setupcheck {

struct WindowsRelease {
    const char* name;       // "1607", "22H2", "Windows11_23H2": Intune's names
    std::uint32_t build;    // its first build: 10.0.<build>
    const char* intuneFlag; // its windowsMinimumOperatingSystem flag, where it has one
    bool intuneMinimum;     // Intune deploys Win32 apps to it
};

// Every release in the order of their builds.
[[nodiscard]] const std::vector<WindowsRelease>& windowsReleases();

// The oldest release whose Windows meets one of the entries the launcher of `result` accepts
// (its Setup.ini's Windows list); nothing when none does.
[[nodiscard]] std::optional<WindowsRelease> oldestReleaseAccepted(const CheckResult& result);

// The oldest release Intune deploys to that the launcher accepts: `oldest`, or Intune's own
// oldest where the launcher accepts older ones.
[[nodiscard]] WindowsRelease intuneRelease(const WindowsRelease& oldest);

// The windowsMinimumOperatingSystem flag for `release`: its own, or that of the newest release
// before it that has one.
[[nodiscard]] const char* intuneFlagFor(const WindowsRelease& release);

} // namespace setupcheck
