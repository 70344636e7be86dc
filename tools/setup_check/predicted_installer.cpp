#include "tools/setup_check/predicted_installer.h"

#include "config/ini_file.h"
#include "installer/msi_package.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_msi.h"
#include "platform/wtext.h"
#include "setup/property_string.h"
#include "sysreq/version.h"
#include "tools/setup_check/installer_properties.h"
#include "tools/setup_check/text.h"
#include "tools/setup_check/transform_check.h"

#include <map>
#include <optional>

namespace {

constexpr std::uint32_t packageMissing = 1619; // ERROR_INSTALL_PACKAGE_OPEN_FAILED
constexpr std::uint32_t packageInvalid = 1620; // ERROR_INSTALL_PACKAGE_INVALID
// ERROR_PRODUCT_VERSION: the installer installs no package over another version of the product
// installed under the same ProductCode, unless the command line asks for a reinstallation.
constexpr std::uint32_t productVersion = 1638;
constexpr char16_t reinstall[] = u"REINSTALL";

// The profile's value when it sets one, else the package's, else Setup.ini's.
IdentityValue pick(const std::optional<std::u16string>& profile,
                   const std::optional<std::string>& package, bool packageRead,
                   const std::u16string& setupIni) {
    if (profile)
        return {utf8(*profile), true, IdentitySource::Profile};
    if (packageRead)
        return {package.value_or(""), package.has_value(), IdentitySource::Package};
    return {utf8(setupIni), true, IdentitySource::SetupIni};
}

} // namespace

PackageIdentity identifyPackage(const PackageFacts& facts, const Profile& profile,
                                const std::u16string& statedCode,
                                const std::u16string& statedVersion) {
    PackageIdentity id;
    id.facts = facts;
    const bool read = facts.status == ReadStatus::read;
    id.productCode = pick(profile.packageProductCode, facts.productCode, read, statedCode);
    id.productVersion = pick(profile.packageVersion, facts.productVersion, read, statedVersion);
    id.packageCode =
        pick(profile.packageCode,
             read ? std::optional<std::string>(facts.packageCode) : std::nullopt, read, u"");
    if (id.packageCode.source == IdentitySource::SetupIni)
        id.packageCode = {"", false, IdentitySource::Assumed};
    // Without the package, the key file stands in with the product's version, as it usually is.
    id.keyFileVersion = pick(profile.packageKeyFileVersion, facts.keyFileVersion, read,
                             utf16(id.productVersion.value));
    if (id.keyFileVersion.source == IdentitySource::SetupIni)
        id.keyFileVersion.source = IdentitySource::Assumed;
    if (!profile.packageHasKeyFile)
        id.keyFileVersion = {"", false, IdentitySource::Profile};
    return id;
}

