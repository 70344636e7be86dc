// The launcher's own entry, run once on a simulated machine: the machine scripted from a profile
// with the medium where the launcher stands (simulated_machine.h), and the package answered as
// the installer would read it (predicted_installer.h). What comes back is a value: the
// launcher's decision record and everything the run showed, printed and handed over.
#pragma once

#include "setup/decision_record.h"
#include "tools/setup_check/machine/simulated_machine.h"
#include "tools/setup_check/run/predicted_installer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setupcheck {

// Every text is UTF-8.
struct BoxShown {
    std::string caption;
    bool captionIsNull = false;
    std::uint32_t style = 0;
    std::string text;
};

struct InstallerCall {
    std::string packagePath;
    std::string commandLine;
    std::int32_t uiLevel = 0;
    std::string logFile; // empty: no log
};

struct LauncherRun {
    DecisionRecord record;
    PackageIdentity package;   // what the simulated installer answered for the package
    InstallerVerdict verdict;  // why it refused the installation, where a rule of its own did
    InstalledProduct installs; // the product the installation installs
    std::vector<BoxShown> boxes;
    std::optional<InstallerCall> installer; // what the simulated installer received
    std::string standardOutput;
    std::uint32_t exitCode = 1;
    std::vector<std::string> processesRun;
    bool packageFound = false; // the package path the launcher made names a file
};

// Runs setup.exe's entry on `machine`, which must not have run the launcher before, with the
// launcher's command line `arguments` (the text after its own path).
[[nodiscard]] LauncherRun runLauncher(SimulatedMachine& machine, const std::string& arguments);

} // namespace setupcheck
