// The check's output: a report for a person, JSON for a CI job, and a table of a medium
// against several machines.
#pragma once

#include "tools/setup_check/result/check_result.h"
#include "tools/setup_check/result/exit_status.h"

#include <string>
#include <vector>

namespace setupcheck {

[[nodiscard]] std::string textReport(const CheckResult& result);
// One warning as a line: where, severity, message and id
// ("Setup.ini:12: error: ... [installer-too-old]").
[[nodiscard]] std::string warningText(const Warning& warning);
// The JSON report of one or more runs on one medium (docs/setup-check.md), with the check's
// exit status.
[[nodiscard]] std::string jsonReport(const std::vector<CheckResult>& runs, ExitStatus status);
[[nodiscard]] std::string matrixTable(const std::vector<CheckResult>& results);
// The warnings under a matrix table: the medium's once, each machine's under its profile.
[[nodiscard]] std::string matrixWarnings(const std::vector<CheckResult>& results);

} // namespace setupcheck
