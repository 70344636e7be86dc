// The product the Windows Installer installs: the package with the transforms the launcher
// hands over applied in their order (the instance's, then the language's), by the engine. Its
// ProductCode, not the package's own, is what gets registered, what a 1638 is decided on and
// what a detection rule has to look for.
#pragma once

#include "tools/setup_check/machine/profile.h"
#include "tools/setup_check/machine/simulated_machine.h"
#include "tools/setup_check/package/package_reader.h"
#include "tools/setup_check/run/identity.h"
#include "tools/setup_check/run/installer_rules.h"

#include <string>
#include <vector>

namespace setupcheck {

struct InstalledProduct {
    bool known = false; // the package was read and the transforms applied to it
    std::string engine;
    std::vector<TransformApplication> steps; // one per transform handed over, in order
    IdentityValue productCode, productVersion, productLanguage, upgradeCode, productName,
        manufacturer, allUsers, msiInstallPerUser, arpNoRepair;
    // For whom it installs, with the command line of the installation.
    ContextOutcome context;
};

// The transforms TRANSFORMS= of `commandLine` names, as the installer finds them: a name with
// a leading colon stored in the package, any other a file, a bare name beside the package.
// A file that is not there is left out: the installer passes it over.
std::vector<TransformSource> transformsHandedOver(const SimulatedMachine& machine,
                                                  const std::u16string& packagePath,
                                                  const std::u16string& commandLine);

// What `transformed` installs; a value the profile sets stands for the package's.
InstalledProduct installedProduct(const TransformedPackage& transformed, const Profile& profile);

// The first transform that did not apply, or nothing.
const TransformApplication* firstNotApplied(const InstalledProduct& product);

} // namespace setupcheck
