// The check's output: a report for a person, JSON for a CI job, and a table of a medium
// against several machines.
#pragma once

#include "tools/setup_check/medium_check.h"

#include <string>
#include <vector>

std::string textReport(const CheckResult& result);
std::string jsonReport(const CheckResult& result);
std::string matrixTable(const std::vector<CheckResult>& results);
std::string matrixJson(const std::vector<CheckResult>& results);

// "information", "error, system-modal" ...
std::string boxStyleText(std::uint32_t style);
// JSON string literal of UTF-8 text.
std::string jsonString(const std::string& text);
