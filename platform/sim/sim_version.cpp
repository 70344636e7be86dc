// The simulated Windows version: GetVersionExW, and VerifyVersionInfoW's documented rule
// applied to the scripted version.
#include "platform/sim/sim.h"

namespace platform {

using sim::machine;

bool getVersionEx(OsVersion& version) {
    if (!machine().getVersionSucceeds)
        return false;
    version = machine().version;
    return true;
}

namespace {

// Where the three bits of a type bit's condition stand in a condition mask.
int conditionShift(std::uint32_t typeBit) {
    int index = 0;
    while (typeBit > 1) {
        typeBit >>= 1;
        ++index;
    }
    return index * 3;
}

// One comparison of VerifyVersionInfoW; false for a condition that is none of the five, which
// Windows refuses as a bad argument.
bool compareWith(std::uint8_t condition, std::int64_t have, std::int64_t want) {
    switch (condition) {
    case verEqual:
        return have == want;
    case verGreater:
        return have > want;
    case verGreaterEqual:
        return have >= want;
    case verLess:
        return have < want;
    case verLessEqual:
        return have <= want;
    default:
        return false;
    }
}

} // namespace

std::uint64_t verSetConditionMask(std::uint64_t mask, std::uint32_t typeBit,
                                  std::uint8_t condition) {
    if (typeBit == 0 || condition == 0)
        return mask;
    for (std::uint32_t bit = 1; bit <= 0x80; bit <<= 1) {
        if (typeBit & bit) {
            int shift = conditionShift(bit);
            mask &= ~(std::uint64_t(7) << shift);
            mask |= std::uint64_t(condition & 7) << shift;
        }
    }
    return mask;
}

bool verifyVersionInfo(const VersionRequirement& required, std::uint32_t typeMask,
                       std::uint64_t conditionMask) {
    const OsVersion& have = machine().version;
    auto condition = [&](std::uint32_t bit) {
        return std::uint8_t((conditionMask >> conditionShift(bit)) & 7);
    };
    // The build number is tested on its own. Major, minor, service-pack major and minor are one
    // hierarchy, compared in that order: the first level that differs decides, and the levels
    // below it are not looked at. Every level that is looked at needs a condition of its own:
    // a bit of the type mask whose condition was never set fails the call.
    if ((typeMask & verBuildNumber) &&
        !compareWith(condition(verBuildNumber), have.build, required.build))
        return false;
    struct Level {
        std::uint32_t bit;
        std::int64_t have;
        std::int64_t want;
    };
    const Level levels[] = {
        {verMajorVersion, have.major, required.major},
        {verMinorVersion, have.minor, required.minor},
        {verServicePackMajor, have.servicePackMajor, required.servicePackMajor},
        {verServicePackMinor, have.servicePackMinor, required.servicePackMinor}};
    for (const Level& level : levels) {
        if (!(typeMask & level.bit))
            continue;
        if (!compareWith(condition(level.bit), level.have, level.want))
            return false;
        if (level.have != level.want)
            return true; // decided here
    }
    return true;
}

} // namespace platform
