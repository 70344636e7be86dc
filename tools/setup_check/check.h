// A medium checked against one machine: the launcher's own run with its decision record, the
// settings it read with their lines, and what a publisher should fix on the medium or know
// about the machine.
#pragma once

#include "tools/setup_check/launcher_run.h"
#include "tools/setup_check/package_lint.h"
#include "tools/setup_check/profile.h"
#include "tools/setup_check/warning.h"

#include <cstdint>
#include <string>
#include <vector>

struct SettingRead {
    std::string file;
    std::string section;
    std::string key;
    std::string value;
    std::size_t line = 0; // 0: not in the file (the launcher read an empty value)
};

struct CheckResult {
    std::string medium;
    Placement placement;
    Profile profile;
    std::string arguments; // the launcher's command line after its own path
    LauncherRun run;
    PackageCheck package; // the package and its transforms, read from the medium
    // The package's identity as this machine's installer answers it, each value with its source.
    PackageIdentity identity;
    std::vector<SettingRead> read;
    std::vector<Warning> warnings;

    const DecisionRecord& record() const { return run.record; }
    bool started() const { return run.record.installer.called; }
};

// Joins arguments given one by one into a command line, quoting those with blanks
// (KEY=a b becomes KEY="a b").
std::string joinArguments(const std::vector<std::string>& arguments);

// Checks the medium in `hostFolder` on `profile` with the launcher's command line `arguments`
// (the text after the program's own path), the medium placed as `placement` says.
CheckResult checkMedium(const std::string& hostFolder, const Profile& profile,
                        const std::string& arguments, const Placement& placement = {});

struct MediumFindings;
// What a publisher should fix on the medium in `hostFolder`, whatever the machine, and what the
// package and its transforms were found to be.
MediumFindings checkMediumFiles(const std::string& hostFolder, const Placement& placement = {});
std::vector<Warning> mediumWarnings(const std::string& hostFolder, const Placement& placement = {});
