// setup-check: what the launcher will do with a medium on a given machine, before shipping.
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/check.h"
#include "tools/setup_check/deploy/forms.h"
#include "tools/setup_check/options/tool_options.h"
#include "tools/setup_check/reports/report.h"
#include "tools/setup_check/result/exit_status.h"

#include <algorithm>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace setupcheck {

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
Status applySettings(Profile& profile, const std::vector<std::string>& settings) {
    for (const std::string& s : settings) {
        const std::size_t eq = s.find('=');
        if (Status applied = applySetting(profile, s.substr(0, eq), s.substr(eq + 1)); !applied)
            return applied;
    }
    if (settings.empty())
        return {};
    profile.description.clear();
    for (std::size_t i = 0; i < settings.size(); ++i)
        profile.name += (i ? ", " : " with ") + settings[i];
    return {};
}

// The profiles to check on, each with the --set settings applied.
Result<std::vector<Profile>> loadProfiles(const ToolOptions& o) {
    std::vector<std::string> names{o.profileName};
    if (!o.matrix.empty())
        names = o.matrix == "all" ? presetNames() : splitList(o.matrix);
    std::vector<Profile> profiles;
    for (const std::string& name : names) {
        Result<Profile> profile = loadProfile(name);
        if (!profile)
            return Failure{profile.reason()};
        if (Status applied = applySettings(*profile, o.settings); !applied)
            return Failure{applied.reason()};
        profiles.push_back(*profile);
    }
    if (profiles.empty())
        return Failure{"--matrix names no profile"};
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

// A deployment form is refused for what the medium does on the machine: the check's own
// status where the launcher refuses or the installation fails, else 2.
int noForm(const CheckResult& install, const std::string& reason) {
    std::cerr << "setup-check: no deployment form: " << reason << "\n";
    const ExitStatus status = runStatus(install);
    return int(status == ExitStatus::Succeeds ? ExitStatus::UsageError : status);
}

// --deploy: the installation run on the profile, the removal run (/x before the same
// arguments) with the product that run installs installed, and the form made from both.
int deploy(const ToolOptions& o, const Profile& profile, const std::string& arguments) {
    const MediumFindings medium = checkMediumFiles(o.medium, o.placement, readingMachine(profile));
    CheckResult install = checkOnMachine(medium, o.medium, profile, arguments, o.placement);
    leaveOut(install.warnings, o.ignored);
    Profile installed = profile;
    if (install.run.installs.known)
        installed.installed[utf16(install.run.installs.productCode.value)] =
            utf16(install.run.installs.productVersion.value);
    const CheckResult removal =
        checkOnMachine(medium, o.medium, installed, "/x " + arguments, o.placement);
    const Result<Deployment> d = makeDeployment(install, removal);
    if (!d)
        return noForm(install, d.reason());
    switch (*o.deploy) {
    case DeployForm::sheet:
        std::cout << deploymentSheet(*d, install);
        break;
    case DeployForm::intune:
        std::cout << intuneBody(*d);
        break;
    case DeployForm::winget: {
        const Result<std::vector<std::string>> written = writeWinget(*d, o.medium, o.winget);
        if (!written)
            return noForm(install, written.reason());
        for (const std::string& line : *written)
            std::cout << line << "\n";
        break;
    }
    }
    return int(ExitStatus::Succeeds);
}

int check(int argc, char** argv) {
    ToolOptions o;
    switch (parseToolArguments(argc, argv, o)) {
    case Parsed::Done:
        return 0;
    case Parsed::UsageError:
        return int(ExitStatus::UsageError);
    case Parsed::Check:
        break;
    }
    const Result<std::vector<Profile>> profiles = loadProfiles(o);
    if (!profiles)
        return usageError(profiles.reason());
    std::string arguments =
        o.exactCommandLine ? *o.exactCommandLine : joinArguments(o.launcherArguments);
    // A deployment runs silently unless the arguments say otherwise.
    if (o.deploy && !o.exactCommandLine && o.launcherArguments.empty())
        arguments = "/S";
    if (o.deploy)
        return deploy(o, profiles->front(), arguments);
    // The medium's files are the same on every machine, and read alike on machines of one ANSI
    // code page and mapped folders: they are read once for each such reading machine.
    using Reading = std::pair<std::uint32_t, decltype(Profile::mounts)>;
    std::map<Reading, MediumFindings> media;
    std::vector<CheckResult> results;
    for (const Profile& profile : *profiles) {
        const Profile reading = readingMachine(profile);
        const Reading key{*reading.ansiCodePage, reading.mounts};
        auto medium = media.find(key);
        if (medium == media.end())
            medium = media.emplace(key, checkMediumFiles(o.medium, o.placement, reading)).first;
        results.push_back(
            checkOnMachine(medium->second, o.medium, profile, arguments, o.placement));
        leaveOut(results.back().warnings, o.ignored);
    }
    const ExitStatus status = checkStatus(results, o.strict);
    print(o, results, status);
    return int(status);
}

} // namespace

} // namespace setupcheck

int main(int argc, char** argv) {
    return setupcheck::check(argc, argv);
}
