#include "tools/setup_check/check.h"

#include "installer/msi_package.h"
#include "platform/platform.h"
#include "platform/wtext.h"
#include "tools/setup_check/command_line_lint.h"
#include "tools/setup_check/encoding_lint.h"
#include "tools/setup_check/medium_lint.h"
#include "tools/setup_check/settings_read.h"
#include "tools/setup_check/text.h"

namespace {

constexpr std::uint32_t errorNoMoreItems = 259; // a query of the inspection found no row

// Why the simulated installer refused the installation, where a rule of the Windows Installer
// did, with the text Windows shows for the result.
void addRefusalWarning(const CheckResult& result, Lint& lint) {
    const InstallerVerdict& verdict = result.run.verdict;
    if (verdict.otherVersionInstalled.empty())
        return;
    std::u16string text;
    platform::systemErrorText(verdict.result, text);
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r'))
        text.pop_back();
    lint.add(WarningId::otherVersionInstalled, "", 0,
             "the product " + result.identity.productCode.value + " is installed in version " +
                 verdict.otherVersionInstalled + ", and this package installs version " +
                 result.identity.productVersion.value +
                 " under the same ProductCode: the Windows Installer refuses the installation "
                 "with " +
                 std::to_string(verdict.result) + " (\"" + utf8(text) +
                 "\") unless the command line asks for a reinstallation (REINSTALL); a new "
                 "version needs a new ProductCode (a major upgrade), or REINSTALL=ALL "
                 "REINSTALLMODE=vomus on the command line (a minor upgrade)");
}

// What the publisher should know about this machine, from what the launcher decided on it.
void addMachineWarnings(const CheckResult& result, Lint& lint) {
    const DecisionRecord& record = result.record();
    const RuntimeDecision& runtime = record.runtime;
    if (result.started() && runtime.older && !runtime.setupFound)
        lint.add(WarningId::runtimeUpdateMissing, "", 0,
                 "the installed Windows Installer " +
                     (runtime.installed.empty() ? std::string("(version unreadable)")
                                                : utf8(runtime.installed)) +
                     " is older than the " + utf8(record.windows.requiredRuntime) +
                     " required, and instmsi30.exe is not on the medium: the launcher goes on "
                     "with the old one");
    const PackageDecision& package = record.package;
    if (package.instanceDescriptionFound && package.inspectResult == errorNoMoreItems &&
        !package.productVersion.empty() && package.keyFileVersion.empty())
        lint.add(WarningId::keyFileRowMissing,
                 onTheMedium(result.placement.windowsFolder(), package.path), 0,
                 "the package has no File row " + utf8(keyFileName) +
                     ": its inspection stops before the setup.ini beside it is read, so an "
                     "installed instance is never recognised");
    addRefusalWarning(result, lint);
    // A start refused for a file that cannot be read shows none of the language's texts.
    const MessagesDecision& messages = record.messages;
    if (messages.file.empty() || record.initOutcome == InitOutcome::UnreadableFile)
        return;
    for (const SettingRead& read : result.read)
        if (read.file == utf8(messages.file))
            return;
    lint.add(WarningId::messagesEmpty, utf8(messages.file), 0,
             "no section [" + utf8(messages.section) + "] with texts for language " +
                 utf8(messages.section) + ": every box of the launcher shows an empty text");
}

// Setup.ini and the message files on the medium.
std::vector<MediumFile> textFiles(const std::string& hostFolder, const std::u16string& setupDir) {
    std::vector<MediumFile> files{{"Setup.ini", setupDir + u"Setup.ini"}};
    for (const auto& [id, name] : languagesOnTheMedium(hostFolder).messageFiles)
        files.push_back({name, setupDir + utf16(name)});
    return files;
}

// What Setup.ini's [Startup] says for `key`, as the launcher read it.
std::u16string stated(const std::vector<SettingRead>& read, const char* key) {
    for (const SettingRead& s : read)
        if (s.section == "Startup" && s.key == key)
            return utf16(s.value);
    return {};
}

} // namespace

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

CheckResult checkMedium(const std::string& hostFolder, const Profile& profile,
                        const std::string& arguments, const Placement& placement) {
    CheckResult result;
    result.medium = hostFolder;
    result.placement = placement;
    result.profile = profile;
    result.arguments = arguments;
    result.run = runLauncher(hostFolder, profile, arguments, placement);
    // The simulated machine still holds the medium where the launcher read it, and reads text
    // in the profile's code page.
    const std::u16string setupDir = placement.windowsFolder();
    result.read = settingsRead(result.record(), setupDir);
    Lint machine;
    lintAnsiText(machine, textFiles(hostFolder, setupDir), ansiCodePageOf(profile));
    MediumFindings medium = checkMediumFiles(hostFolder, placement);
    result.package = medium.package;
    // A run that never opened the package (refused, or only the usage shown) still reports what
    // it would have been answered.
    result.identity =
        result.run.package.opened
            ? result.run.package
            : identifyPackage(result.package.facts, profile, stated(result.read, "ProductCode"),
                              stated(result.read, "ProductVersion"));
    Lint lint;
    lint.warnings = medium.warnings;
    lintCommandLine(lint, result.record(), placement.exe);
    lint.warnings.insert(lint.warnings.end(), machine.warnings.begin(), machine.warnings.end());
    addMachineWarnings(result, lint);
    result.warnings = lint.warnings;
    return result;
}

MediumFindings checkMediumFiles(const std::string& hostFolder, const Placement& placement) {
    // A plain run (no options) tells what the launcher reads from the medium.
    const LauncherRun plain = runLauncher(hostFolder, Profile{}, "", placement);
    return lintMedium(hostFolder, placement.windowsFolder(), plain.record);
}

std::vector<Warning> mediumWarnings(const std::string& hostFolder, const Placement& placement) {
    return checkMediumFiles(hostFolder, placement).warnings;
}
