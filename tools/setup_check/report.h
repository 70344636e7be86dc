// The check's output: a report for a person, JSON for a CI job, and a table of a medium
// against several machines.
#pragma once

#include "tools/setup_check/check.h"

#include <string>
#include <vector>

std::string textReport(const CheckResult& result);
// One warning as a line: where, severity, message and id
// ("Setup.ini:12: error: ... [installer-too-old]").
std::string warningText(const Warning& warning);
std::string jsonReport(const CheckResult& result);
std::string matrixTable(const std::vector<CheckResult>& results);
std::string matrixJson(const std::vector<CheckResult>& results);
