#include "tools/setup_check/machine/profile_show.h"

#include "tools/setup_check/basics/text.h"

namespace setupcheck {

namespace {

std::string noneOr(const std::optional<std::u16string>& value) {
    return value ? utf8(*value) : "none";
}

void machine(const Profile& p, std::vector<ProfileSetting>& out) {
    const platform::OsVersion& w = p.windows;
    out.push_back({"windows", std::to_string(w.major) + "." + std::to_string(w.minor) + "." +
                                  std::to_string(w.build)});
    out.push_back({"architecture", architectureName(p.architecture)});
    out.push_back({"service_pack",
                   std::to_string(w.servicePackMajor) + "." + std::to_string(w.servicePackMinor)});
    out.push_back({"user_language", languageText(p.userLanguage)});
    out.push_back({"system_language", languageText(p.systemLanguage)});
    out.push_back({"custom_locale_language", languageText(p.customLocaleLanguage)});
    std::string keyboards;
    for (std::uintptr_t layout : p.keyboards)
        keyboards += (keyboards.empty() ? "" : ",") + hexText(std::uint32_t(layout), 8);
    out.push_back({"keyboards", keyboards});
    out.push_back({"currency", noneOr(p.currency)});
    out.push_back({"country_code", p.countryCode ? std::to_string(*p.countryCode) : "none"});
    out.push_back({"geo_id", std::to_string(p.geoId)});
    out.push_back(
        {"ansi_code_page", p.ansiCodePage ? std::to_string(*p.ansiCodePage) : std::string("auto")});
}

void installer(const Profile& p, std::vector<ProfileSetting>& out) {
    out.push_back({"msi_runtime", noneOr(p.msiRuntime)});
    out.push_back({"runtime_setup", p.runtimeSetupStarts ? "runs" : "fails"});
    out.push_back({"runtime_after_setup", noneOr(p.runtimeAfterSetup)});
    for (const auto& [code, version] : p.installed) {
        const auto packageCode = p.installedPackageCodes.find(code);
        out.push_back({"installed." + utf8(code),
                       utf8(version) + (packageCode == p.installedPackageCodes.end()
                                            ? std::string()
                                            : "," + utf8(packageCode->second))});
    }
    const std::pair<const char*, const std::optional<std::u16string>*> package[] = {
        {"package_product_code", &p.packageProductCode},
        {"package_version", &p.packageVersion},
        {"package_code", &p.packageCode},
    };
    for (const auto& [key, value] : package)
        if (*value)
            out.push_back({key, utf8(**value)});
    if (!p.packageHasKeyFile)
        out.push_back({"package_key_file", "none"});
    else if (p.packageKeyFileVersion)
        out.push_back({"package_key_file", utf8(*p.packageKeyFileVersion)});
    if (p.installerResult)
        out.push_back({"installer_result", std::to_string(*p.installerResult)});
    for (const auto& [folder, host] : p.mounts)
        out.push_back({"map." + utf8(folder), host});
}

} // namespace

std::vector<ProfileSetting> profileSettings(const Profile& p) {
    std::vector<ProfileSetting> out{{"name", p.name}};
    if (!p.description.empty())
        out.push_back({"description", p.description});
    machine(p, out);
    installer(p, out);
    return out;
}

std::string profileFileText(const Profile& profile) {
    std::string text;
    for (const auto& [key, value] : profileSettings(profile))
        text += key + "=" + value + "\n";
    return text;
}

} // namespace setupcheck
