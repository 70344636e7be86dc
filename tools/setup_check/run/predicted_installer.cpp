#include "tools/setup_check/run/predicted_installer.h"

#include "installer/msi_package.h"
#include "platform/msi_api.h"
#include "platform/wtext.h"
#include "setup/property_string.h"
#include "setup/setup_ini.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/medium/settings_read.h"
#include "tools/setup_check/package/transform_check.h"
#include "tools/setup_check/run/installer_properties.h"

#include <cstdlib>
#include <optional>

namespace setupcheck {

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

// The major version of the machine's Windows Installer; an unreadable one counts as today's.
int installerMajor(const Profile& profile) {
    if (!profile.msiRuntime)
        return 5;
    return std::atoi(utf8(*profile.msiRuntime).c_str());
}

} // namespace

std::optional<sim::MsiPackageData> PredictedInstaller::open(const std::u16string& path,
                                                            const DecisionRecord& record) {
    if (path.size() > longestOpenablePath)
        return std::nullopt;
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

std::uint32_t PredictedInstaller::answer(std::uint32_t result) {
    refusal.result = result;
    return result;
}

PackageIdentity PredictedInstaller::installedIdentity() const {
    PackageIdentity id = answered;
    if (product.known) {
        id.productCode = product.productCode;
        id.productVersion = product.productVersion;
    }
    return id;
}

std::uint32_t PredictedInstaller::install(const sim::MsiInstallCall& call,
                                          const DecisionRecord& record) {
    const Profile& profile = machine.profile();
    if (call.packagePath.size() > longestOpenablePath) {
        refusal.pathTooLong = true;
        return answer(msi::errorInstallPackageOpenFailed);
    }
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
    const InstallerCommandLine properties = readInstallerCommandLine(call.commandLine);
    if (product.known)
        product.context = installationContext(
            product.allUsers.present ? std::optional(product.allUsers.value) : std::nullopt,
            product.msiInstallPerUser.present ? std::optional(product.msiInstallPerUser.value)
                                              : std::nullopt,
            properties, installerMajor(profile));
    if (profile.installerResult)
        return *profile.installerResult;
    const InstallMode mode = record.commandLine.mode;
    if (mode != InstallMode::AdminInstall && !reinstallsFromThisPackage(properties))
        if (const auto other = otherPackageInstalled(profile, installedIdentity())) {
            refusal.otherVersionInstalled = other->version;
            refusal.otherPackageCode = other->packageCode;
            refusal.sameVersion = other->sameVersion;
            return answer(msi::errorProductVersion);
        }
    if (answered.facts.status == ReadStatus::read) {
        const std::string platform = packagePlatform(answered.facts.templateText);
        if (!platformInstallable(platform, profile.architecture)) {
            refusal.platform = platform;
            return answer(msi::errorInstallPlatformUnsupported);
        }
    }
    if (properties.refused) {
        refusal.refusedPiece = properties.refused;
        return answer(msi::errorInvalidCommandLine);
    }
    if (std::string failure = transformFailure(machine, record, answered, product);
        !failure.empty()) {
        refusal.transformFailure = failure;
        return answer(msi::errorInstallTransformFailure);
    }
    if (mode == InstallMode::AdminInstall)
        return msi::errorSuccess;
    // A removal runs InstallExecuteSequence as an installation does.
    refusal.restart = restartOutcome(answered.facts.executeSequence, properties,
                                     call.uiLevel == msi::uiLevelNone);
    return answer(restartResult(refusal.restart.restart));
}

} // namespace setupcheck
