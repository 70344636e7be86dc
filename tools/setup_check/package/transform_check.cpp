#include "tools/setup_check/package/transform_check.h"

#include "platform/wtext.h"
#include "sysreq/version.h"

namespace setupcheck {

namespace {

constexpr std::uint32_t validateLanguage = 0x1;
constexpr std::uint32_t validateProduct = 0x2;
constexpr std::uint32_t validatePlatform = 0x4;
constexpr std::uint32_t validateMajor = 0x8;
constexpr std::uint32_t validateMinor = 0x10;
constexpr std::uint32_t validateUpdate = 0x20;
constexpr std::uint32_t validateNewLess = 0x40;
constexpr std::uint32_t validateNewLessEqual = 0x80;
constexpr std::uint32_t validateNewEqual = 0x100;
constexpr std::uint32_t validateNewGreaterEqual = 0x200;
constexpr std::uint32_t validateNewGreater = 0x400;
constexpr std::uint32_t validateUpgradeCode = 0x800;

// The version relations, in flag order: the package's version against the transform's.
struct Relation {
    std::uint32_t flag;
    const char* words;
    bool (*holds)(int comparison);
};
const Relation relations[] = {
    {validateNewLess, "an older version", [](int c) { return c < 0; }},
    {validateNewLessEqual, "an older or the same version", [](int c) { return c <= 0; }},
    {validateNewEqual, "an exact version match", [](int c) { return c == 0; }},
    {validateNewGreaterEqual, "the same or a newer version", [](int c) { return c >= 0; }},
    {validateNewGreater, "a newer version", [](int c) { return c > 0; }},
};

// Every validation flag by the name the report gives it.
const std::pair<std::uint32_t, const char*> validationFlagNames[] = {
    {validateLanguage, "language"},
    {validateProduct, "product"},
    {validatePlatform, "platform"},
    {validateMajor, "major_version"},
    {validateMinor, "minor_version"},
    {validateUpdate, "update_version"},
    {validateNewLess, "new_less_base_version"},
    {validateNewLessEqual, "new_less_equal_base_version"},
    {validateNewEqual, "new_equal_base_version"},
    {validateNewGreaterEqual, "new_greater_equal_base_version"},
    {validateNewGreater, "new_greater_base_version"},
    {validateUpgradeCode, "upgrade_code"},
};

// The error conditions a transform may pass over, by the report's names.
const std::pair<std::uint32_t, const char*> errorConditionFlagNames[] = {
    {0x1, "add_existing_row"},     {0x2, "delete_missing_row"},  {0x4, "add_existing_table"},
    {0x8, "delete_missing_table"}, {0x10, "update_missing_row"}, {0x20, "change_code_page"},
};

std::pair<std::string, std::string> split(const std::string& text, char separator) {
    const std::size_t at = text.find(separator);
    if (at == std::string::npos)
        return {text, ""};
    return {text.substr(0, at), text.substr(at + 1)};
}

// "{GUID}1.2.3" as the code and the version.
void codeAndVersion(const std::string& text, std::string& code, std::string& version) {
    const std::size_t close = text.find('}');
    code = close == std::string::npos ? text : text.substr(0, close + 1);
    version = close == std::string::npos ? "" : text.substr(close + 1);
}

bool sameCode(const std::string& a, const std::string& b) {
    return wtext::equalsNoCaseAscii(wtext::fromUtf8(a), wtext::fromUtf8(b));
}

// The package's default language: ProductLanguage, else the first of its template's.
std::string packageLanguage(const PackageFacts& package) {
    if (package.productLanguage)
        return *package.productLanguage;
    return split(split(package.templateText, ';').second, ',').first;
}

// The package's version against the transform's, on as many components as the flags ask.
int compareVersionParts(const std::string& packageVersion, const std::string& madeFor,
                        std::uint32_t flags) {
    VersionQuad a = parseVersion(wtext::fromUtf8(packageVersion));
    VersionQuad b = parseVersion(wtext::fromUtf8(madeFor));
    const int parts = (flags & validateUpdate) ? 3 : (flags & validateMinor) ? 2 : 1;
    if (parts < 3)
        a.build = b.build = -1;
    if (parts < 2)
        a.minor = b.minor = -1;
    a.revision = b.revision = -1;
    return compareVersions(a, b);
}

std::string versionFailure(const std::string& name, const TransformTarget& target,
                           const PackageFacts& package) {
    const std::uint32_t parts = validateMajor | validateMinor | validateUpdate;
    if (!(target.validation & parts))
        return {};
    const std::string version = package.productVersion.value_or("");
    const int comparison = compareVersionParts(version, target.productVersion, target.validation);
    for (const Relation& relation : relations) {
        if (!(target.validation & relation.flag) || relation.holds(comparison))
            continue;
        return name + " was made for ProductVersion " + target.productVersion +
               "; the package is " + version + " and the transform asks for " + relation.words;
    }
    return {};
}

} // namespace

std::vector<std::string> validationNames(std::uint32_t flags) {
    std::vector<std::string> names;
    for (const auto& [flag, name] : validationFlagNames)
        if (flags & flag)
            names.push_back(name);
    return names;
}

std::vector<std::string> errorConditionNames(std::uint32_t flags) {
    std::vector<std::string> names;
    for (const auto& [flag, name] : errorConditionFlagNames)
        if (flags & flag)
            names.push_back(name);
    return names;
}

TransformTarget transformTarget(const TransformFacts& transform) {
    TransformTarget target;
    const auto [from, rest] = split(transform.revision, ';');
    const auto [to, upgrade] = split(rest, ';');
    target.wellFormed = !from.empty() && !to.empty() && rest.find(';') != std::string::npos;
    codeAndVersion(from, target.productCode, target.productVersion);
    target.upgradeCode = upgrade;
    const auto [platform, language] = split(transform.templateText, ';');
    target.platform = platform;
    target.language = language;
    target.validation = transform.characters >> 16;
    return target;
}

std::vector<std::string> validationFailures(const std::string& name,
                                            const TransformFacts& transform,
                                            const PackageFacts& package) {
    const TransformTarget t = transformTarget(transform);
    std::vector<std::string> failures;
    auto check = [&](std::uint32_t flag, const char* what, const std::string& madeFor,
                     const std::string& is, bool codes) {
        const bool same = codes ? sameCode(madeFor, is) : madeFor == is;
        if ((t.validation & flag) && !same)
            failures.push_back(name + " was made for " + what + " " + madeFor +
                               "; the package's is " + is +
                               " and the transform asks the installer to check it");
    };
    check(validateProduct, "ProductCode", t.productCode, package.productCode.value_or(""), true);
    check(validateUpgradeCode, "UpgradeCode", t.upgradeCode, package.upgradeCode.value_or(""),
          true);
    check(validateLanguage, "language", t.language, packageLanguage(package), false);
    check(validatePlatform, "platform", t.platform, split(package.templateText, ';').first, false);
    if (std::string version = versionFailure(name, t, package); !version.empty())
        failures.push_back(version);
    return failures;
}

} // namespace setupcheck
