// What a publisher should fix among the medium's files, whatever the machine: Setup.ini (see
// settings_lint.h), the message files, the language transforms and where they lie beside the
// package, and the package itself (package_lint.h).
#pragma once

#include "setup/decision_record.h"
#include "tools/setup_check/machine/simulated_machine.h"
#include "tools/setup_check/medium/launcher_image.h"
#include "tools/setup_check/medium/package_check.h"
#include "tools/setup_check/result/warning.h"

#include <vector>

namespace setupcheck {

struct MediumFindings {
    std::vector<Warning> warnings;
    PackageCheck package;
    LauncherImage launcher; // the launcher file on the medium
};

// `record` is a plain run's (no options) on `machine`, any machine that reaches the Windows
// requirement; the files are read there.
[[nodiscard]] MediumFindings lintMedium(const SimulatedMachine& machine,
                                        const DecisionRecord& record);

} // namespace setupcheck
