// The installed Windows Installer runtime: its version, and the bootstrap that runs the
// runtime's own setup program when the package needs a newer one.
#pragma once

#include "sysreq/version.h"

#include <string>

// The product version of the system folder's msi.dll as "major.minor.build.revision" (four
// decimal numbers), or empty when msi.dll cannot be loaded or its version cannot be read.
// Loads the process-wide binding if it is not loaded yet.
std::u16string msiRuntimeVersion();

// Starts the program at `path` (the runtime's setup program) and waits for it without a time
// limit, with the process-wide binding dropped meanwhile and loaded again afterwards. A
// missing program starts nothing and leaves the binding alone. True when it was started.
bool runRuntimeSetup(const std::u16string& path);

struct RuntimeUpdate {
    std::u16string installedVersion; // msiRuntimeVersion(), empty when unreadable
    bool older = false;
    bool setupStarted = false;
};

// Runs the runtime's setup program at `setupProgramPath` when the installed runtime is older
// than `required` (an unreadable runtime counts as older than any requirement; a requirement
// never set, -1 four times, as met by any runtime).
RuntimeUpdate updateRuntimeIfOlder(const VersionQuad& required,
                                   const std::u16string& setupProgramPath);
