#include "tools/setup_check/machine/profile.h"

#include "platform/sim/sim.h"
#include "platform/wtext.h"
#include "sysreq/version.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/machine/profile_text.h"

#include <cctype>

namespace setupcheck {

namespace {

Failure refuse(const std::string& key, const std::string& value, const char* what) {
    return Failure{key + "=" + value + ": " + what};
}

Status setPreset(Profile& p, const std::string& key, const std::string& value) {
    std::optional<Profile> fresh = preset(value);
    if (!fresh)
        return refuse(key, value, "no such preset");
    // A profile built on a preset keeps its own name.
    fresh->name = p.name;
    p = *fresh;
    return {};
}

Status setText(Profile& p, const std::string& key, const std::string& value) {
    (key == "name" ? p.name : p.description) = value;
    return {};
}

Status setWindows(Profile& p, const std::string& key, const std::string& value) {
    VersionQuad v = parseVersion(wtext::fromUtf8(value));
    if (v.major < 0 || v.minor < 0)
        return refuse(key, value, "expected major.minor[.build], e.g. 6.1.7601");
    p.windows.major = std::uint32_t(v.major);
    p.windows.minor = std::uint32_t(v.minor);
    p.windows.build = std::uint32_t(v.build < 0 ? 0 : v.build);
    return {};
}

Status setArchitecture(Profile& p, const std::string& key, const std::string& value) {
    for (Architecture a : {Architecture::x86, Architecture::x64, Architecture::arm64})
        if (value == architectureName(a)) {
            p.architecture = a;
            return {};
        }
    return refuse(key, value, "expected x86, x64 or arm64");
}

Status setServicePack(Profile& p, const std::string& key, const std::string& value) {
    VersionQuad v = parseVersion(wtext::fromUtf8(value));
    if (v.major < 0 || v.major > 0xFFFF || v.minor > 0xFFFF)
        return refuse(key, value, "expected major[.minor], e.g. 1 or 3.0");
    p.windows.servicePackMajor = std::uint16_t(v.major);
    p.windows.servicePackMinor = std::uint16_t(v.minor < 0 ? 0 : v.minor);
    return {};
}

Status setLanguage(Profile& p, const std::string& key, const std::string& value) {
    const std::optional<std::uint16_t> id = parseLanguage(value);
    if (!id)
        return refuse(key, value, "expected a LANGID (0x0419, 1049) or a code (ru)");
    (key == "user_language"     ? p.userLanguage
     : key == "system_language" ? p.systemLanguage
                                : p.customLocaleLanguage) = *id;
    return {};
}

Status setKeyboards(Profile& p, const std::string& key, const std::string& value) {
    std::vector<std::uintptr_t> layouts;
    for (const std::string& part : split(value, ',')) {
        const std::optional<std::uint64_t> n = parseNumber(part);
        if (!n)
            return refuse(key, value, "expected a list of layouts, e.g. 0x04220422,0x04090409");
        layouts.push_back(std::uintptr_t(*n));
    }
    p.keyboards = layouts;
    return {};
}

Status setCurrency(Profile& p, const std::string&, const std::string& value) {
    if (value == "none")
        p.currency.reset();
    else
        p.currency = wtext::fromUtf8(value);
    return {};
}

Status setCountryCode(Profile& p, const std::string& key, const std::string& value) {
    const std::optional<std::uint64_t> n = parseNumber(value);
    if (value == "none")
        p.countryCode.reset();
    else if (n)
        p.countryCode = std::uint32_t(*n);
    else
        return refuse(key, value, "expected a dialling code (380) or none");
    return {};
}

Status setGeoId(Profile& p, const std::string& key, const std::string& value) {
    const std::optional<std::uint64_t> n = parseNumber(value);
    if (!n)
        return refuse(key, value, "expected a GeoID (241)");
    p.geoId = std::int32_t(*n);
    return {};
}

Status setAnsiCodePage(Profile& p, const std::string& key, const std::string& value) {
    const std::optional<std::uint64_t> n = parseNumber(value);
    if (value == "auto")
        p.ansiCodePage.reset();
    else if (n && sim::codePageAvailable(std::uint32_t(*n)))
        p.ansiCodePage = std::uint32_t(*n);
    else
        return refuse(key, value, "expected a Windows code page this build decodes (1251) or auto");
    return {};
}

Status setVersionOrNone(std::optional<std::u16string>& field, const std::string& key,
                        const std::string& value) {
    if (isNone(value))
        field.reset();
    else if (parseVersion(wtext::fromUtf8(value)).major < 0)
        return refuse(key, value, "expected a version (5.0.7601.17514) or none");
    else
        field = wtext::fromUtf8(value);
    return {};
}

Status setMsiRuntime(Profile& p, const std::string& key, const std::string& value) {
    return setVersionOrNone(p.msiRuntime, key, value);
}

Status setRuntimeAfterSetup(Profile& p, const std::string& key, const std::string& value) {
    return setVersionOrNone(p.runtimeAfterSetup, key, value);
}

Status setRuntimeSetup(Profile& p, const std::string& key, const std::string& value) {
    if (value != "runs" && value != "fails")
        return refuse(key, value, "expected runs or fails");
    p.runtimeSetupStarts = value == "runs";
    return {};
}

// "<version>" or "<version>,<package code>": the package code says which package the product
// was installed from, so that a rebuilt package of the same version is told apart.
Status setInstalled(Profile& p, const std::string& key, const std::string& value) {
    const std::u16string code = wtext::fromUtf8(key.substr(std::string("installed.").size()));
    p.installed.erase(code);
    p.installedPackageCodes.erase(code);
    if (value == "none")
        return {};
    const std::size_t comma = value.find(',');
    const std::string version = trim(value.substr(0, comma));
    if (version.empty())
        return refuse(key, value, "expected <version>[,<package code>] or none");
    p.installed[code] = wtext::fromUtf8(version);
    if (comma != std::string::npos && !trim(value.substr(comma + 1)).empty())
        p.installedPackageCodes[code] = wtext::fromUtf8(trim(value.substr(comma + 1)));
    return {};
}

Status setPackageField(Profile& p, const std::string& key, const std::string& value) {
    const std::u16string text = wtext::fromUtf8(value);
    if (key == "package_product_code")
        p.packageProductCode = text;
    else if (key == "package_version")
        p.packageVersion = text;
    else if (key == "package_code")
        p.packageCode = text;
    else {
        p.packageHasKeyFile = value != "none";
        if (p.packageHasKeyFile)
            p.packageKeyFileVersion = text;
    }
    return {};
}

Status setInstallerResult(Profile& p, const std::string& key, const std::string& value) {
    const std::optional<std::uint64_t> n = parseNumber(value);
    if (!n)
        return refuse(key, value, "expected a number (0, 1603, 3010)");
    p.installerResult = std::uint32_t(*n);
    return {};
}

// A folder of a drive (D:\pkg) or of a share (\\server\share), with "." and ".." resolved as
// Windows resolves them.
Status setMount(Profile& p, const std::string& key, const std::string& value) {
    const std::u16string folder =
        sim::fullPath(wtext::fromUtf8(key.substr(std::string("map.").size())));
    const bool drive = folder.size() >= 2 && folder[0] < 0x80 &&
                       std::isalpha(static_cast<unsigned char>(folder[0])) && folder[1] == u':' &&
                       (folder.size() == 2 || folder[2] == u'\\');
    const std::size_t server = folder.rfind(u"\\\\", 0) == 0 ? folder.find(u'\\', 2) : 0;
    if (!drive && (server == 0 || server == std::u16string::npos || server == 2 ||
                   server + 1 == folder.size()))
        return refuse(key, value, "expected a Windows folder such as D:\\pkg or \\\\server\\share");
    p.mounts.emplace_back(folder, value);
    return {};
}

// Keys ending in "." are followed by a name of the setting's own.
bool matches(const ProfileKey& entry, const std::string& key) {
    const std::string name = entry.key;
    if (name.back() == '.')
        return key.size() > name.size() && key.compare(0, name.size(), name) == 0;
    return key == name;
}

} // namespace

// clang-format off
const std::vector<ProfileKey>& profileKeys() {
    // Every key a profile may hold, one a line, in the order the help lists them.
    static const std::vector<ProfileKey> keys{
        {"preset", "<name>", "start from a preset (--list-presets)", setPreset},
        {"name", "<text>", "the profile's name in reports", setText},
        {"description", "<text>", "a line about the machine", setText},
        {"windows", "<major.minor.build>", "the Windows version, e.g. 6.1.7601", setWindows},
        {"architecture", "<x86|x64|arm64>", "the processor architecture of that Windows", setArchitecture},
        {"service_pack", "<major[.minor]>", "its service pack, e.g. 1 or 3.0", setServicePack},
        {"user_language", "<LANGID|code>", "the user's default language (0x0C00: a custom locale)", setLanguage},
        {"system_language", "<LANGID|code>", "the system's default language", setLanguage},
        {"custom_locale_language", "<LANGID|code>", "the language Windows names for a custom locale", setLanguage},
        {"keyboards", "<layout,...>", "the keyboard layouts, e.g. 0x04220422,0x04090409", setKeyboards},
        {"currency", "<symbol|none>", "the user's currency symbol", setCurrency},
        {"country_code", "<code|none>", "the user's country (dialling) code, e.g. 380", setCountryCode},
        {"geo_id", "<GeoID>", "the user's location, e.g. 241", setGeoId},
        {"ansi_code_page", "<code page|auto>", "text without a byte-order mark is read in it (auto: the system language's, e.g. 1251)", setAnsiCodePage},
        {"msi_runtime", "<version|none>", "msi.dll's product version (none: unreadable)", setMsiRuntime},
        {"runtime_setup", "<runs|fails>", "whether instmsi30.exe can be started", setRuntimeSetup},
        {"runtime_after_setup", "<version|none>", "msi.dll's version after instmsi30.exe ran", setRuntimeAfterSetup},
        {"installed.", "<ProductCode>=<version>[,<package code>]|none", "a product installed in a version (from that package)", setInstalled},
        {"package_product_code", "<code>", "the package's ProductCode", setPackageField},
        {"package_version", "<version>", "the package's ProductVersion", setPackageField},
        {"package_code", "<code>", "the package code", setPackageField},
        {"package_key_file", "<version|none>", "the key file's version (none: no such File row)", setPackageField},
        {"installer_result", "<number>", "what MsiInstallProductW answers", setInstallerResult},
        {"map.", "<X:\\folder>=<host folder>", "a further Windows folder on a host folder", setMount},
    };
    return keys;
}
// clang-format on

std::string profileKeysHelp() {
    std::string text;
    for (const ProfileKey& k : profileKeys()) {
        std::string left =
            std::string("  ") + k.key + (std::string(k.key).back() == '.' ? "" : "=") + k.value;
        text += padded(left, 40) + k.help + "\n";
    }
    return text;
}

Status applySetting(Profile& profile, const std::string& rawKey, const std::string& rawValue) {
    const std::string key = trim(rawKey);
    const std::string value = trim(rawValue);
    for (const ProfileKey& entry : profileKeys())
        if (matches(entry, key))
            return entry.apply(profile, key, value);
    return Failure{key + ": no such profile setting"};
}

} // namespace setupcheck
