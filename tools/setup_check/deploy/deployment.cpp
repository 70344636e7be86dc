#include "tools/setup_check/deploy/deployment.h"

#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/explain/explain.h"
#include "tools/setup_check/explain/msiexec_line.h"
#include "tools/setup_check/result/exit_status.h"
#include "tools/setup_check/run/installer_rules.h"

namespace setupcheck {

namespace {

constexpr char uninstallKeyRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string quotedIfBlank(const std::string& name) {
    return name.find(' ') == std::string::npos ? name : "\"" + name + "\"";
}

// PowerShell's single-quoted string: a quote inside is written twice.
std::string powerShellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

std::string why(const CheckResult& r) {
    return "exit code " + std::to_string(r.run.exitCode) + " (" + outcomeText(r) + ")";
}

// Why no deployment can be made from the installation run `r`; empty when one can.
std::string refusal(const CheckResult& r) {
    if (!r.started())
        return "the launcher does not start the installation on this machine: " + why(r);
    if (runStatus(r) != ExitStatus::Succeeds)
        return "the installation is predicted to fail on this machine: " + why(r);
    if (r.run.installer && r.run.installer->uiLevel != msi::uiLevelNone)
        return "the launcher's arguments give an installation with a user interface (UI level " +
               std::to_string(r.run.installer->uiLevel) +
               "), and a deployment runs unattended: give /S among them";
    const InstalledProduct& p = r.run.installs;
    if (!p.known)
        return "the package could not be read, so the product it installs is not known";
    for (const auto& [name, value] : {std::pair{"ProductCode", &p.productCode},
                                      {"ProductVersion", &p.productVersion},
                                      {"ProductName", &p.productName},
                                      {"Manufacturer", &p.manufacturer}})
        if (!value->present || value->value.empty())
            return std::string("the package has no ") + name +
                   ", which every package needs and a deployment names the product by";
    return {};
}

std::vector<std::string> windowsEntries(const DecisionRecord& record) {
    std::vector<std::string> entries;
    for (const WindowsEntryCheck& check : record.windows.entries) {
        if (!check.enabled || !check.entry.canBeMet())
            continue;
        const WindowsEntry& e = check.entry;
        std::string text = "Windows " + std::to_string(e.version.major) + "." +
                           std::to_string(e.version.minor) + " build " +
                           std::to_string(e.version.build);
        if (e.servicePackMajor || e.servicePackMinor)
            text += " SP" + std::to_string(e.servicePackMajor) +
                    (e.servicePackMinor ? "." + std::to_string(e.servicePackMinor) : "");
        entries.push_back(text + " or later ([" + utf8(check.key) + "] in Setup.ini)");
    }
    return entries;
}

// The transforms whose changes the product's code comes from.
std::string installedBy(const InstalledProduct& p) {
    return p.productCode.via.empty() ? "the package's own" : "set by " + p.productCode.via;
}

void fillRemoval(Deployment& d, const CheckResult& removal) {
    if (!removal.started() || removal.record().commandLine.mode != InstallMode::Uninstall)
        return;
    d.launcherRemoval = {removal.placement.exe, removal.arguments, true};
    d.launcherRemovalMsiexec = msiexecCommandLine(removal.record());
}

} // namespace

std::string Command::line() const {
    return quotedIfBlank(program) + (arguments.empty() ? "" : " " + arguments);
}

std::string Command::inCmd() const {
    return "start \"\" /wait " + line();
}

std::string Command::inPowerShell() const {
    // PowerShell runs a program of the current folder only by its path.
    const std::string path = onMedium ? ".\\" + program : program;
    return "(Start-Process -FilePath " + powerShellQuoted(path) +
           (arguments.empty() ? "" : " -ArgumentList " + powerShellQuoted(arguments)) +
           " -Wait -PassThru).ExitCode";
}

const msi::ExitCodeRow* exitCodeRow(std::uint32_t code) {
    for (const msi::ExitCodeRow& row : msi::exitCodes)
        if (row.code == code)
            return &row;
    return nullptr;
}

const char* actionName(msi::DeploymentAction action) {
    static const char* const names[] = {"success", "softReboot", "hardReboot", "retry", "failed"};
    return names[static_cast<int>(action)];
}

Result<Deployment> makeDeployment(const CheckResult& install, const CheckResult& removal) {
    if (std::string reason = refusal(install); !reason.empty())
        return Failure{reason};
    const InstalledProduct& p = install.run.installs;
    Deployment d;
    d.productName = p.productName.value;
    d.publisher = p.manufacturer.value;
    d.version = p.productVersion.value;
    d.productCode = p.productCode.value;
    d.upgradeCode = p.upgradeCode.value;
    d.productLanguage = p.productLanguage.value;
    d.installedBy = installedBy(p);
    d.context = p.context.context;
    d.contextReason = p.context.reason;
    d.dualPurpose = p.allUsers.present && p.allUsers.value == "2";
    d.install = {install.placement.exe, install.arguments, true};
    d.installMsiexec = msiexecCommandLine(install.record());
    d.uninstall = {"msiexec", "/x " + d.productCode + " /qn", false};
    fillRemoval(d, removal);
    if (!p.arpNoRepair.present || p.arpNoRepair.value.empty())
        d.repair = Command{"msiexec", "/fa " + d.productCode + " /qn", false};
    d.restartAsked = install.run.exitCode != msi::errorSuccess;
    const std::string hive =
        d.context == InstallContext::perUser ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\";
    d.uninstallKey = hive + uninstallKeyRoot + d.productCode;
    d.platform = packagePlatform(install.package.facts.templateText);
    // A package x86 Windows installs is a 32-bit one, registered in the 32-bit view.
    d.thirtyTwoBitView = platformInstallable(d.platform, Architecture::x86);
    for (Architecture a : {Architecture::x86, Architecture::x64, Architecture::arm64})
        if (platformInstallable(d.platform, a))
            d.architectures.push_back(a);
    d.windowsEntries = windowsEntries(install.record());
    const std::optional<WindowsRelease> oldest = oldestReleaseAccepted(install);
    if (!oldest)
        return Failure{"no release of Windows 10 or 11 meets the Windows list of Setup.ini"};
    d.oldestRelease = *oldest;
    d.requiredInstaller = utf8(install.record().windows.requiredRuntime);
    d.packageSchema = install.package.facts.schema;
    d.warnings = install.warnings;
    return d;
}

} // namespace setupcheck
