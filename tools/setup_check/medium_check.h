// Runs the launcher's own init and run on the simulated Windows against a medium folder and a
// profile, and records what it read, what it decided, what it showed and what it handed to
// the Windows Installer; beside that, what a publisher should fix on the medium.
#pragma once

#include "tools/setup_check/profile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Every text is UTF-8.
struct Warning {
    std::string file;     // name on the medium ("Setup.ini", "0x0419.ini"), or "" for the run
    std::size_t line = 0; // 0: the file as a whole
    std::string message;
};

struct SettingRead {
    std::string file;
    std::string section;
    std::string key;
    std::string value;
    std::size_t line = 0;
};

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

struct Decisions {
    bool settingsFound = false;
    std::string malformed; // "<file>, line <n>: <problem>" when a file could not be split
    bool usageAsked = false;
    bool windowsAccepted = false;
    std::string installMode; // install, administrative installation, removal
    std::uint32_t uiLevel = 0;
    std::uint32_t languageId = 0;      // after the whole run
    std::uint32_t startLanguageId = 0; // after the options
    bool languageGiven = false;
    std::string languageReason;
    std::string messageFile;    // e.g. 0x0409.ini
    std::string messageSection; // e.g. 0x0419
    std::string requiredRuntime;
    std::string installedRuntime; // "" when it cannot be read
    bool runtimeOlder = false;
    bool runtimeSetupPresent = false;
    bool runtimeSetupRan = false;
    std::string packagePath;
    bool packageFound = false;
    std::string packageProductCode, packageVersion, packageKeyFileVersion, packageCode;
    std::string instanceName, instanceProductCode;
    bool instanceDescriptionPresent = false; // setup.ini beside the package
    bool adminUpdate = false;
    int installedState = -1;
    bool ukraineRuleOn = false;
    int ukraineSigns = 0;
    std::vector<std::string> ukraineSignsFound;
    bool ukraineApplied = false;
    std::string transforms; // the TRANSFORMS= setting handed over, or ""
    std::string languageTransform;
    bool languageTransformPresent = false;
    std::string cmdLineTail;
};

// Where the launcher stands on the simulated machine: the medium's host folder is mapped onto
// `folder` (a Windows folder; C:\ for the root of a drive) and the launcher is the file
// `exe` in it, which sets its module path and its command line.
struct Placement {
    std::string folder = "C:\\media";
    std::string exe = "setup.exe";

    // The launcher's full Windows path, e.g. C:\media\setup.exe or C:\setup.exe.
    std::string launcherPath() const;
};

// Checks and tidies a placement given on the command line: `folder` must be an absolute
// Windows folder (X:\ or X:\...), `exe` a bare file name. False with `error` set otherwise.
bool normalisePlacement(Placement& placement, std::string& error);

struct CheckResult {
    std::string medium;
    Placement placement;
    Profile profile;
    std::string arguments; // the launcher's command line after its own path
    std::vector<SettingRead> read;
    Decisions decisions;
    std::vector<BoxShown> boxes;
    std::optional<InstallerCall> installer;
    std::string standardOutput;
    std::uint32_t exitCode = 1;
    std::vector<std::string> processesRun;
    std::vector<Warning> warnings;
    // The explaining run and the launcher's own entry disagreed (never expected).
    std::string inconsistency;

    bool started() const { return installer.has_value(); }
};

// Joins arguments given one by one into a command line, quoting those with blanks
// (KEY=a b becomes KEY="a b").
std::string joinArguments(const std::vector<std::string>& arguments);

// Checks the medium in `hostFolder` on `profile` with the launcher's command line `arguments`
// (the text after the program's own path), the medium placed as `placement` says.
CheckResult checkMedium(const std::string& hostFolder, const Profile& profile,
                        const std::string& arguments, const Placement& placement = {});

// What a publisher should fix on the medium, whatever the machine.
std::vector<Warning> mediumWarnings(const std::string& hostFolder, const Placement& placement = {});
