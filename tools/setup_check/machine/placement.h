// Where the launcher stands on the simulated machine: the medium's host folder is mapped onto
// `folder` (a Windows folder; C:\ for the root of a drive) and the launcher is the file `exe` in
// it, which sets its module path and its command line.
#pragma once

#include "tools/setup_check/basics/result.h"

#include <string>

namespace setupcheck {

struct Placement {
    std::string folder = "C:\\media";
    std::string exe = "setup.exe";

    // The launcher's folder with its closing backslash: C:\media\ or C:\.
    std::u16string windowsFolder() const;
    // The launcher's full Windows path, e.g. C:\media\setup.exe or C:\setup.exe.
    std::string launcherPath() const;
};

// A placement given on the command line, checked and tidied: `folder` must be an absolute
// Windows folder (X:\ or X:\...), `exe` a bare file name.
[[nodiscard]] Result<Placement> normalisedPlacement(Placement placement);

} // namespace setupcheck
