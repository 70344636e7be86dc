// The msiexec command line that does what the launcher's installer call does, for an
// administrator who deploys the package without the launcher.
#pragma once

#include "setup/decision_record.h"

#include <string>

namespace setupcheck {

// "msiexec /i "C:\media\product.msi" /qn TRANSFORMS=1049.mst REBOOT=ReallySuppress": /i, /x or
// /a by the run's mode (whose property, REMOVE=ALL or ACTION=ADMIN, that switch stands for),
// /qn for no interface, /lv! and the file for the launcher's verbose log flushed line by line,
// then the properties. Empty when the installer is not called.
[[nodiscard]] std::string msiexecCommandLine(const DecisionRecord& record);

} // namespace setupcheck
