// setup-check: what the launcher will do with a medium on a given machine, before shipping.
#include "tools/setup_check/medium_check.h"
#include "tools/setup_check/profile.h"
#include "tools/setup_check/report.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const usageText =
    "Usage: setup-check [options] <medium folder> [-- <setup.exe arguments>]\n"
    "\n"
    "Runs the launcher's own decisions on a simulated Windows, with the medium folder as\n"
    "C:\\media (or --at), and prints what it reads, decides, shows and hands to the Windows\n"
    "Installer, and what should be fixed on the medium.\n"
    "\n"
    "  --profile <preset|file>  the machine (default win10-en); a file holds key=value lines\n"
    "  --set <key>=<value>      one profile setting, after the profile (may repeat)\n"
    "  --cmdline <text>         the launcher's command line after its path, exactly as given\n"
    "  --at <Windows folder>    where the medium appears (default C:\\media; C:\\ for a root)\n"
    "  --exe <file name>        the launcher's file name there (default setup.exe)\n"
    "  --matrix <p1,p2,...|all> the medium against several profiles, as a table\n"
    "  --json                   JSON instead of text\n"
    "  --strict                 any warning makes the exit status 1\n"
    "  --list-presets           the preset profiles\n"
    "\n"
    "Profile keys: preset, windows, service_pack, user_language, system_language,\n"
    "custom_locale_language, keyboards, currency, country_code, geo_id, msi_runtime,\n"
    "runtime_setup (runs|fails), runtime_after_setup, installed.<ProductCode>,\n"
    "package_product_code, package_version, package_code, package_key_file, installer_result,\n"
    "map.<X:\\folder> (a host folder).\n"
    "\n"
    "Exit status: 0 the installation would start, 1 it would not, 2 usage error.\n";

int usageError(const std::string& message) {
    std::cerr << "setup-check: " << message << "\n\n" << usageText;
    return 2;
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ','))
        if (!part.empty())
            parts.push_back(part);
    return parts;
}

} // namespace

int main(int argc, char** argv) {
    std::string medium, profileName = "win10-en", matrix;
    std::vector<std::string> settings, launcherArguments;
    std::optional<std::string> exactCommandLine;
    Placement placement;
    bool json = false, strict = false, afterDashes = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        if (afterDashes) {
            launcherArguments.push_back(a);
        } else if (a == "--") {
            afterDashes = true;
        } else if (a == "--help" || a == "-h") {
            std::cout << usageText;
            return 0;
        } else if (a == "--list-presets") {
            for (const std::string& name : presetNames()) {
                Profile p;
                preset(name, p);
                std::cout << name << "  " << p.description << "\n";
            }
            return 0;
        } else if (a == "--json") {
            json = true;
        } else if (a == "--strict") {
            strict = true;
        } else if (a == "--profile") {
            if (!value(profileName))
                return usageError("--profile needs a preset name or a file");
        } else if (a == "--set") {
            std::string s;
            if (!value(s) || s.find('=') == std::string::npos)
                return usageError("--set needs key=value");
            settings.push_back(s);
        } else if (a == "--cmdline") {
            std::string s;
            if (!value(s))
                return usageError("--cmdline needs a text");
            exactCommandLine = s;
        } else if (a == "--at") {
            if (!value(placement.folder))
                return usageError("--at needs a Windows folder");
        } else if (a == "--exe") {
            if (!value(placement.exe))
                return usageError("--exe needs a file name");
        } else if (a == "--matrix") {
            if (!value(matrix))
                return usageError("--matrix needs a list of profiles");
        } else if (a.rfind("--", 0) == 0) {
            return usageError("unknown option " + a);
        } else if (medium.empty()) {
            medium = a;
        } else {
            return usageError("one medium folder only (launcher arguments go after --)");
        }
    }
    if (medium.empty())
        return usageError("no medium folder given");
    std::error_code ec;
    if (!std::filesystem::is_directory(medium, ec))
        return usageError(medium + " is not a folder");
    medium = std::filesystem::absolute(medium, ec).lexically_normal().string();
    std::string placementError;
    if (!normalisePlacement(placement, placementError))
        return usageError(placementError);
    if (exactCommandLine && !launcherArguments.empty())
        return usageError("give the launcher's arguments after -- or with --cmdline, not both");
    std::string arguments = exactCommandLine ? *exactCommandLine : joinArguments(launcherArguments);

    std::vector<std::string> profileNames{profileName};
    if (!matrix.empty())
        profileNames = matrix == "all" ? presetNames() : splitList(matrix);
    std::vector<Profile> profiles;
    for (const std::string& name : profileNames) {
        Profile profile;
        std::string error;
        if (!loadProfile(name, profile, error))
            return usageError(error);
        for (const std::string& s : settings) {
            std::size_t eq = s.find('=');
            if (!applySetting(profile, s.substr(0, eq), s.substr(eq + 1), error))
                return usageError(error);
        }
        profiles.push_back(profile);
    }

    std::vector<CheckResult> results;
    for (const Profile& profile : profiles)
        results.push_back(checkMedium(medium, profile, arguments, placement));

    bool allStarted = true, anyWarning = false;
    for (const CheckResult& r : results) {
        allStarted = allStarted && r.started() && r.inconsistency.empty();
        anyWarning = anyWarning || !r.warnings.empty();
    }
    if (matrix.empty())
        std::cout << (json ? jsonReport(results[0]) : textReport(results[0]));
    else if (json)
        std::cout << matrixJson(results);
    else {
        std::cout << matrixTable(results);
        if (!results[0].warnings.empty()) {
            std::cout << "\nWarnings\n";
            for (const Warning& w : results[0].warnings)
                if (!w.file.empty())
                    std::cout << "  " << w.file << (w.line ? ":" + std::to_string(w.line) : "")
                              << ": " << w.message << "\n";
        }
    }
    return allStarted && !(strict && anyWarning) ? 0 : 1;
}
