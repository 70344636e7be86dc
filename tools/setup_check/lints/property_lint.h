// Properties that CmdLine sets although the launcher sets them itself. CmdLine goes to the
// installer in every run; the launcher adds its own settings of these properties in some runs,
// so there the property stands twice on the installer's command line, and in the others
// CmdLine's value does what only those runs should.
#pragma once

#include "setup/decision_record.h"
#include "tools/setup_check/medium/ini_reading.h"
#include "tools/setup_check/result/warning.h"

namespace setupcheck {

void lintLauncherProperties(Lint& lint, const IniReading& settings, const DecisionRecord& record);

} // namespace setupcheck
