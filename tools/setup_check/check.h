// A check of a medium: what the medium's files hold (read on a plain run, once for each ANSI
// code page among the machines checked), then the launcher run on each machine asked for, each
// on a simulated machine of its own.
#pragma once

#include "tools/setup_check/lints/medium_lint.h"
#include "tools/setup_check/machine/placement.h"
#include "tools/setup_check/machine/profile.h"
#include "tools/setup_check/result/check_result.h"

#include <string>
#include <vector>

namespace setupcheck {

// The machine the medium's files are read on for `profile`: the default machine, in the
// profile's ANSI code page and with its mapped folders, so that text without a byte-order mark
// (the package's Location too) reads as on the profile's machine and the package is found where
// the profile maps it. Profiles of one reading machine share their findings.
[[nodiscard]] Profile readingMachine(const Profile& profile);

// What a publisher should fix on the medium in `hostFolder`, whatever the machine, and what the
// package and its transforms were found to be, read on `reading` (readingMachine).
[[nodiscard]] MediumFindings checkMediumFiles(const std::string& hostFolder,
                                              const Placement& placement = {},
                                              const Profile& reading = Profile{});
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
