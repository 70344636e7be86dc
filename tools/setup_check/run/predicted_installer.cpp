#include "tools/setup_check/run/predicted_installer.h"

#include "installer/msi_package.h"
#include "platform/msi_api.h"
#include "platform/wtext.h"
#include "setup/property_string.h"
#include "setup/setup_ini.h"
#include "sysreq/version.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/medium/settings_read.h"
#include "tools/setup_check/package/transform_check.h"
#include "tools/setup_check/run/installer_properties.h"

#include <map>
#include <optional>

namespace setupcheck {

namespace {

// The installer installs no package over another version of the product installed under the
// same ProductCode (ERROR_PRODUCT_VERSION), unless the command line asks for a reinstallation.
constexpr char16_t reinstall[] = u"REINSTALL";

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
bool languageTransformFails(const SimulatedMachine& machine, const TransformsDecision& t,
                            const PackageFacts& package) {
    if (!t.languageTransformFound)
        return false;
    const auto host = machine.hostFileOf(machine.setupDir() + t.languageTransform);
    if (!host)
        return false;
    const TransformFacts transform = readTransform(*host);
    return transform.status != ReadStatus::read || !transformTarget(transform).wellFormed ||
           !validationFailures(utf8(t.languageTransform), transform, package).empty();
}

// Why the installation fails with 1624, or nothing: a transform handed over that the engine
// does not apply (an instance transform the package does not store, a damaged one, one whose
// error conditions the engine found), or a language transform whose validation the package
// fails. Only a package that was read can tell.
std::string transformFailure(const SimulatedMachine& machine, const DecisionRecord& record,
                             const PackageIdentity& id, const InstalledProduct& product) {
    if (id.facts.status != ReadStatus::read)
        return {};
    if (const TransformApplication* step = firstNotApplied(product))
        return step->name + " does not apply: " + step->problem;
    if (languageTransformFails(machine, record.transforms, id.facts))
        return utf8(record.transforms.languageTransform) +
               " does not apply: the package fails a validation it asks for";
    return {};
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

// The version installed under the ProductCode that gets installed when it is another than the
// one that gets installed.
std::optional<std::u16string>
otherVersionInstalled(const std::map<std::u16string, std::u16string>& installed,
                      const InstalledProduct& id) {
    if (!id.productCode.present || !id.productVersion.present)
        return std::nullopt;
    for (const auto& [code, version] : installed)
        if (wtext::equalsNoCaseAscii(code, utf16(id.productCode.value)) &&
            !sameVersion(version, utf16(id.productVersion.value)))
            return version;
    return std::nullopt;
}

} // namespace

std::optional<sim::MsiPackageData> PredictedInstaller::open(const std::u16string& path,
                                                            const DecisionRecord& record) {
    const auto host = machine.hostFileOf(path);
    if (!host)
        return std::nullopt;
    const PackageFacts facts = readPackage(*host);
    answered.facts = facts;
    if (facts.status == ReadStatus::notAPackage || facts.status == ReadStatus::missing)
        return std::nullopt;
    const StatedIdentity stated{lookedUp(record, setupIni::startup, setupIni::productCode),
                                lookedUp(record, setupIni::startup, setupIni::productVersion)};
    answered = identifyPackage(facts, machine.profile(), stated);
    answered.opened = true;
    return scripted(answered);
}

std::uint32_t PredictedInstaller::install(const sim::MsiInstallCall& call,
                                          const DecisionRecord& record) {
    const Profile& profile = machine.profile();
    if (!machine.isRegularFile(call.packagePath))
        return msi::errorInstallPackageOpenFailed;
    if (answered.facts.status == ReadStatus::notAPackage)
        return msi::errorInstallPackageInvalid;
    if (const auto host = machine.hostFileOf(call.packagePath);
        host && answered.facts.status == ReadStatus::read)
        product =
            installedProduct(applyTransforms(*host, transformsHandedOver(machine, call.packagePath,
                                                                         call.commandLine)),
                             profile);
    if (profile.installerResult)
        return *profile.installerResult;
    if (std::string failure = transformFailure(machine, record, answered, product);
        !failure.empty()) {
        refusal = {msi::errorInstallTransformFailure, {}, failure};
        return msi::errorInstallTransformFailure;
    }
    if (record.commandLine.mode != InstallMode::Install ||
        setsProperty(call.commandLine, reinstall))
        return msi::errorSuccess;
    if (const auto other = otherVersionInstalled(profile.installed, product)) {
        refusal = {msi::errorProductVersion, utf8(*other), {}};
        return msi::errorProductVersion;
    }
    return msi::errorSuccess;
}

} // namespace setupcheck
