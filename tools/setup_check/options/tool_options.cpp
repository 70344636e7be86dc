#include "tools/setup_check/options/tool_options.h"

#include "locale/language.h"
#include "locale/language_table.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/machine/profile.h"
#include "tools/setup_check/machine/profile_show.h"
#include "tools/setup_check/package/package_reader.h"
#include "tools/setup_check/reports/tool_version.h"
#include "tools/setup_check/result/exit_status.h"

#include <cstdio>
#include <filesystem>
#include <iostream>

namespace setupcheck {

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
    "  --strict                 warnings about the medium make the exit status 4\n"
    "  --strict=all             warnings about the machine as well\n"
    "  --ignore <id>            leave out one kind of warning (may repeat; --list-warnings)\n"
    "  --deploy sheet|intune|winget\n"
    "                           instead of the report, what a deployment needs: a plain-text\n"
    "                           sheet, the JSON body of Intune's win32LobApp, or a winget\n"
    "                           manifest and a zip of the medium (docs/deploying.md); the\n"
    "                           launcher's arguments default to /S\n"
    "  --url <https://…/name.zip>  --deploy winget: where the zip will be downloaded from\n"
    "  --out <folder>           --deploy winget: where the zip and the manifest are written\n"
    "  --id <Publisher.Package> --deploy winget: the package identifier (default: made from\n"
    "                           the package's Manufacturer and ProductName)\n"
    "  --show-profile <name>    print a preset or profile file as key=value lines\n"
    "  --list-presets           the preset profiles\n"
    "  --list-languages         the languages the launcher knows: /l code, LANGID, files\n"
    "  --list-warnings          every warning: id, severity, scope, meaning\n"
    "  --version                the tool's version and JSON schema\n"
    "\n"
    "Profile keys:\n";

// How this build learns the package's identity.
std::string packageReadingHelp() {
    return packageReadingAvailable()
               ? "The package and its language and instance transforms are read from the medium\n"
                 "and applied by an installer engine (libmsi natively, msi.dll on Windows); the\n"
                 "profile's package_* keys override the package's own values.\n"
               : "No installer engine is at hand (msi.dll cannot be loaded): the package's\n"
                 "identity comes from the profile's package_* keys, else from Setup.ini, and no\n"
                 "transform is checked.\n";
}

std::string usageText() {
    std::string head = usageHead;
    head.replace(head.find("%PACKAGE%"), 9, packageReadingHelp());
    return head + profileKeysHelp() + "\n" + exitStatusHelp();
}

void listPresets() {
    for (const std::string& name : presetNames())
        std::cout << name << "  " << preset(name).value_or(Profile{}).description << "\n";
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

void listWarnings() {
    for (const WarningKind& kind : warningKinds()) {
        char line[240];
        std::snprintf(line, sizeof line, "%-28s %-8s %-8s %s\n", kind.id,
                      severityName(kind.severity), scopeName(kind.scope), kind.meaning);
        std::cout << line;
    }
}

// Options that print something and end the run: nothing when `a` is none of them, else how
// printing went.
std::optional<Status> printOnly(const std::string& a, int argc, char** argv, int& i) {
    if (a == "--help" || a == "-h")
        std::cout << usageText();
    else if (a == "--version")
        std::cout << "setup-check " << toolVersion << " (JSON schema " << jsonSchemaVersion
                  << ")\n";
    else if (a == "--list-presets")
        listPresets();
    else if (a == "--list-languages")
        listLanguages();
    else if (a == "--list-warnings")
        listWarnings();
    else if (a == "--show-profile") {
        if (i + 1 >= argc)
            return Status(Failure{"--show-profile needs a preset name or a file"});
        const Result<Profile> profile = loadProfile(argv[++i]);
        if (!profile)
            return Status(Failure{profile.reason()});
        std::cout << profileFileText(*profile);
    } else
        return std::nullopt;
    return Status();
}

Status takeStrictness(ToolOptions& o, const std::string& a) {
    if (a == "--strict")
        o.strict = Strictness::Medium;
    else if (a == "--strict=all")
        o.strict = Strictness::All;
    else
        return Failure{"--strict takes no value but =all"};
    return {};
}

Status takeDeployForm(ToolOptions& o, bool given, const std::string& form) {
    if (!given)
        return Failure{"--deploy needs a form: sheet, intune or winget"};
    if (form == "sheet")
        o.deploy = DeployForm::sheet;
    else if (form == "intune")
        o.deploy = DeployForm::intune;
    else if (form == "winget")
        o.deploy = DeployForm::winget;
    else
        return Failure{"--deploy " + form + ": no such form (sheet, intune, winget)"};
    return {};
}

// What --deploy and its options ask for together.
Status checkDeployOptions(const ToolOptions& o) {
    const WingetRequest& w = o.winget;
    const bool winget = o.deploy == DeployForm::winget;
    if (!winget && (!w.url.empty() || !w.outFolder.empty() || !w.identifier.empty()))
        return Failure{"--url, --out and --id belong to --deploy winget"};
    if (winget && (w.url.empty() || w.outFolder.empty()))
        return Failure{"--deploy winget needs --url and --out"};
    if (winget && w.url.rfind("https://", 0) != 0 && w.url.rfind("http://", 0) != 0)
        return Failure{"--url must be an http:// or https:// address"};
    if (winget && !w.identifier.empty() && !validWingetIdentifier(w.identifier))
        return Failure{"--id " + w.identifier +
                       ": not a winget identifier (Publisher.Package: 2 to 8 parts of 1 to 32 "
                       "characters, without blanks or \\ / : * ? \" < > |)"};
    if (o.deploy && (!o.matrix.empty() || o.json))
        return Failure{"--deploy describes one machine's run: not with --matrix or --json"};
    return {};
}

Status needs(bool given, const char* what) {
    return given ? Status() : Status(Failure{what});
}

// The option at argv[i] and its value if it takes one.
Status takeOption(ToolOptions& o, int argc, char** argv, int& i) {
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
    else if (a.rfind("--strict", 0) == 0)
        return takeStrictness(o, a);
    else if (a == "--ignore") {
        if (!value(text))
            return Failure{"--ignore needs a warning id (--list-warnings)"};
        const std::optional<WarningId> id = warningNamed(text);
        if (!id)
            return Failure{"--ignore " + text + ": no such warning (--list-warnings)"};
        o.ignored.insert(*id);
    } else if (a == "--profile")
        return needs(value(o.profileName), "--profile needs a preset name or a file");
    else if (a == "--set") {
        if (!value(text) || text.find('=') == std::string::npos)
            return Failure{"--set needs key=value"};
        o.settings.push_back(text);
    } else if (a == "--cmdline") {
        if (!value(text))
            return Failure{"--cmdline needs a text"};
        o.exactCommandLine = text;
    } else if (a == "--at")
        return needs(value(o.placement.folder), "--at needs a Windows folder");
    else if (a == "--exe")
        return needs(value(o.placement.exe), "--exe needs a file name");
    else if (a == "--matrix")
        return needs(value(o.matrix), "--matrix needs a list of profiles");
    else if (a == "--deploy")
        return takeDeployForm(o, value(text), text);
    else if (a == "--url")
        return needs(value(o.winget.url), "--url needs the address the zip is downloaded from");
    else if (a == "--out")
        return needs(value(o.winget.outFolder), "--out needs a folder");
    else if (a == "--id")
        return needs(value(o.winget.identifier), "--id needs a package identifier");
    else
        return Failure{"unknown option " + a};
    return {};
}

Status checkOptions(ToolOptions& o) {
    if (o.medium.empty())
        return Failure{"no medium folder given"};
    std::error_code ec;
    if (!std::filesystem::is_directory(o.medium, ec))
        return Failure{o.medium + " is not a folder"};
    o.medium = std::filesystem::absolute(o.medium, ec).lexically_normal().string();
    Result<Placement> placement = normalisedPlacement(o.placement);
    if (!placement)
        return Failure{placement.reason()};
    o.placement = *placement;
    if (o.exactCommandLine && !o.launcherArguments.empty())
        return Failure{"give the launcher's arguments after -- or with --cmdline, not both"};
    return checkDeployOptions(o);
}

} // namespace

int usageError(const std::string& message) {
    std::cerr << "setup-check: " << message << " (setup-check --help lists the options)\n";
    return int(ExitStatus::UsageError);
}

Parsed parseToolArguments(int argc, char** argv, ToolOptions& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") {
            o.launcherArguments.assign(argv + i + 1, argv + argc);
            break;
        }
        Status taken;
        if (const std::optional<Status> printed = printOnly(a, argc, argv, i)) {
            if (printed->ok())
                return Parsed::Done;
            taken = *printed;
        } else if (a.rfind("--", 0) == 0) {
            taken = takeOption(o, argc, argv, i);
        } else if (o.medium.empty()) {
            o.medium = a;
        } else {
            taken = Failure{"one medium folder only (launcher arguments go after --)"};
        }
        if (!taken) {
            (void)usageError(taken.reason());
            return Parsed::UsageError;
        }
    }
    if (const Status checked = checkOptions(o); !checked) {
        (void)usageError(checked.reason());
        return Parsed::UsageError;
    }
    return Parsed::Check;
}

std::string joinArguments(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        std::string quoted = argument;
        if (argument.find_first_of(" \t") != std::string::npos &&
            argument.find('"') == std::string::npos) {
            std::size_t eq = argument.find('=');
            quoted = eq == std::string::npos || argument.find_first_of(" \t") < eq
                         ? "\"" + argument + "\""
                         : argument.substr(0, eq + 1) + "\"" + argument.substr(eq + 1) + "\"";
        }
        line += (line.empty() ? "" : " ") + quoted;
    }
    return line;
}

} // namespace setupcheck
