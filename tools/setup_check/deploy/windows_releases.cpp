#include "tools/setup_check/deploy/windows_releases.h"

#include "sysreq/windows_requirement.h"
#include "tools/setup_check/machine/simulated_machine.h"

namespace setupcheck {

const std::vector<WindowsRelease>& windowsReleases() {
    // Windows 10 and 11 release information: the build each release starts with.
    static const std::vector<WindowsRelease> releases{
        {"1507", 10240, "v10_0", false},          {"1511", 10586, nullptr, false},
        {"1607", 14393, "v10_1607", true},        {"1703", 15063, "v10_1703", true},
        {"1709", 16299, "v10_1709", true},        {"1803", 17134, "v10_1803", true},
        {"1809", 17763, "v10_1809", true},        {"1903", 18362, "v10_1903", true},
        {"1909", 18363, "v10_1909", true},        {"2004", 19041, "v10_2004", true},
        {"20H2", 19042, "v10_2H20", true},        {"21H1", 19043, "v10_21H1", true},
        {"21H2", 19044, nullptr, true},           {"22H2", 19045, nullptr, true},
        {"Windows11_21H2", 22000, nullptr, true}, {"Windows11_22H2", 22621, nullptr, true},
        {"Windows11_23H2", 22631, nullptr, true}, {"Windows11_24H2", 26100, nullptr, true},
        {"Windows11_25H2", 26200, nullptr, true},
    };
    return releases;
}

std::optional<WindowsRelease> oldestReleaseAccepted(const CheckResult& result) {
    for (const WindowsRelease& release : windowsReleases()) {
        Profile profile = result.profile;
        profile.windows = {10, 0, release.build, 0, 0};
        const SimulatedMachine machine(result.medium, result.placement, profile);
        for (const WindowsEntryCheck& entry : result.record().windows.entries)
            if (entry.enabled && entry.entry.canBeMet() && windowsEntryMet(entry.entry))
                return release;
    }
    return std::nullopt;
}

WindowsRelease intuneRelease(const WindowsRelease& oldest) {
    if (oldest.intuneMinimum)
        return oldest;
    for (const WindowsRelease& release : windowsReleases())
        if (release.intuneMinimum)
            return release;
    return oldest;
}

const char* intuneFlagFor(const WindowsRelease& release) {
    const char* flag = "v10_0";
    for (const WindowsRelease& r : windowsReleases()) {
        if (r.build > release.build)
            break;
        if (r.intuneFlag)
            flag = r.intuneFlag;
    }
    return flag;
}

} // namespace setupcheck
