// What the publisher should know about the machine checked, from what the launcher decided on
// it: an old installer runtime without its setup program, a package whose inspection never
// reaches the instance description, the installer's answer by a rule of its own
// (installer_lint.h), a language whose messages are empty here, and text read in this
// machine's ANSI code page.
#pragma once

#include "tools/setup_check/machine/simulated_machine.h"
#include "tools/setup_check/result/check_result.h"
#include "tools/setup_check/result/warning.h"

namespace setupcheck {

// `result` is the run made on `machine`, whose files are read there.
void lintMachine(Lint& lint, const SimulatedMachine& machine, const CheckResult& result);

} // namespace setupcheck
