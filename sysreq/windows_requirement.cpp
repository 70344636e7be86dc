#include "sysreq/windows_requirement.h"

#include "platform/platform.h"
#include "platform/wtext.h"
#include "sysreq/version.h"

namespace {

bool meetsEntry(const IniSection& entry) {
    VersionQuad version =
        parseVersion(entry.getValue(u"MajorVer") + u"." + entry.getValue(u"MinorVer") + u"." +
                     entry.getValue(u"BuildNo"));
    std::uint32_t servicePack = 0;
    std::u16string servicePackText = entry.getValue(u"ServicePack");
    if (!servicePackText.empty())
        servicePack = wtext::parseULong(servicePackText);

    // A component that is missing or not a number stays -1, which is 0xFFFFFFFF here and
    // so can never be met.
    platform::VersionRequirement required;
    required.major = static_cast<std::uint32_t>(version.major);
    required.minor = static_cast<std::uint32_t>(version.minor);
    required.build = static_cast<std::uint32_t>(version.build);
    required.servicePackMajor = static_cast<std::uint16_t>((servicePack >> 8) & 0xFF);
    required.servicePackMinor = static_cast<std::uint16_t>(servicePack & 0xFF);

    std::uint64_t mask = 0;
    for (std::uint32_t bit :
         {platform::verMajorVersion, platform::verMinorVersion, platform::verBuildNumber,
          platform::verServicePackMajor, platform::verServicePackMinor})
        mask = platform::verSetConditionMask(mask, bit, platform::verGreaterEqual);
    return platform::verifyVersionInfo(required, 0x37, mask);
}

} // namespace

bool checkWindowsRequirement(const IniFile& settings, const std::u16string& listSection) {
    IniSection list = settings.getSection(listSection);
    std::size_t count = list.getKeyCount();
    for (std::size_t i = 0; i < count; ++i) {
        std::u16string key = list.getKeyAt(i);
        if (list.getValue(key) != u"1")
            continue;
        if (meetsEntry(settings.getSection(key)))
            return true;
    }
    return false;
}
