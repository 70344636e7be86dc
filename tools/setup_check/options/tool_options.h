// setup-check's own command line: the options, their checks, and what the tool prints for
// --help, --version and the listings.
#pragma once

#include "tools/setup_check/deploy/forms.h"
#include "tools/setup_check/machine/placement.h"
#include "tools/setup_check/result/exit_status.h"
#include "tools/setup_check/result/warning.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace setupcheck {

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
    // --deploy: the form to write instead of the report, and what winget's form needs.
    std::optional<DeployForm> deploy;
    WingetRequest winget;
};

// What parsing the tool's arguments came to.
enum class Parsed {
    Check,     // check the medium
    Done,      // help, version or a listing printed
    UsageError // reported on the standard error
};

[[nodiscard]] Parsed parseToolArguments(int argc, char** argv, ToolOptions& options);

// A usage error: one line on the standard error pointing to --help. Returns the exit status.
[[nodiscard]] int usageError(const std::string& message);

// Joins arguments given one by one (after --) into the launcher's command line, quoting those
// with blanks (KEY=a b becomes KEY="a b").
[[nodiscard]] std::string joinArguments(const std::vector<std::string>& arguments);

} // namespace setupcheck
