// How the simulated Windows Installer answers the launcher for a medium: the package the
// launcher opens is read from the medium (package_reader.h) and answered with its own
// identity, which a profile may override; where the package cannot be read, Setup.ini's
// identity stands in. The installation's result is the profile's answer, else what Windows
// would answer (installer_rules.h): 1619 for a package that is not there or whose path is too
// long to open, 1620 for a file that is no package, 1638 while the product that gets installed
// (the package's after its transforms) is installed from another package, 1633 for a package
// of a platform this machine does not install, 1639 for a command line the installer cannot
// read, 1624 for a transform handed over that does not apply, else success: 3010 or 1641 where
// the installation asks for a restart, 0 where it does not. The launcher's own questions
// (MsiOpenPackageW) are answered with the package as it is: the launcher asks about the product
// Setup.ini and the package name.
#pragma once

#include "platform/sim/sim_msi.h"
#include "setup/decision_record.h"
#include "tools/setup_check/machine/simulated_machine.h"
#include "tools/setup_check/run/identity.h"
#include "tools/setup_check/run/installed_product.h"
#include "tools/setup_check/run/installer_properties.h"
#include "tools/setup_check/run/installer_rules.h"

#include <cstdint>
#include <optional>
#include <string>

namespace setupcheck {

// Why the simulated installer refused an installation by a rule of the Windows Installer,
// rather than by the profile's answer, where the report needs to say more than the number.
struct InstallerVerdict {
    std::uint32_t result = 0;
    // For 1638: the version installed under the package's ProductCode from another package, and
    // that package's code where the profile states it.
    std::string otherVersionInstalled;
    std::string otherPackageCode;
    bool sameVersion = false; // 1638 over a package of the same version: a rebuilt package
    bool pathTooLong = false; // 1619: the package path is longer than the installer opens
    std::string platform;     // 1633: the package's platform, which this machine does not take
    std::optional<RefusedPiece> refusedPiece; // 1639: what the installer cannot read
    RestartOutcome restart; // the restart an installation that goes through asks for
    // For 1624: the transform that does not apply, and why.
    std::string transformFailure;
};

// The installer of one run on `machine`. Each answer is given what the launcher has decided so
// far (`record`, the running launcher's own) and keeps what the report needs of it.
class PredictedInstaller {
public:
    explicit PredictedInstaller(const SimulatedMachine& machine) : machine(machine) {}

    // The package's data as the installer reads it at `path`, or nothing when it cannot be
    // opened.
    [[nodiscard]] std::optional<sim::MsiPackageData> open(const std::u16string& path,
                                                          const DecisionRecord& record);
    // MsiInstallProductW's result for `call`.
    [[nodiscard]] std::uint32_t install(const sim::MsiInstallCall& call,
                                        const DecisionRecord& record);

    // What the package was answered with (opened only when the launcher opened it).
    const PackageIdentity& identity() const { return answered; }
    const InstallerVerdict& verdict() const { return refusal; }
    // The product the installation installs: the package after the transforms handed over
    // (known only once the installer was called with a package it read).
    const InstalledProduct& installs() const { return product; }

private:
    // `result`, kept as the verdict's.
    std::uint32_t answer(std::uint32_t result);
    // The identity the installer registers: the package's, with the product code and version
    // its transforms give it.
    PackageIdentity installedIdentity() const;

    const SimulatedMachine& machine;
    PackageIdentity answered;
    InstalledProduct product;
    InstallerVerdict refusal;
};

} // namespace setupcheck
