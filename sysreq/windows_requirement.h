// Does the running Windows meet one of the versions that Setup.ini accepts?
#pragma once

#include "config/ini_file.h"
#include "sysreq/version.h"

#include <cstdint>
#include <string>
#include <vector>

// The keys of one entry section of the Windows list.
namespace windowsEntryKey {
inline constexpr char16_t majorVer[] = u"MajorVer";
inline constexpr char16_t minorVer[] = u"MinorVer";
inline constexpr char16_t buildNo[] = u"BuildNo";
inline constexpr char16_t servicePack[] = u"ServicePack"; // major * 256 + minor
} // namespace windowsEntryKey

// One entry section (MajorVer, MinorVer, BuildNo, ServicePack) as the check reads it.
struct WindowsEntry {
    // The four values as they stand in the section.
    std::u16string majorText, minorText, buildText, servicePackText;
    // "MajorVer.MinorVer.BuildNo" read as a version; the fourth component is not used. A
    // component that is missing or not a number is -1, and so is every one after it.
    VersionQuad version;
    // ServicePack read as an unsigned number (no digits: 0), then bits 8-15 the service pack's
    // major number and bits 0-7 its minor one: 256 is SP1, 768 SP3. Higher bits are dropped.
    std::uint16_t servicePackMajor = 0;
    std::uint16_t servicePackMinor = 0;

    // A component of -1 is 0xFFFFFFFF to Windows, which no Windows reaches.
    bool canBeMet() const { return version.major >= 0 && version.minor >= 0 && version.build >= 0; }
};

WindowsEntry readWindowsEntry(const IniSection& entry);

// One key of the list and what the check did with it.
struct WindowsEntryCheck {
    std::u16string key;   // names the entry's section
    std::u16string value; // only "1" enables the entry
    bool enabled = false; // the entry accepts its version: its value is "1"
    WindowsEntry entry;   // read for enabled entries
    bool checked = false; // asked of Windows: enabled, and no earlier entry was met
    bool met = false;
};

// Whether the running Windows meets `entry`, asked as the requirement asks it
// (VerifyVersionInfoW: major, minor and service pack as one hierarchy, the build on its own).
bool windowsEntryMet(const WindowsEntry& entry);

// `listSection` names a section whose keys name version sections; a key counts when its value
// is exactly "1". The enabled entries are asked of Windows in key order until one is met.
std::vector<WindowsEntryCheck> checkWindowsEntries(const IniFile& settings,
                                                   const std::u16string& listSection);
// True when Windows meets at least one enabled entry of the list.
bool checkWindowsRequirement(const IniFile& settings, const std::u16string& listSection);
