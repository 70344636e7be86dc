// The Windows version: GetVersionExW and VerifyVersionInfoW.
#include "platform/platform.h"
#include "platform/win32/win32_support.h"

#include <cstring>

// The documented sizes, the same on 32-bit and 64-bit Windows.
static_assert(sizeof(OSVERSIONINFOW) == 276);
static_assert(sizeof(OSVERSIONINFOEXW) == 284);

namespace platform {

bool getVersionEx(OsVersion& version) {
    OSVERSIONINFOW info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info))
        return false;
#pragma GCC diagnostic pop
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.build = info.dwBuildNumber;
    return true;
}

std::uint64_t verSetConditionMask(std::uint64_t mask, std::uint32_t typeBit,
                                  std::uint8_t condition) {
    return VerSetConditionMask(mask, typeBit, condition);
}

bool verifyVersionInfo(const VersionRequirement& required, std::uint32_t typeMask,
                       std::uint64_t conditionMask) {
    OSVERSIONINFOEXW info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    info.dwMajorVersion = required.major;
    info.dwMinorVersion = required.minor;
    info.dwBuildNumber = required.build;
    info.wServicePackMajor = required.servicePackMajor;
    info.wServicePackMinor = required.servicePackMinor;
    return VerifyVersionInfoW(&info, typeMask, conditionMask) != FALSE;
}

} // namespace platform
