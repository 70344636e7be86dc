// A machine to check a medium against: Windows version, language and region settings, the
// installer runtime, installed products and what the Windows Installer answers. Profiles come
// from named presets, from key=value files and from single settings on the command line.
#pragma once

#include "platform/platform.h"
#include "tools/setup_check/basics/result.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace setupcheck {

// The processor architecture of a Windows: which packages' platforms its installer accepts.
enum class Architecture { x86, x64, arm64 };
const char* architectureName(Architecture architecture);

struct Profile {
    std::string name = "custom";
    std::string description;

    platform::OsVersion windows{6, 1, 7601, 1, 0};
    Architecture architecture = Architecture::x64;
    std::uint16_t userLanguage = 0x0409;
    std::uint16_t systemLanguage = 0x0409;
    // The language Windows names for a custom user locale (user language 0x0C00).
    std::uint16_t customLocaleLanguage = 0x0409;
    std::vector<std::uintptr_t> keyboards{0x04090409};
    std::optional<std::u16string> currency = u"$";
    std::optional<std::uint32_t> countryCode = 1;
    std::int32_t geoId = 244;
    // The ANSI code page; unset: the system language's (ansiCodePageOf).
    std::optional<std::uint32_t> ansiCodePage;

    // Product version of the system folder's msi.dll; absent when it cannot be read.
    std::optional<std::u16string> msiRuntime = u"5.0.7601.17514";
    // What the runtime's setup program (instmsi30.exe, when the medium has one) does.
    bool runtimeSetupStarts = true;
    std::optional<std::u16string> runtimeAfterSetup;

    // Installed products: product code -> version.
    std::map<std::u16string, std::u16string> installed;
    // The package code each installed product was installed from, where the profile says it.
    std::map<std::u16string, std::u16string> installedPackageCodes;

    // The package's identity as the installer reads it; unset fields come from Setup.ini.
    std::optional<std::u16string> packageProductCode;
    std::optional<std::u16string> packageVersion;
    std::optional<std::u16string> packageCode;
    // Version of the package's key file (keyFileName); "none" in a profile: no such File row.
    std::optional<std::u16string> packageKeyFileVersion;
    bool packageHasKeyFile = true;

    // MsiInstallProductW's answer; unset: 0, or 1619 when the package file is missing.
    std::optional<std::uint32_t> installerResult;

    // Further Windows folders mapped onto host folders (D:\pkg -> /srv/pkg).
    std::vector<std::pair<std::u16string, std::string>> mounts;
};

// The preset names, in the order they are listed.
[[nodiscard]] std::vector<std::string> presetNames();
// Nothing when there is no preset of that name.
[[nodiscard]] std::optional<Profile> preset(const std::string& name);

// Applies one "key=value" setting, or says why the key or value is not understood. The keys
// are those of profileKeys().
[[nodiscard]] Status applySetting(Profile& profile, const std::string& key,
                                  const std::string& value);

// One setting a profile may hold: its key ("installed." and "map." are followed by a product
// code or a Windows folder), what its value looks like, and what it sets.
struct ProfileKey {
    const char* key;
    const char* value;
    const char* help;
    Status (*apply)(Profile& profile, const std::string& key, const std::string& value);
};
[[nodiscard]] const std::vector<ProfileKey>& profileKeys();
// The keys, one per line, for the tool's help text.
[[nodiscard]] std::string profileKeysHelp();

// Applies every line of a profile file's text ("#" and ";" start comment lines); a failure
// names the line at fault.
[[nodiscard]] Status applyProfileText(Profile& profile, const std::string& text,
                                      const std::string& fileName);

// A profile from a preset name or a profile file's path.
[[nodiscard]] Result<Profile> loadProfile(const std::string& nameOrPath);

// "Windows 6.1.7601 SP1" and the like.
[[nodiscard]] std::string windowsText(const platform::OsVersion& version);
// "0x0419".
[[nodiscard]] std::string languageText(std::uint32_t languageId);
// "1049 (0x0419, Russian)".
[[nodiscard]] std::string languageWithName(std::uint32_t languageId);

// The code page the machine reads text without a byte-order mark in: the profile's, else the
// system language's as Windows sets it, else (a language without one the launcher's table
// knows) the simulated machine's default, Windows-1252.
[[nodiscard]] std::uint32_t ansiCodePageOf(const Profile& profile);

} // namespace setupcheck
