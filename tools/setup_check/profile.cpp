#include "tools/setup_check/profile.h"

#include "locale/language.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_msi.h"
#include "platform/wtext.h"
#include "sysreq/version.h"

#include <fstream>
#include <sstream>

namespace {

std::string trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    std::size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool parseNumber(const std::string& text, std::uint64_t& value) {
    std::string t = trim(text);
    if (t.empty())
        return false;
    int base = 10;
    std::size_t start = 0;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        start = 2;
    }
    value = 0;
    for (std::size_t i = start; i < t.size(); ++i) {
        char c = t[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * base + digit;
        if (value > 0xFFFFFFFFull)
            return false;
    }
    return true;
}

// 0x0419, 1049, or a language code of the launcher's option /l (ru, uk, ...).
bool parseLanguage(const std::string& text, std::uint16_t& id) {
    std::uint64_t n = 0;
    if (parseNumber(text, n) && n <= 0xFFFF) {
        id = static_cast<std::uint16_t>(n);
        return true;
    }
    std::uint32_t fromCode = languageIdFromCode(wtext::fromUtf8(trim(text)), 0);
    if (fromCode == 0x0400)
        return false;
    id = static_cast<std::uint16_t>(fromCode);
    return true;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        if (!trim(part).empty())
            parts.push_back(trim(part));
    return parts;
}

bool isNone(const std::string& value) {
    return value == "none" || value.empty();
}

std::pair<std::uint32_t, std::uint32_t> dllVersion(const std::u16string& text) {
    VersionQuad v = parseVersion(text);
    auto part = [](std::int32_t c) { return static_cast<std::uint32_t>(c < 0 ? 0 : c) & 0xFFFF; };
    return {(part(v.major) << 16) | part(v.minor), (part(v.build) << 16) | part(v.revision)};
}

struct Preset {
    const char* name;
    const char* settings; // profile text
};

// Machines a publisher meets most. Region settings are those Windows sets for the language.
const Preset presets[] = {
    {"winxp-sp3-en", "description=Windows XP SP3, English (United States)\n"
                     "windows=5.1.2600\nservice_pack=3\n"
                     "user_language=0x0409\nsystem_language=0x0409\nkeyboards=0x04090409\n"
                     "currency=$\ncountry_code=1\ngeo_id=244\nmsi_runtime=3.1.4001.5512\n"},
    {"win7-sp1-ru", "description=Windows 7 SP1, Russian\n"
                    "windows=6.1.7601\nservice_pack=1\n"
                    "user_language=0x0419\nsystem_language=0x0419\n"
                    "keyboards=0x04190419,0x04090409\n"
                    "currency=\xD1\x80.\ncountry_code=7\ngeo_id=203\nmsi_runtime=5.0.7601.17514\n"},
    {"win7-sp1-uk", "description=Windows 7 SP1, Ukrainian\n"
                    "windows=6.1.7601\nservice_pack=1\n"
                    "user_language=0x0422\nsystem_language=0x0422\n"
                    "keyboards=0x04220422,0x04190419,0x04090409\n"
                    "currency=\xE2\x82\xB4\ncountry_code=380\ngeo_id=241\n"
                    "msi_runtime=5.0.7601.17514\n"},
    {"win10-uk", "description=Windows 10 22H2, Ukrainian\n"
                 "windows=10.0.19045\nservice_pack=0\n"
                 "user_language=0x0422\nsystem_language=0x0422\nkeyboards=0x04220422,0x04090409\n"
                 "currency=\xE2\x82\xB4\ncountry_code=380\ngeo_id=241\nmsi_runtime=5.0.19041.1\n"},
    {"win10-ru", "description=Windows 10 22H2, Russian\n"
                 "windows=10.0.19045\nservice_pack=0\n"
                 "user_language=0x0419\nsystem_language=0x0419\nkeyboards=0x04190419,0x04090409\n"
                 "currency=\xE2\x82\xBD\ncountry_code=7\ngeo_id=203\nmsi_runtime=5.0.19041.1\n"},
    {"win10-en", "description=Windows 10 22H2, English (United States)\n"
                 "windows=10.0.19045\nservice_pack=0\n"
                 "user_language=0x0409\nsystem_language=0x0409\nkeyboards=0x04090409\n"
                 "currency=$\ncountry_code=1\ngeo_id=244\nmsi_runtime=5.0.19041.1\n"},
};

} // namespace

