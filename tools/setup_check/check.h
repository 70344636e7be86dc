// A check of a medium: what the medium's files hold (read once, on a plain run), then the
// launcher run on each machine asked for, each on a simulated machine of its own.
#pragma once

#include "tools/setup_check/lints/medium_lint.h"
#include "tools/setup_check/machine/placement.h"
#include "tools/setup_check/machine/profile.h"
#include "tools/setup_check/result/check_result.h"

#include <string>
#include <vector>

namespace setupcheck {

// What a publisher should fix on the medium in `hostFolder`, whatever the machine, and what the
// package and its transforms were found to be.
[[nodiscard]] MediumFindings checkMediumFiles(const std::string& hostFolder,
                                              const Placement& placement = {});
[[nodiscard]] std::vector<Warning> mediumWarnings(const std::string& hostFolder,
                                                  const Placement& placement = {});

// The medium in `hostFolder` on `profile`, with the launcher's command line `arguments` (the
// text after the program's own path), the medium placed as `placement` says; `medium` is what
// checkMediumFiles found.
[[nodiscard]] CheckResult checkOnMachine(const MediumFindings& medium,
                                         const std::string& hostFolder, const Profile& profile,
                                         const std::string& arguments, const Placement& placement);

// Both of the above, for one machine.
[[nodiscard]] CheckResult checkMedium(const std::string& hostFolder, const Profile& profile,
                                      const std::string& arguments,
                                      const Placement& placement = {});

} // namespace setupcheck
