// The launcher's own entry, run on the simulated Windows against a medium folder: the machine
// scripted from a profile, the medium's folder mapped where the launcher stands, and the
// package answered as the installer would read it. What comes back is the launcher's decision
// record and everything the run showed, printed and handed over.
#pragma once

#include "setup/decision_record.h"
#include "tools/setup_check/predicted_installer.h"
#include "tools/setup_check/profile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Where the launcher stands on the simulated machine: the medium's host folder is mapped onto
// `folder` (a Windows folder; C:\ for the root of a drive) and the launcher is the file
// `exe` in it, which sets its module path and its command line.
struct Placement {
    std::string folder = "C:\\media";
    std::string exe = "setup.exe";

    // The launcher's folder with its closing backslash: C:\media\ or C:\.
    std::u16string windowsFolder() const;
    // The launcher's full Windows path, e.g. C:\media\setup.exe or C:\setup.exe.
    std::string launcherPath() const;
};

// Checks and tidies a placement given on the command line: `folder` must be an absolute
// Windows folder (X:\ or X:\...), `exe` a bare file name. False with `error` set otherwise.
bool normalisePlacement(Placement& placement, std::string& error);

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
    PackageIdentity package;  // what the simulated installer answered for the package
    InstallerVerdict verdict; // why it refused the installation, where a rule of its own did
    std::vector<BoxShown> boxes;
    std::optional<InstallerCall> installer; // what the simulated installer received
    std::string standardOutput;
    std::uint32_t exitCode = 1;
    std::vector<std::string> processesRun;
};

// Runs setup.exe's entry with the launcher's command line `arguments` (the text after its
// own path) on `profile`, the medium in `hostFolder` placed as `placement` says.
LauncherRun runLauncher(const std::string& hostFolder, const Profile& profile,
                        const std::string& arguments, const Placement& placement);
