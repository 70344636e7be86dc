// What a publisher should fix among the medium's files: Setup.ini (see settings_lint.h), the
// message files and the language transforms, and where they lie beside the package.
#pragma once

#include "setup/decision_record.h"
#include "tools/setup_check/warning.h"

#include <string>
#include <vector>

// `setupDir` is the launcher's folder on the simulated machine, where `hostFolder` is mapped;
// `record` is a plain run's (no options) on any machine that reaches the Windows requirement.
std::vector<Warning> lintMedium(const std::string& hostFolder, const std::u16string& setupDir,
                                const DecisionRecord& record);
