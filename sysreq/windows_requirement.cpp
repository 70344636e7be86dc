#include "sysreq/windows_requirement.h"

#include "platform/platform.h"
#include "platform/wtext.h"

namespace {

bool meetsEntry(const WindowsEntry& entry) {
    platform::VersionRequirement required;
    required.major = static_cast<std::uint32_t>(entry.version.major);
    required.minor = static_cast<std::uint32_t>(entry.version.minor);
    required.build = static_cast<std::uint32_t>(entry.version.build);
    required.servicePackMajor = entry.servicePackMajor;
    required.servicePackMinor = entry.servicePackMinor;

    std::uint64_t conditions = 0;
    std::uint32_t typeMask = 0;
    for (std::uint32_t bit :
         {platform::verMajorVersion, platform::verMinorVersion, platform::verBuildNumber,
          platform::verServicePackMajor, platform::verServicePackMinor}) {
        conditions = platform::verSetConditionMask(conditions, bit, platform::verGreaterEqual);
        typeMask |= bit;
    }
    return platform::verifyVersionInfo(required, typeMask, conditions);
}

} // namespace

WindowsEntry readWindowsEntry(const IniSection& section) {
    WindowsEntry entry;
    entry.version =
        parseVersion(section.getValue(u"MajorVer") + u"." + section.getValue(u"MinorVer") + u"." +
                     section.getValue(u"BuildNo"));
    const std::u16string servicePackText = section.getValue(u"ServicePack");
    const std::uint32_t servicePack =
        servicePackText.empty() ? 0 : wtext::parseULong(servicePackText);
    entry.servicePackMajor = static_cast<std::uint16_t>((servicePack >> 8) & 0xFF);
    entry.servicePackMinor = static_cast<std::uint16_t>(servicePack & 0xFF);
    return entry;
}

bool checkWindowsRequirement(const IniFile& settings, const std::u16string& listSection) {
    IniSection list = settings.getSection(listSection);
    std::size_t count = list.getKeyCount();
    for (std::size_t i = 0; i < count; ++i) {
        std::u16string key = list.getKeyAt(i);
        if (list.getValue(key) != u"1")
            continue;
        if (meetsEntry(readWindowsEntry(settings.getSection(key))))
            return true;
    }
    return false;
}
