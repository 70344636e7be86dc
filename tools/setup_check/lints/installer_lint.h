// What the publisher should know about the Windows Installer's answer in a run, where a rule of
// the installer decided it (run/installer_rules.h): a product installed from another package
// (1638), a platform this Windows does not install (1633), a command line the installer cannot
// read (1639, with the piece, where it came from and the fix), and a silent run in which Windows
// can restart the machine.
#pragma once

#include "tools/setup_check/machine/simulated_machine.h"
#include "tools/setup_check/result/check_result.h"
#include "tools/setup_check/result/warning.h"

namespace setupcheck {

// `result` is the run made on `machine`.
void lintInstallerAnswer(Lint& lint, const SimulatedMachine& machine, const CheckResult& result);

} // namespace setupcheck
