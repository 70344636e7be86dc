// The names Setup.ini is read by, defined once for the launcher that reads them and for
// setup-check, which points a publisher at them. Names are matched exactly, letter case
// included, as the settings document matches them. The Windows list's entry keys are named
// beside the requirement that reads them (sysreq/windows_requirement.h).
#pragma once

namespace setupIni {

inline constexpr char16_t fileName[] = u"Setup.ini";

inline constexpr char16_t startup[] = u"Startup";
inline constexpr char16_t productCode[] = u"ProductCode";
inline constexpr char16_t productVersion[] = u"ProductVersion";
inline constexpr char16_t packageName[] = u"PackageName"; // names the package's section
inline constexpr char16_t cmdLine[] = u"CmdLine";
// In the section PackageName names: the package, beside the launcher or a path of its own.
inline constexpr char16_t location[] = u"Location";

// Its first key is the installer version required, its value the Windows list's section.
inline constexpr char16_t msiVersion[] = u"MsiVersion";

} // namespace setupIni
