#include "tools/setup_check/machine/profile.h"

#include "locale/language.h"
#include "locale/language_table.h"
#include "platform/sim/sim.h"
#include "platform/wtext.h"
#include "sysreq/version.h"
#include "tools/setup_check/machine/profile_text.h"

#include <fstream>
#include <sstream>

namespace setupcheck {

namespace {

struct Preset {
    const char* name;
    const char* settings; // profile text
};

// Machines a publisher meets most. Region settings are those Windows sets for the language.
const Preset presets[] = {
    {"winxp-sp3-en", "description=Windows XP SP3, English (United States)\n"
                     "windows=5.1.2600\nservice_pack=3\narchitecture=x86\n"
                     "user_language=0x0409\nsystem_language=0x0409\nkeyboards=0x04090409\n"
                     "currency=$\ncountry_code=1\ngeo_id=244\nmsi_runtime=3.1.4001.5512\n"},
    {"win7-sp1-ru", "description=Windows 7 SP1, Russian\n"
                    "windows=6.1.7601\nservice_pack=1\narchitecture=x64\n"
                    "user_language=0x0419\nsystem_language=0x0419\n"
                    "keyboards=0x04190419,0x04090409\n"
                    "currency=\xD1\x80.\ncountry_code=7\ngeo_id=203\nmsi_runtime=5.0.7601.17514\n"},
    {"win7-sp1-uk", "description=Windows 7 SP1, Ukrainian\n"
                    "windows=6.1.7601\nservice_pack=1\narchitecture=x64\n"
                    "user_language=0x0422\nsystem_language=0x0422\n"
                    "keyboards=0x04220422,0x04190419,0x04090409\n"
                    "currency=\xE2\x82\xB4\ncountry_code=380\ngeo_id=241\n"
                    "msi_runtime=5.0.7601.17514\n"},
    {"win10-uk", "description=Windows 10 22H2, Ukrainian\n"
                 "windows=10.0.19045\nservice_pack=0\narchitecture=x64\n"
                 "user_language=0x0422\nsystem_language=0x0422\nkeyboards=0x04220422,0x04090409\n"
                 "currency=\xE2\x82\xB4\ncountry_code=380\ngeo_id=241\nmsi_runtime=5.0.19041.1\n"},
    {"win10-ru", "description=Windows 10 22H2, Russian\n"
                 "windows=10.0.19045\nservice_pack=0\narchitecture=x64\n"
                 "user_language=0x0419\nsystem_language=0x0419\nkeyboards=0x04190419,0x04090409\n"
                 "currency=\xE2\x82\xBD\ncountry_code=7\ngeo_id=203\nmsi_runtime=5.0.19041.1\n"},
    {"win10-en", "description=Windows 10 22H2, English (United States)\n"
                 "windows=10.0.19045\nservice_pack=0\narchitecture=x64\n"
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

std::optional<Profile> preset(const std::string& name) {
    for (const Preset& p : presets) {
        if (name != p.name)
            continue;
        Profile fresh;
        // The presets' own texts are pinned by the tests; none of their lines is refused.
        (void)applyProfileText(fresh, p.settings, name);
        fresh.name = name;
        return fresh;
    }
    return std::nullopt;
}

Status applyProfileText(Profile& profile, const std::string& text, const std::string& fileName) {
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string t = trim(line);
        if (t.empty() || t[0] == '#' || t[0] == ';')
            continue;
        std::size_t eq = t.find('=');
        const Status applied = eq == std::string::npos
                                   ? Status(Failure{"expected key=value"})
                                   : applySetting(profile, t.substr(0, eq), t.substr(eq + 1));
        if (!applied)
            return Failure{fileName + ":" + std::to_string(number) + ": " + applied.reason()};
    }
    return {};
}

Result<Profile> loadProfile(const std::string& nameOrPath) {
    if (std::optional<Profile> named = preset(nameOrPath))
        return *named;
    std::ifstream in(nameOrPath, std::ios::binary);
    if (!in)
        return Failure{nameOrPath + ": neither a preset nor a readable profile file"};
    std::stringstream text;
    text << in.rdbuf();
    Profile loaded;
    std::string base = nameOrPath.substr(nameOrPath.find_last_of("/\\") + 1);
    loaded.name = base.substr(0, base.rfind('.'));
    if (Status applied = applyProfileText(loaded, text.str(), nameOrPath); !applied)
        return Failure{applied.reason()};
    return loaded;
}

const char* architectureName(Architecture architecture) {
    static const char* const names[] = {"x86", "x64", "arm64"};
    return names[static_cast<int>(architecture)];
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

std::string languageWithName(std::uint32_t languageId) {
    const LanguageRow* row = languageRow(languageId & 0xFFFF);
    return std::to_string(languageId) + " (" + languageText(languageId) +
           (row ? std::string(", ") + row->englishName : std::string()) + ")";
}

std::uint32_t ansiCodePageOf(const Profile& profile) {
    if (profile.ansiCodePage)
        return *profile.ansiCodePage;
    const LanguageRow* row = languageRow(profile.systemLanguage);
    return row && row->ansiCodePage ? row->ansiCodePage : sim::Machine{}.ansiCodePage;
}

} // namespace setupcheck
