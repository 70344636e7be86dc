// What a publisher should fix in Setup.ini: keys and sections the launcher never reads, names
// that stand twice, and settings that make every start fail or can never be met. What the
// launcher reads is taken from its decision record, not from a list of its own.
#pragma once

#include "setup/decision_record.h"
#include "tools/setup_check/machine/simulated_machine.h"
#include "tools/setup_check/medium/ini_reading.h"
#include "tools/setup_check/result/warning.h"

namespace setupcheck {

// `settings` and `record` are read and made on `machine`. `holdsInstances`: Setup.ini is also
// the package folder's setup.ini (the package lies beside the launcher), so its [Instances] and
// the sections it names are read after all.
void lintSettings(Lint& lint, const SimulatedMachine& machine, const IniReading& settings,
                  const DecisionRecord& record, bool holdsInstances);

} // namespace setupcheck
