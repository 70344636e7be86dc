// What a deployment of a medium needs, made from setup-check's runs of the launcher on one
// machine: the installation run (its decision record, the product it installs after the
// transforms, the installer's answer) and the removal run with the same arguments after /x.
// Every form (the sheet, Intune's body, winget's manifest) is written from this; none of it
// works a rule of the launcher out again.
#pragma once

#include "platform/msi_api.h"
#include "tools/setup_check/basics/result.h"
#include "tools/setup_check/deploy/windows_releases.h"
#include "tools/setup_check/result/check_result.h"

#include <optional>
#include <string>
#include <vector>

namespace setupcheck {

// A program and the text after its name, as a deployment tool runs it from the medium's
// folder.
struct Command {
    std::string program;   // "setup.exe", "msiexec"
    std::string arguments; // "/S", "/x {…} /qn"
    bool onMedium = false; // the program is the medium's, started from its folder

    // The command as one line: the program's name, quoted where it holds a blank, then the
    // arguments.
    std::string line() const;
    // The same in cmd.exe, waiting for the program and leaving its exit code in %ERRORLEVEL%.
    std::string inCmd() const;
    // The same in PowerShell, waiting for the program and giving its exit code.
    std::string inPowerShell() const;
};

struct Deployment {
    std::string productName, publisher, version, productCode, upgradeCode, productLanguage;
    std::string installedBy; // the transforms the product's code comes from, or "the package"
    InstallContext context = InstallContext::perMachine;
    std::string contextReason;
    bool dualPurpose = false; // ALLUSERS=2: the package installs per user or per machine

    Command install;            // setup.exe /S ...
    std::string installMsiexec; // the installer call without the launcher
    Command uninstall;          // msiexec /x {ProductCode} /qn
    // setup.exe /x /S: its command and what it removes; empty program when the removal run
    // does not remove.
    Command launcherRemoval;
    std::string launcherRemovalMsiexec;
    std::optional<Command> repair; // msiexec /fa {ProductCode} /qn, unless ARPNOREPAIR
    bool restartAsked = false;     // the installation asks for a restart (3010 or 1641)

    // Detection: the product's registration with the Windows Installer, and its Uninstall key.
    std::string uninstallKey;      // HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\...\Uninstall\{…}
    bool thirtyTwoBitView = false; // the key stands in the 32-bit view on 64-bit Windows

    std::string platform;                    // the package's, "Intel", "x64"
    std::vector<Architecture> architectures; // the Windows whose installer takes it
    std::vector<std::string> windowsEntries; // "Windows 6.1 build 7600 ([W7])"
    WindowsRelease oldestRelease{};          // the oldest Windows 10 or 11 it accepts
    std::string requiredInstaller;           // [MsiVersion]'s version
    int packageSchema = 0;

    std::vector<Warning> warnings; // of the installation run
};

// The deployment of the installation run `install`, with `removal` the same launcher run with
// /x before its arguments; a failure says why no deployment can be made from them (the
// launcher refuses, the installation is predicted to fail, the run is not silent, the package
// names no product).
[[nodiscard]] Result<Deployment> makeDeployment(const CheckResult& install,
                                                const CheckResult& removal);

// The exit code table's row of `code`, or nothing.
[[nodiscard]] const msi::ExitCodeRow* exitCodeRow(std::uint32_t code);
// "success", "softReboot", "hardReboot", "retry", "failed": the names Intune gives them.
[[nodiscard]] const char* actionName(msi::DeploymentAction action);

} // namespace setupcheck
