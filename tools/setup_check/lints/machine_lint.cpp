#include "tools/setup_check/lints/machine_lint.h"

#include "installer/msi_package.h"
#include "platform/msi_api.h"
#include "setup/setup_ini.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/lints/encoding_lint.h"
#include "tools/setup_check/medium/languages.h"
#include "tools/setup_check/medium/settings_read.h"

namespace setupcheck {

namespace {

// Why the simulated installer refused the installation, where a rule of the Windows Installer
// did, with the text Windows shows for the result.
void addRefusalWarning(Lint& lint, const SimulatedMachine& machine, const CheckResult& result) {
    const InstallerVerdict& verdict = result.run.verdict;
    if (verdict.otherVersionInstalled.empty())
        return;
    // The product that gets installed: the package's after the transforms handed over.
    const InstalledProduct& installs = result.run.installs;
    const IdentityValue& code = installs.known ? installs.productCode : result.identity.productCode;
    const IdentityValue& version =
        installs.known ? installs.productVersion : result.identity.productVersion;
    lint.add(WarningId::otherVersionInstalled, "", 0,
             "the product " + code.value + " is installed in version " +
                 verdict.otherVersionInstalled + ", and this package installs version " +
                 version.value +
                 " under the same ProductCode: the Windows Installer refuses the installation "
                 "with " +
                 std::to_string(verdict.result) + " (\"" + machine.systemErrorText(verdict.result) +
                 "\") unless the command line asks for a reinstallation (REINSTALL); a new "
                 "version needs a new ProductCode (a major upgrade), or REINSTALL=ALL "
                 "REINSTALLMODE=vomus on the command line (a minor upgrade)");
}

void addRuntimeWarning(Lint& lint, const CheckResult& result) {
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
}

void addKeyFileWarning(Lint& lint, const CheckResult& result) {
    const PackageDecision& package = result.record().package;
    if (package.instanceDescriptionFound && package.inspectResult == msi::errorNoMoreItems &&
        !package.productVersion.empty() && package.keyFileVersion.empty())
        lint.add(WarningId::keyFileRowMissing,
                 onTheMedium(result.placement.windowsFolder(), package.path), 0,
                 "the package has no File row " + utf8(keyFileName) +
                     ": its inspection stops before the setup.ini beside it is read, so an "
                     "installed instance is never recognised");
}

// A start refused for a file that cannot be read shows none of the language's texts.
void addMessagesWarning(Lint& lint, const CheckResult& result) {
    const DecisionRecord& record = result.record();
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
std::vector<MediumFile> textFiles(const SimulatedMachine& machine) {
    const std::u16string setupDir = machine.setupDir();
    std::vector<MediumFile> files{{settingsFileName(), setupDir + setupIni::fileName}};
    for (const auto& [id, name] : languagesOnTheMedium(machine.hostFolder()).messageFiles)
        files.push_back({name, setupDir + utf16(name)});
    return files;
}

} // namespace

void lintMachine(Lint& lint, const SimulatedMachine& machine, const CheckResult& result) {
    lintAnsiText(lint, machine, textFiles(machine));
    addRuntimeWarning(lint, result);
    addKeyFileWarning(lint, result);
    addRefusalWarning(lint, machine, result);
    addMessagesWarning(lint, result);
}

} // namespace setupcheck
