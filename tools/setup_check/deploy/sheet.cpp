// The administrator's sheet: everything a deployment tool needs, in plain text.
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/deploy/forms.h"
#include "tools/setup_check/explain/explain.h"
#include "tools/setup_check/reports/report.h"
#include "tools/setup_check/reports/tool_version.h"

#include <sstream>

namespace setupcheck {

namespace {

class Sheet {
public:
    void title(const std::string& text) { out << "\n" << text << "\n"; }
    void row(const std::string& name, const std::string& value) {
        out << "  " << padded(name, 18) << value << "\n";
    }
    void more(const std::string& value) { row("", value); }
    std::ostringstream out;
};

void commandRows(Sheet& s, const Command& c) {
    s.row("command", c.line());
    s.row("in cmd.exe", c.inCmd());
    s.row("in PowerShell", c.inPowerShell());
}

void installSection(Sheet& s, const Deployment& d, const CheckResult& install) {
    s.title("Install (run from the medium's folder)");
    commandRows(s, d.install);
    s.more("cmd.exe and PowerShell do not wait for a program with a window of its own unless");
    s.more("told to: start /wait and Start-Process -Wait do; the exit code is %ERRORLEVEL%,");
    s.more("and the ExitCode of the process PowerShell passes back");
    s.row("without launcher",
          d.installMsiexec + "  (the medium at " + install.placement.folder + ")");
    s.row("installs for", contextText(d.context) + ": " + d.contextReason);
}

void uninstallSection(Sheet& s, const Deployment& d) {
    s.title("Uninstall");
    commandRows(s, d.uninstall);
    s.more("removes the product in whatever version is installed");
    if (!d.launcherRemoval.program.empty()) {
        s.row("from the medium", d.launcherRemoval.line() + "  (" + d.launcherRemovalMsiexec + ")");
        s.more("removes only version " + d.version +
               ", the one this medium installs: with another version installed the");
        s.more("installer answers 1638, and that version stays: name the product, not the medium");
    }
    s.title("Repair");
    if (d.repair)
        commandRows(s, *d.repair);
    else
        s.row("not offered", "the package sets ARPNOREPAIR");
}

void detectionSection(Sheet& s, const Deployment& d) {
    s.title("Detection");
    s.row("MSI product code", d.productCode + " (" + d.installedBy + ")");
    s.row("version", d.version + " (ProductVersion)");
    s.row("registry key", d.uninstallKey);
    s.row("registry value", "DisplayVersion = " + d.version);
    if (d.thirtyTwoBitView)
        s.more("a 32-bit package: on 64-bit Windows the key stands in the 32-bit view");
    if (d.context == InstallContext::perUser)
        s.more("a per-user installation: the key stands in the installing user's registry");
}

void requirementsSection(Sheet& s, const Deployment& d) {
    s.title("Requirements");
    for (std::size_t i = 0; i < d.windowsEntries.size(); ++i)
        s.row(i ? "" : "Windows", (i ? "or " : "") + d.windowsEntries[i]);
    s.row("Windows 10/11", "release " + std::string(d.oldestRelease.name) + " (10.0." +
                               std::to_string(d.oldestRelease.build) + ") or later");
    std::string architectures;
    for (Architecture a : d.architectures)
        architectures += (architectures.empty() ? "" : ", ") + std::string(architectureName(a));
    s.row("architecture", architectures + " (the package's platform is " + d.platform + ")");
    s.row("Installer",
          "Windows Installer " + d.requiredInstaller + " or later (Setup.ini)" +
              (d.packageSchema ? "; the package needs " + std::to_string(d.packageSchema / 100) +
                                     "." + std::to_string(d.packageSchema % 100)
                               : std::string()));
}

void exitCodeSection(Sheet& s) {
    s.title("Exit codes (1 when the launcher refuses to start, else the Windows Installer's)");
    for (const msi::ExitCodeRow& row : msi::exitCodes)
        s.out << "  " << padded(std::to_string(row.code), 6) << padded(actionName(row.action), 12)
              << row.meaning << "\n";
    s.more("any other code: a failure; the Windows Installer's error messages name it");
}

} // namespace

std::string deploymentSheet(const Deployment& d, const CheckResult& install) {
    Sheet s;
    s.out << "Deployment of " << d.productName << " " << d.version << " (" << d.publisher << ")\n";
    s.out << "made by setup-check " << toolVersion << " from " << install.medium << " on "
          << install.profile.name << ", " << windowsText(install.profile.windows) << " "
          << architectureName(install.profile.architecture) << "\n";
    installSection(s, d, install);
    uninstallSection(s, d);
    detectionSection(s, d);
    requirementsSection(s, d);
    exitCodeSection(s);
    s.title("Warnings");
    if (d.warnings.empty())
        s.out << "  none\n";
    for (const Warning& w : d.warnings)
        s.out << "  " << warningText(w) << "\n";
    return s.out.str();
}

} // namespace setupcheck
