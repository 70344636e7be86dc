// setup-check: what the launcher will do with a medium on a given machine, before shipping.
#include "tools/setup_check/check.h"
#include "tools/setup_check/package_reader.h"
#include "tools/setup_check/profile.h"
#include "tools/setup_check/report.h"
#include "tools/setup_check/text.h"

#include "locale/language.h"
#include "locale/language_table.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const usageHead =
    "Usage: setup-check [options] <medium folder> [-- <setup.exe arguments>]\n"
    "\n"
    "Runs the launcher's own decisions on a simulated Windows, with the medium folder as\n"
    "C:\\media (or --at), and prints what it reads, decides, shows and hands to the Windows\n"
    "Installer, and what should be fixed on the medium.\n"
    "\n"
    "%PACKAGE%"
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
    "  --list-languages         the languages the launcher knows: /l code, LANGID, files\n"
    "\n"
    "Profile keys:\n";
const char* const usageTail =
    "\n"
    "Exit status: 0 the installation would start, 1 it would not, 2 usage error.\n";

struct ToolOptions {
    std::string medium;
    std::string profileName = "win10-en";
    std::string matrix;
    std::vector<std::string> settings;
    std::vector<std::string> launcherArguments;
    std::optional<std::string> exactCommandLine;
    Placement placement;
    bool json = false;
    bool strict = false;
};

// How this build learns the package's identity.
std::string packageReadingHelp() {
    return packageReadingAvailable()
               ? "The package and its language and instance transforms are read from the medium\n"
                 "as the installer reads them; the profile's package_* keys override the\n"
                 "package's own values.\n"
               : "This build reads no package: the package's identity comes from the profile's\n"
                 "package_* keys, else from Setup.ini, and no transform is checked.\n";
}

std::string usageText() {
    std::string head = usageHead;
    head.replace(head.find("%PACKAGE%"), 9, packageReadingHelp());
    return head + profileKeysHelp() + usageTail;
}

int usageError(const std::string& message) {
    std::cerr << "setup-check: " << message << "\n\n" << usageText();
    return 2;
}

void listPresets() {
    for (const std::string& name : presetNames()) {
        Profile p;
        preset(name, p);
        std::cout << name << "  " << p.description << "\n";
    }
}

// The launcher's language table with the names of the files each language uses.
void listLanguages() {
    std::cout << "code  LANGID  decimal  message file  transform  language\n";
    for (const LanguageRow& row : languageTable) {
        char line[160];
        std::snprintf(line, sizeof line, "%-4s  %-6s  %-7u  %-12s  %-9s  %s\n",
                      utf8(row.code).c_str(), languageText(row.languageId).c_str(),
                      unsigned(row.languageId), utf8(messageFileName(row.languageId)).c_str(),
                      utf8(languageTransformName(row.languageId)).c_str(), row.englishName);
        std::cout << line;
    }
}

// The option at argv[i] and its value if it takes one. Empty: understood; else the error.
std::string takeOption(ToolOptions& o, int argc, char** argv, int& i) {
    const std::string a = argv[i];
    auto value = [&](std::string& out) {
        if (i + 1 >= argc)
            return false;
        out = argv[++i];
        return true;
    };
    std::string text;
    if (a == "--json")
        o.json = true;
    else if (a == "--strict")
        o.strict = true;
    else if (a == "--profile")
        return value(o.profileName) ? "" : "--profile needs a preset name or a file";
    else if (a == "--set") {
        if (!value(text) || text.find('=') == std::string::npos)
            return "--set needs key=value";
        o.settings.push_back(text);
    } else if (a == "--cmdline") {
        if (!value(text))
            return "--cmdline needs a text";
        o.exactCommandLine = text;
    } else if (a == "--at")
        return value(o.placement.folder) ? "" : "--at needs a Windows folder";
    else if (a == "--exe")
        return value(o.placement.exe) ? "" : "--exe needs a file name";
    else if (a == "--matrix")
        return value(o.matrix) ? "" : "--matrix needs a list of profiles";
    else
        return "unknown option " + a;
    return "";
}

// 0: run the check; 1: done (help or presets printed); 2: usage error reported.
int parseArguments(int argc, char** argv, ToolOptions& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") {
            o.launcherArguments.assign(argv + i + 1, argv + argc);
            break;
        }
        if (a == "--help" || a == "-h") {
            std::cout << usageText();
            return 1;
        }
        if (a == "--list-presets" || a == "--list-languages") {
            a == "--list-presets" ? listPresets() : listLanguages();
            return 1;
        }
        if (a.rfind("--", 0) == 0) {
            if (std::string error = takeOption(o, argc, argv, i); !error.empty())
                return usageError(error);
        } else if (o.medium.empty()) {
            o.medium = a;
        } else {
            return usageError("one medium folder only (launcher arguments go after --)");
        }
    }
    return 0;
}

int checkArguments(ToolOptions& o) {
    if (o.medium.empty())
        return usageError("no medium folder given");
    std::error_code ec;
    if (!std::filesystem::is_directory(o.medium, ec))
        return usageError(o.medium + " is not a folder");
    o.medium = std::filesystem::absolute(o.medium, ec).lexically_normal().string();
    std::string error;
    if (!normalisePlacement(o.placement, error))
        return usageError(error);
    if (o.exactCommandLine && !o.launcherArguments.empty())
        return usageError("give the launcher's arguments after -- or with --cmdline, not both");
    return 0;
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

// The profiles to check on, each with the --set settings applied; empty after an error.
std::vector<Profile> loadProfiles(const ToolOptions& o, std::string& error) {
    std::vector<std::string> names{o.profileName};
    if (!o.matrix.empty())
        names = o.matrix == "all" ? presetNames() : splitList(o.matrix);
    std::vector<Profile> profiles;
    for (const std::string& name : names) {
        Profile profile;
        if (!loadProfile(name, profile, error))
            return {};
        for (const std::string& s : o.settings) {
            const std::size_t eq = s.find('=');
            if (!applySetting(profile, s.substr(0, eq), s.substr(eq + 1), error))
                return {};
        }
        profiles.push_back(profile);
    }
    return profiles;
}

void print(const ToolOptions& o, const std::vector<CheckResult>& results) {
    if (o.matrix.empty()) {
        std::cout << (o.json ? jsonReport(results[0]) : textReport(results[0]));
        return;
    }
    if (o.json) {
        std::cout << matrixJson(results);
        return;
    }
    std::cout << matrixTable(results);
    if (results[0].warnings.empty())
        return;
    std::cout << "\nWarnings\n";
    for (const Warning& w : results[0].warnings)
        if (!w.file.empty())
            std::cout << "  " << warningText(w) << "\n";
}

} // namespace

int main(int argc, char** argv) {
    ToolOptions o;
    if (int parsed = parseArguments(argc, argv, o))
        return parsed == 1 ? 0 : parsed;
    if (int bad = checkArguments(o))
        return bad;
    std::string error;
    const std::vector<Profile> profiles = loadProfiles(o, error);
    if (profiles.empty())
        return usageError(error);
    const std::string arguments =
        o.exactCommandLine ? *o.exactCommandLine : joinArguments(o.launcherArguments);
    std::vector<CheckResult> results;
    for (const Profile& profile : profiles)
        results.push_back(checkMedium(o.medium, profile, arguments, o.placement));
    print(o, results);
    bool allStarted = true, anyWarning = false;
    for (const CheckResult& r : results) {
        allStarted = allStarted && r.started();
        anyWarning = anyWarning || !r.warnings.empty();
    }
    return allStarted && !(o.strict && anyWarning) ? 0 : 1;
}
