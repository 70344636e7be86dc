#include "sysreq/windows_requirement.h"

#include "platform/platform.h"
#include "platform/wtext.h"

bool windowsEntryMet(const WindowsEntry& entry) {
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

WindowsEntry readWindowsEntry(const IniSection& section) {
    WindowsEntry entry;
    entry.majorText = section.getValue(windowsEntryKey::majorVer);
    entry.minorText = section.getValue(windowsEntryKey::minorVer);
    entry.buildText = section.getValue(windowsEntryKey::buildNo);
    entry.servicePackText = section.getValue(windowsEntryKey::servicePack);
    entry.version = parseVersion(entry.majorText + u"." + entry.minorText + u"." + entry.buildText);
    const std::uint32_t servicePack =
        entry.servicePackText.empty() ? 0 : wtext::parseULong(entry.servicePackText);
    entry.servicePackMajor = static_cast<std::uint16_t>((servicePack >> 8) & 0xFF);
    entry.servicePackMinor = static_cast<std::uint16_t>(servicePack & 0xFF);
    return entry;
}

std::vector<WindowsEntryCheck> checkWindowsEntries(const IniFile& settings,
                                                   const std::u16string& listSection) {
    const IniSection list = settings.getSection(listSection);
    std::vector<WindowsEntryCheck> checks;
    bool met = false;
    for (std::size_t i = 0; i < list.getKeyCount(); ++i) {
        WindowsEntryCheck check;
        check.key = list.getKeyAt(i);
        check.value = list.getValue(check.key);
        check.enabled = check.value == u"1";
        if (check.enabled) {
            check.entry = readWindowsEntry(settings.getSection(check.key));
            check.checked = !met;
            check.met = check.checked && windowsEntryMet(check.entry);
            met = met || check.met;
        }
        checks.push_back(std::move(check));
    }
    return checks;
}

bool checkWindowsRequirement(const IniFile& settings, const std::u16string& listSection) {
    for (const WindowsEntryCheck& check : checkWindowsEntries(settings, listSection))
        if (check.met)
            return true;
    return false;
}
