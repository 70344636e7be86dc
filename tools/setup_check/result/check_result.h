// A medium checked against one machine: the launcher's own run with its decision record, the
// settings it read with their lines, and what a publisher should fix on the medium or know
// about the machine. A value: nothing in it points into the simulated machine it was made on.
#pragma once

#include "tools/setup_check/machine/placement.h"
#include "tools/setup_check/machine/profile.h"
#include "tools/setup_check/medium/launcher_image.h"
#include "tools/setup_check/medium/package_check.h"
#include "tools/setup_check/medium/settings_read.h"
#include "tools/setup_check/result/warning.h"
#include "tools/setup_check/run/identity.h"
#include "tools/setup_check/run/launcher_run.h"

#include <string>
#include <vector>

namespace setupcheck {

struct CheckResult {
    std::string medium;
    Placement placement;
    Profile profile;
    std::string arguments; // the launcher's command line after its own path
    LauncherRun run;
    PackageCheck package;   // the package and its transforms, read from the medium
    LauncherImage launcher; // the launcher file on the medium
    // The package's identity as this machine's installer answers it, each value with its source.
    PackageIdentity identity;
    std::vector<SettingRead> read;
    std::vector<Warning> warnings;

    const DecisionRecord& record() const { return run.record; }
    bool started() const { return run.record.installer.called; }
};

} // namespace setupcheck
