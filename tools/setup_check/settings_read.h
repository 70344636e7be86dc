// The values the launcher read from Setup.ini and its message file, each with the line it
// stood on, as its decision record names them.
#pragma once

#include "setup/decision_record.h"
#include "tools/setup_check/check.h"

#include <string>
#include <vector>

// The files are read from `setupDir`, the launcher's folder on the simulated machine.
std::vector<SettingRead> settingsRead(const DecisionRecord& record, const std::u16string& setupDir);
