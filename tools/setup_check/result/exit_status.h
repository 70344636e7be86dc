// setup-check's exit status: one per outcome, so a CI job can tell a refused start from a
// failing installation and from warnings it chose to count.
#pragma once

#include "tools/setup_check/result/check_result.h"

#include <string>
#include <vector>

namespace setupcheck {

enum class ExitStatus : int {
    Succeeds = 0,        // the installer is called and predicted to succeed (0, 3010, 1641)
    LauncherRefuses = 1, // the launcher ends without calling the installer
    UsageError = 2,      // the tool's own command line is wrong
    InstallerFails = 3,  // the installer is called and predicted to fail
    StrictWarnings = 4,  // the prediction succeeds, but --strict counts warnings
};

// Which warnings --strict counts: none, the medium's, or the machine's as well (--strict=all).
enum class Strictness { Off, Medium, All };

// The launcher's outcome on one machine: Succeeds, LauncherRefuses or InstallerFails.
[[nodiscard]] ExitStatus runStatus(const CheckResult& result);
// Whether `strictness` counts the warnings the results carry.
[[nodiscard]] bool warningsCount(const std::vector<CheckResult>& results, Strictness strictness);
// The status of a check over one or more machines: a refusal on any machine first, then a
// failing installation, then counted warnings.
[[nodiscard]] ExitStatus checkStatus(const std::vector<CheckResult>& results,
                                     Strictness strictness);
// "launcher_refuses" and the like, for the JSON report.
[[nodiscard]] const char* statusName(ExitStatus status);
// The statuses for --help.
[[nodiscard]] std::string exitStatusHelp();

} // namespace setupcheck
