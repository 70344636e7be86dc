#include "tools/setup_check/check.h"

#include "setup/setup_ini.h"
#include "tools/setup_check/lints/command_line_lint.h"
#include "tools/setup_check/lints/launcher_lint.h"
#include "tools/setup_check/lints/machine_lint.h"
#include "tools/setup_check/machine/simulated_machine.h"
#include "tools/setup_check/medium/settings_read.h"
#include "tools/setup_check/reports/tool_version.h"
#include "tools/setup_check/run/launcher_run.h"

namespace setupcheck {

Profile readingMachine(const Profile& profile) {
    Profile reading;
    reading.ansiCodePage = ansiCodePageOf(profile);
    reading.mounts = profile.mounts;
    return reading;
}

MediumFindings checkMediumFiles(const std::string& hostFolder, const Placement& placement,
                                const Profile& reading) {
    // A plain run (no options) tells what the launcher reads from the medium.
    SimulatedMachine machine(hostFolder, placement, reading);
    const LauncherRun plain = runLauncher(machine, "");
    MediumFindings findings = lintMedium(machine, plain.record);
    Lint lint;
    lintLauncher(lint, findings.launcher, placement, toolVersion);
    findings.warnings.insert(findings.warnings.end(), lint.warnings.begin(), lint.warnings.end());
    return findings;
}

std::vector<Warning> mediumWarnings(const std::string& hostFolder, const Placement& placement) {
    return checkMediumFiles(hostFolder, placement).warnings;
}

CheckResult checkOnMachine(const MediumFindings& medium, const std::string& hostFolder,
                           const Profile& profile, const std::string& arguments,
                           const Placement& placement) {
    CheckResult result;
    result.medium = hostFolder;
    result.placement = placement;
    result.profile = profile;
    result.arguments = arguments;
    result.package = medium.package;
    result.launcher = medium.launcher;
    SimulatedMachine machine(hostFolder, placement, profile);
    result.run = runLauncher(machine, arguments);
    result.read = settingsRead(machine, result.record());
    // A run that never opened the package (refused, or only the usage shown) still reports what
    // it would have been answered.
    const DecisionRecord& record = result.record();
    result.identity =
        result.run.package.opened
            ? result.run.package
            : identifyPackage(result.package.facts, profile,
                              {lookedUp(record, setupIni::startup, setupIni::productCode),
                               lookedUp(record, setupIni::startup, setupIni::productVersion)});
    Lint lint;
    lint.warnings = medium.warnings;
    lintCommandLine(lint, record, placement.exe);
    lintMachine(lint, machine, result);
    result.warnings = lint.warnings;
    return result;
}

CheckResult checkMedium(const std::string& hostFolder, const Profile& profile,
                        const std::string& arguments, const Placement& placement) {
    const MediumFindings medium = checkMediumFiles(hostFolder, placement, readingMachine(profile));
    return checkOnMachine(medium, hostFolder, profile, arguments, placement);
}

} // namespace setupcheck
