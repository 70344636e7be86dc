// How the simulated Windows Installer answers for a medium: the package the launcher opens is
// read from the medium (package_reader.h) and answered with its own identity, which a profile
// may override; where the package cannot be read, Setup.ini's identity stands in. The
// installation's result is the profile's answer, else what Windows would answer: 1619 for a
// package that is not there, 1620 for a file that is no package, 1624 for a language transform
// whose validation the package fails, 1638 for an installation over another version installed
// under the package's ProductCode, else success.
#pragma once

#include "setup/decision_record.h"
#include "tools/setup_check/package_reader.h"
#include "tools/setup_check/profile.h"

#include <cstdint>
#include <string>

// Where a value of the package's identity came from.
// Assumed: nothing says it; the check stands in a likely value (the key file in the product's
// version) or none (the package code).
enum class IdentitySource { Package, Profile, SetupIni, Assumed };
const char* sourceName(IdentitySource source);

struct IdentityValue {
    std::string value;
    bool present = false; // false: the package has no such value (e.g. no key file row)
    IdentitySource source = IdentitySource::SetupIni;
};

struct PackageIdentity {
    bool opened = false; // the launcher opened the package and was answered
    PackageFacts facts;  // what reading the package's file found
    IdentityValue productCode, productVersion, keyFileVersion, packageCode;
};

// The package's identity as the simulated installer answers it: the profile's value where it
// sets one, else the package's (`facts`, where it was read), else Setup.ini's (`statedCode`,
// `statedVersion`).
PackageIdentity identifyPackage(const PackageFacts& facts, const Profile& profile,
                                const std::u16string& statedCode,
                                const std::u16string& statedVersion);

// Why the simulated installer refused an installation by a rule of the Windows Installer,
// rather than by the profile's answer, where the report needs to say more than the number.
struct InstallerVerdict {
    std::uint32_t result = 0;
    // For 1638: the version installed under the package's ProductCode, which is another than
    // the package's.
    std::string otherVersionInstalled;
};

// Scripts the simulated installer (after the machine is made) for a launcher standing in
// `setupDir`; `identity` is filled when the launcher opens its package, `record` (the run's
// decision record) tells the mode and which transforms the installation is handed, and
// `verdict` is filled when a rule refuses the installation.
void predictInstaller(const Profile& profile, const std::u16string& setupDir,
                      PackageIdentity& identity, const DecisionRecord& record,
                      InstallerVerdict& verdict);
