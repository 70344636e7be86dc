// setup-check's own command line: the options, their checks, and what the tool prints for
// --help, --version and the listings.
#pragma once

#include "tools/setup_check/exit_status.h"
#include "tools/setup_check/launcher_run.h"
#include "tools/setup_check/warning.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

struct ToolOptions {
    std::string medium;
    std::string profileName = "win10-en";
    std::string matrix;
    std::vector<std::string> settings;
    std::vector<std::string> launcherArguments;
    std::optional<std::string> exactCommandLine;
    Placement placement;
    bool json = false;
    Strictness strict = Strictness::Off;
    std::set<WarningId> ignored;
};

// What parsing the tool's arguments came to.
enum class Parsed {
    Check,     // check the medium
    Done,      // help, version or a listing printed
    UsageError // reported on the standard error
};

Parsed parseToolArguments(int argc, char** argv, ToolOptions& options);

// A usage error: one line on the standard error pointing to --help. Returns the exit status.
int usageError(const std::string& message);