namespace {

sim::MsiPackageData scripted(const PackageIdentity& id) {
    sim::MsiPackageData data =
        sim::samplePackage(utf16(id.productCode.value), utf16(id.productVersion.value), keyFileName,
                           utf16(id.keyFileVersion.value));
    if (!id.keyFileVersion.present)
        data.fileVersions.clear();
    if (!id.productCode.present)
        data.properties.erase(u"ProductCode");
    if (!id.productVersion.present)
        data.properties.erase(u"ProductVersion");
    data.summary[msi::pidRevisionNumber] =
        sim::SummaryValue{msi::vtLpstr, 0, utf16(id.packageCode.value)};
    for (const std::string& storage : id.facts.storages)
        data.embeddedTransforms.insert(utf16(storage));
    return data;
}

// Whether the language transform handed over fails to apply: it cannot be read as a
// transform, or the package fails a validation it asks for.
bool languageTransformFails(const std::u16string& setupDir, const TransformsDecision& t,
                            const PackageFacts& package) {
    if (!t.languageTransformFound)
        return false;
    const auto host = sim::hostFileOf(setupDir + t.languageTransform);
    if (!host)
        return false;
    const TransformFacts transform = readTransform(*host);
    return transform.status != ReadStatus::read || !transformTarget(transform).wellFormed ||
           !validationFailures(utf8(t.languageTransform), transform, package).empty();
}

// 1624 when a transform handed over does not apply: an instance transform the package does not
// store, or a language transform that fails. Only a package that was read can tell.
bool transformFails(const std::u16string& setupDir, const DecisionRecord& record,
                    const PackageIdentity& id) {
    if (id.facts.status != ReadStatus::read)
        return false;
    const std::u16string& instance = record.transforms.instanceTransform;
    if (!instance.empty()) {
        const std::string storage = utf8(instanceTransformStorage(instance));
        bool stored = false;
        for (const std::string& name : id.facts.storages)
            stored = stored || name == storage;
        if (!stored)
            return true;
    }
    return languageTransformFails(setupDir, record.transforms, id.facts);
}

// The installer compares the first three fields of a ProductVersion; a missing one counts as 0.
bool sameVersion(const std::u16string& a, const std::u16string& b) {
    const VersionQuad va = parseVersion(a), vb = parseVersion(b);
    if (va.major < 0 || vb.major < 0)
        return a == b;
    const auto field = [](std::int32_t f) { return f < 0 ? 0 : f; };
    return va.major == vb.major && field(va.minor) == field(vb.minor) &&
           field(va.build) == field(vb.build);
}

// The version installed under the package's ProductCode when it is another than the package's.
std::optional<std::u16string>
otherVersionInstalled(const std::map<std::u16string, std::u16string>& installed,
                      const PackageIdentity& id) {
    if (!id.productCode.present || !id.productVersion.present)
        return std::nullopt;
    for (const auto& [code, version] : installed)
        if (wtext::equalsNoCaseAscii(code, utf16(id.productCode.value)) &&
            !sameVersion(version, utf16(id.productVersion.value)))
            return version;
    return std::nullopt;
}

} // namespace

const char* sourceName(IdentitySource source) {
    static const char* const names[] = {"package", "profile", "Setup.ini", "assumed"};
    return names[static_cast<int>(source)];
}

void predictInstaller(const Profile& profile, const std::u16string& setupDir,
                      PackageIdentity& identity, const DecisionRecord& record,
                      InstallerVerdict& verdict) {
    IniFile settings;
    settings.load(setupDir + u"Setup.ini");
    const IniSection startup = settings.getSection(u"Startup");
    sim::msi().onOpen = [&identity, profile, startup](
                            const std::u16string& path) -> std::optional<sim::MsiPackageData> {
        const auto host = sim::hostFileOf(path);
        if (!host)
            return std::nullopt;
        const PackageFacts facts = readPackage(*host);
        identity.facts = facts;
        if (facts.status == ReadStatus::notAPackage || facts.status == ReadStatus::missing)
            return std::nullopt;
        identity = identifyPackage(facts, profile, startup.getValue(u"ProductCode"),
                                   startup.getValue(u"ProductVersion"));
        identity.opened = true;
        return scripted(identity);
    };
    const std::optional<std::uint32_t> answer = profile.installerResult;
    sim::msi().onInstall = [&identity, &record, &verdict, answer, setupDir,
                            installed = profile.installed](const sim::MsiInstallCall& call) {
        if (!isRegularFile(call.packagePath))
            return packageMissing;
        if (identity.facts.status == ReadStatus::notAPackage)
            return packageInvalid;
        if (answer)
            return *answer;
        if (transformFails(setupDir, record, identity))
            return transformFailure;
        if (record.commandLine.mode != InstallMode::Install ||
            setsProperty(call.commandLine, reinstall))
            return 0u;
        if (const auto other = otherVersionInstalled(installed, identity)) {
            verdict = {productVersion, utf8(*other)};
            return productVersion;
        }
        return 0u;
    };
}
