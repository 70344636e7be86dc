// What an administrator should know about the launcher file on the medium: that it is there,
// that it is the 32-bit Windows program the launcher is, that it is the version of the launcher
// setup-check runs, and whether UAC's installer detection elevates it under its name.
#pragma once

#include "tools/setup_check/machine/placement.h"
#include "tools/setup_check/medium/launcher_image.h"
#include "tools/setup_check/result/warning.h"

#include <string>

namespace setupcheck {

// `image` is the file at `placement` on the medium; `toolVersion` the version of the
// launcher's code setup-check runs.
void lintLauncher(Lint& lint, const LauncherImage& image, const Placement& placement,
                  const std::string& toolVersion);

// The words UAC's installer detection looks for in a program's file name and version strings
// that `placement`'s name and `image` hold, in the order found; empty: it is not recognised.
[[nodiscard]] std::vector<std::string> installerWordsFound(const LauncherImage& image,
                                                           const Placement& placement);

} // namespace setupcheck
