// Rules of the Windows Installer by which the predicted installer answers an installation, each
// as the installer's documentation states it (docs/setup-check.md names the source of each):
// - which package platforms a Windows of each architecture installs ("Template Summary"
//   property; ERROR_INSTALL_PLATFORM_UNSUPPORTED);
// - when a product installed from another package refuses this one (ERROR_PRODUCT_VERSION), and
//   the reinstallation that lifts the refusal ("Applying Small Updates by Reinstalling the
//   Product", REINSTALL and REINSTALLMODE properties);
// - the restart an installation asks for (ScheduleReboot and ForceReboot actions, REBOOT
//   property, "System Reboots");
// - the longest package path the installer opens ("Maximum Path Length Limitation").
#pragma once

#include "tools/setup_check/machine/profile.h"
#include "tools/setup_check/package/package_reader.h"
#include "tools/setup_check/run/identity.h"
#include "tools/setup_check/run/installer_properties.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setupcheck {

// MAX_PATH is 260 characters with the terminating null: a longer path is not opened.
inline constexpr std::size_t longestOpenablePath = 259;

// The package's platform as its Template names it; "Intel" where it names none.
std::string packagePlatform(const std::string& templateText);
// Whether the installer of a Windows of `architecture` processes a package for `platform`.
bool platformInstallable(const std::string& platform, Architecture architecture);

// A product installed under the package's ProductCode from another package than this one.
struct OtherPackage {
    std::string version;     // the installed product's
    std::string packageCode; // the installed package's, where the profile states it
    // The versions are the same: the package codes alone tell the packages apart.
    bool sameVersion = false;
};
std::optional<OtherPackage> otherPackageInstalled(const Profile& profile,
                                                  const PackageIdentity& id);
// Whether the command line reinstalls the product from this package, caching it in place of the
// installed one: REINSTALL set, and REINSTALLMODE holding "v".
bool reinstallsFromThisPackage(const InstallerCommandLine& commandLine);

// Where an installation goes ("Installation Context"): for every user of the machine, for the
// user who runs it, or (ALLUSERS=2 before Windows Installer 5.0) for every user when an
// administrator runs it and for that user otherwise. A deployment agent running as SYSTEM is an
// administrator, and a per-user installation by it is one for the SYSTEM account.
enum class InstallContext { perMachine, perUser, perMachineForAdministrators };

struct ContextOutcome {
    InstallContext context = InstallContext::perUser;
    std::string reason; // "ALLUSERS=1 (package)", "ALLUSERS not set", ...
};

// The context the ALLUSERS and MSIINSTALLPERUSER properties give: the package's (after its
// transforms), where the command line does not set them; `installerMajor` is the Windows
// Installer's major version (MSIINSTALLPERUSER counts from 5.0 on).
ContextOutcome installationContext(const std::optional<std::string>& allUsers,
                                   const std::optional<std::string>& msiInstallPerUser,
                                   const InstallerCommandLine& commandLine, int installerMajor);

// The restart an installation asks for: none; needed (the installer answers 3010); started by
// Windows at the end of the installation, or during it at a ForceReboot (both answer 1641).
enum class Restart { none, needed, atEnd, during };

struct RestartOutcome {
    Restart restart = Restart::none;
    std::string cause; // "ScheduleReboot", "ForceReboot" or "REBOOT=Force"
    int sequence = 0;  // the action's number in InstallExecuteSequence
    // Restart actions under a condition, which setup-check does not evaluate, that restart the
    // machine in this run where it holds; they change no prediction.
    std::vector<SequenceAction> conditional;
};

// The actions of `sequence` that ask for a restart: ScheduleReboot and ForceReboot.
std::vector<SequenceAction> restartActions(const std::vector<SequenceAction>& sequence);

// What InstallExecuteSequence's restart actions and the REBOOT property make of an installation
// or a removal; `silent`: the run has no user interface to ask the user with.
RestartOutcome restartOutcome(const std::vector<SequenceAction>& sequence,
                              const InstallerCommandLine& commandLine, bool silent);
// The installer's answer for a restart: 0, 3010 or 1641.
std::uint32_t restartResult(Restart restart);

} // namespace setupcheck
