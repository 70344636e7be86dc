#include "tools/setup_check/run/identity.h"

#include "tools/setup_check/basics/text.h"

#include <optional>

namespace setupcheck {

namespace {

IdentityValue pick(const std::optional<std::u16string>& profile,
                   const std::optional<std::string>& package, bool packageRead,
                   const std::u16string& setupIni) {
    if (profile)
        return {utf8(*profile), true, IdentitySource::Profile, {}};
    if (packageRead)
        return {package.value_or(""), package.has_value(), IdentitySource::Package, {}};
    return {utf8(setupIni), true, IdentitySource::SetupIni, {}};
}

} // namespace

const char* sourceName(IdentitySource source) {
    static const char* const names[] = {"package", "profile", "Setup.ini", "assumed"};
    return names[static_cast<int>(source)];
}

std::string sourceText(const IdentityValue& value) {
    const std::string source = sourceName(value.source);
    return value.via.empty() ? source : source + " + " + value.via;
}

PackageIdentity identifyPackage(const PackageFacts& facts, const Profile& profile,
                                const StatedIdentity& stated) {
    PackageIdentity id;
    id.facts = facts;
    const bool read = facts.status == ReadStatus::read;
    id.productCode = pick(profile.packageProductCode, facts.productCode, read, stated.productCode);
    id.productVersion =
        pick(profile.packageVersion, facts.productVersion, read, stated.productVersion);
    id.packageCode =
        pick(profile.packageCode,
             read ? std::optional<std::string>(facts.packageCode) : std::nullopt, read, u"");
    if (id.packageCode.source == IdentitySource::SetupIni)
        id.packageCode = {"", false, IdentitySource::Assumed, {}};
    // Without the package, the key file stands in with the product's version, as it usually is.
    id.keyFileVersion = pick(profile.packageKeyFileVersion, facts.keyFileVersion, read,
                             utf16(id.productVersion.value));
    if (id.keyFileVersion.source == IdentitySource::SetupIni)
        id.keyFileVersion.source = IdentitySource::Assumed;
    if (!profile.packageHasKeyFile)
        id.keyFileVersion = {"", false, IdentitySource::Profile, {}};
    return id;
}

} // namespace setupcheck
