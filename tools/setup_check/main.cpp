// setup-check: what the launcher will do with a medium on a given machine, before shipping.
#include "tools/setup_check/check.h"
#include "tools/setup_check/exit_status.h"
#include "tools/setup_check/profile.h"
#include "tools/setup_check/report.h"
#include "tools/setup_check/tool_options.h"

#include <algorithm>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ','))
        if (!part.empty())
            parts.push_back(part);
    return parts;
}

// Applies the --set settings. A profile they change is no longer the one its name and
// description stand for, so its label says what was changed.
bool applySettings(Profile& profile, const std::vector<std::string>& settings, std::string& error) {
    for (const std::string& s : settings) {
        const std::size_t eq = s.find('=');
        if (!applySetting(profile, s.substr(0, eq), s.substr(eq + 1), error))
            return false;
    }
    if (settings.empty())
        return true;
    profile.description.clear();
    for (std::size_t i = 0; i < settings.size(); ++i)
        profile.name += (i ? ", " : " with ") + settings[i];
    return true;
}

// The profiles to check on, each with the --set settings applied; empty after an error.
std::vector<Profile> loadProfiles(const ToolOptions& o, std::string& error) {
    std::vector<std::string> names{o.profileName};
    if (!o.matrix.empty())
        names = o.matrix == "all" ? presetNames() : splitList(o.matrix);
    std::vector<Profile> profiles;
    for (const std::string& name : names) {
        Profile profile;
        if (!loadProfile(name, profile, error) || !applySettings(profile, o.settings, error))
            return {};
        profiles.push_back(profile);
    }
    return profiles;
}

void leaveOut(std::vector<Warning>& warnings, const std::set<WarningId>& ignored) {
    warnings.erase(std::remove_if(warnings.begin(), warnings.end(),
                                  [&](const Warning& w) { return ignored.count(w.id) > 0; }),
                   warnings.end());
}

void print(const ToolOptions& o, const std::vector<CheckResult>& results, ExitStatus status) {
    if (o.json)
        std::cout << jsonReport(results, status);
    else if (o.matrix.empty())
        std::cout << textReport(results[0]);
    else
        std::cout << matrixTable(results) << matrixWarnings(results);
}

} // namespace

int main(int argc, char** argv) {
    ToolOptions o;
    switch (parseToolArguments(argc, argv, o)) {
    case Parsed::Done:
        return 0;
    case Parsed::UsageError:
        return int(ExitStatus::UsageError);
    case Parsed::Check:
        break;
    }
    std::string error;
    const std::vector<Profile> profiles = loadProfiles(o, error);
    if (profiles.empty())
        return usageError(error);
    const std::string arguments =
        o.exactCommandLine ? *o.exactCommandLine : joinArguments(o.launcherArguments);
    std::vector<CheckResult> results;
    for (const Profile& profile : profiles) {
        results.push_back(checkMedium(o.medium, profile, arguments, o.placement));
        leaveOut(results.back().warnings, o.ignored);
    }
    const ExitStatus status = checkStatus(results, o.strict);
    print(o, results, status);
    return int(status);
}