std::vector<std::string> presetNames() {
    std::vector<std::string> names;
    for (const Preset& p : presets)
        names.push_back(p.name);
    return names;
}

bool preset(const std::string& name, Profile& profile) {
    for (const Preset& p : presets) {
        if (name != p.name)
            continue;
        Profile fresh;
        std::string error;
        applyProfileText(fresh, p.settings, name, error);
        fresh.name = name;
        profile = fresh;
        return true;
    }
    return false;
}

bool applySetting(Profile& profile, const std::string& rawKey, const std::string& rawValue,
                  std::string& error) {
    const std::string key = trim(rawKey);
    const std::string value = trim(rawValue);
    auto bad = [&](const char* what) {
        error = key + "=" + value + ": " + what;
        return false;
    };
    std::uint64_t n = 0;
    if (key == "preset") {
        Profile fresh;
        if (!preset(value, fresh))
            return bad("no such preset");
        // A profile built on a preset keeps its own name.
        fresh.name = profile.name;
        profile = fresh;
    } else if (key == "name") {
        profile.name = value;
    } else if (key == "description") {
        profile.description = value;
    } else if (key == "windows") {
        VersionQuad v = parseVersion(wtext::fromUtf8(value));
        if (v.major < 0 || v.minor < 0)
            return bad("expected major.minor[.build], e.g. 6.1.7601");
        profile.windows.major = std::uint32_t(v.major);
        profile.windows.minor = std::uint32_t(v.minor);
        profile.windows.build = std::uint32_t(v.build < 0 ? 0 : v.build);
    } else if (key == "service_pack") {
        VersionQuad v = parseVersion(wtext::fromUtf8(value));
        if (v.major < 0 || v.major > 0xFFFF || v.minor > 0xFFFF)
            return bad("expected major[.minor], e.g. 1 or 3.0");
        profile.windows.servicePackMajor = std::uint16_t(v.major);
        profile.windows.servicePackMinor = std::uint16_t(v.minor < 0 ? 0 : v.minor);
    } else if (key == "user_language" || key == "system_language" ||
               key == "custom_locale_language") {
        std::uint16_t id = 0;
        if (!parseLanguage(value, id))
            return bad("expected a LANGID (0x0419, 1049) or a code (ru)");
        (key == "user_language"     ? profile.userLanguage
         : key == "system_language" ? profile.systemLanguage
                                    : profile.customLocaleLanguage) = id;
    } else if (key == "keyboards") {
        std::vector<std::uintptr_t> layouts;
        for (const std::string& part : split(value, ',')) {
            if (!parseNumber(part, n))
                return bad("expected a list of layouts, e.g. 0x04220422,0x04090409");
            layouts.push_back(std::uintptr_t(n));
        }
        profile.keyboards = layouts;
    } else if (key == "currency") {
        if (value == "none")
            profile.currency.reset();
        else
            profile.currency = wtext::fromUtf8(value);
    } else if (key == "country_code") {
        if (value == "none")
            profile.countryCode.reset();
        else if (parseNumber(value, n))
            profile.countryCode = std::uint32_t(n);
        else
            return bad("expected a dialling code (380) or none");
    } else if (key == "geo_id") {
        if (!parseNumber(value, n))
            return bad("expected a GeoID (241)");
        profile.geoId = std::int32_t(n);
    } else if (key == "msi_runtime") {
        if (isNone(value))
            profile.msiRuntime.reset();
        else if (parseVersion(wtext::fromUtf8(value)).major < 0)
            return bad("expected a version (5.0.7601.17514) or none");
        else
            profile.msiRuntime = wtext::fromUtf8(value);
    } else if (key == "runtime_setup") {
        if (value == "runs")
            profile.runtimeSetupStarts = true;
        else if (value == "fails")
            profile.runtimeSetupStarts = false;
        else
            return bad("expected runs or fails");
    } else if (key == "runtime_after_setup") {
        if (isNone(value))
            profile.runtimeAfterSetup.reset();
        else
            profile.runtimeAfterSetup = wtext::fromUtf8(value);
    } else if (key.rfind("installed.", 0) == 0 && key.size() > 10) {
        if (value == "none")
            profile.installed.erase(wtext::fromUtf8(key.substr(10)));
        else
            profile.installed[wtext::fromUtf8(key.substr(10))] = wtext::fromUtf8(value);
    } else if (key == "package_product_code") {
        profile.packageProductCode = wtext::fromUtf8(value);
    } else if (key == "package_version") {
        profile.packageVersion = wtext::fromUtf8(value);
    } else if (key == "package_code") {
        profile.packageCode = wtext::fromUtf8(value);
    } else if (key == "package_key_file") {
        profile.packageHasKeyFile = value != "none";
        if (profile.packageHasKeyFile)
            profile.packageKeyFileVersion = wtext::fromUtf8(value);
    } else if (key == "installer_result") {
        if (!parseNumber(value, n))
            return bad("expected a number (0, 1603, 3010)");
        profile.installerResult = std::uint32_t(n);
    } else if (key.rfind("map.", 0) == 0 && key.size() > 4) {
        profile.mounts.emplace_back(wtext::fromUtf8(key.substr(4)), value);
    } else {
        error = key + ": no such profile setting";
        return false;
    }
    return true;
}

bool applyProfileText(Profile& profile, const std::string& text, const std::string& fileName,
                      std::string& error) {
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string t = trim(line);
        if (t.empty() || t[0] == '#' || t[0] == ';')
            continue;
        std::size_t eq = t.find('=');
        std::string problem;
        if (eq == std::string::npos)
            problem = "expected key=value";
        else if (!applySetting(profile, t.substr(0, eq), t.substr(eq + 1), problem))
            ;
        else
            continue;
        error = fileName + ":" + std::to_string(number) + ": " + problem;
        return false;
    }
    return true;
}

bool loadProfile(const std::string& nameOrPath, Profile& profile, std::string& error) {
    if (preset(nameOrPath, profile))
        return true;
    std::ifstream in(nameOrPath, std::ios::binary);
    if (!in) {
        error = nameOrPath + ": neither a preset nor a readable profile file";
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    Profile loaded;
    std::string base = nameOrPath.substr(nameOrPath.find_last_of("/\\") + 1);
    loaded.name = base.substr(0, base.rfind('.'));
    if (!applyProfileText(loaded, text.str(), nameOrPath, error))
        return false;
    profile = loaded;
    return true;
}

std::string windowsText(const platform::OsVersion& v) {
    std::string text = "Windows " + std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
                       std::to_string(v.build);
    if (v.servicePackMajor || v.servicePackMinor) {
        text += " SP" + std::to_string(v.servicePackMajor);
        if (v.servicePackMinor)
            text += "." + std::to_string(v.servicePackMinor);
    }
    return text;
}

std::string languageText(std::uint32_t languageId) {
    return wtext::toUtf8(wtext::formatHex04(languageId));
}

void applyToMachine(const Profile& profile) {
    auto& m = sim::machine();
    m.version = profile.windows;
    m.userLangId = profile.userLanguage;
    m.systemLangId = profile.systemLanguage;
    m.customLocaleValue = profile.customLocaleLanguage;
    m.keyboardLayouts = profile.keyboards;
    m.currency = profile.currency;
    m.userCountryCode = profile.countryCode;
    m.geoId = profile.geoId;
    // LOCALE_ICOUNTRY of the keyboard languages a profile is likely to list.
    const std::pair<std::uint16_t, std::uint32_t> countries[] = {
        {0x0402, 359}, {0x0407, 49},  {0x0409, 1},   {0x040C, 33}, {0x040E, 36},
        {0x0415, 48},  {0x0418, 40},  {0x0419, 7},   {0x041F, 90}, {0x0422, 380},
        {0x0423, 375}, {0x0426, 371}, {0x0427, 370}, {0x042A, 84}, {0x042C, 994},
        {0x0437, 995}, {0x043F, 7},   {0x0804, 86},  {0x0809, 44}};
    for (const auto& [language, code] : countries)
        m.countryCodeOfLanguage[language] = code;

    if (profile.msiRuntime)
        m.dllProductVersions[u"msi.dll"] = dllVersion(*profile.msiRuntime);
    else
        m.dllProductVersions.erase(u"msi.dll");
    m.processCreationSucceeds = profile.runtimeSetupStarts;
    if (profile.runtimeAfterSetup) {
        std::pair<std::uint32_t, std::uint32_t> after = dllVersion(*profile.runtimeAfterSetup);
        m.onProcessRun = [after](const std::u16string&) {
            sim::machine().dllProductVersions[u"msi.dll"] = after;
        };
    }
    for (const auto& [code, version] : profile.installed)
        sim::msi().products[code] = sim::InstalledProduct{version, u"C:\\Program Files\\Product"};
    for (const auto& [folder, host] : profile.mounts)
        sim::mount(folder, host);
}
