#include "tools/setup_check/lints/installer_lint.h"

#include "cmdline/option_parser.h"
#include "cmdline/option_table.h"
#include "installer/msi_package.h"
#include "platform/msi_api.h"
#include "setup/setup_ini.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/medium/ini_reading.h"
#include "tools/setup_check/medium/settings_read.h"

#include <vector>

namespace setupcheck {

namespace {

// ` with 1638 ("Another version ...")`: the result and the text Windows shows for it.
std::string answerText(const SimulatedMachine& machine, std::uint32_t result) {
    return " with " + std::to_string(result) + " (\"" + machine.systemErrorText(result) + "\")";
}

void addOtherPackage(Lint& lint, const SimulatedMachine& machine, const CheckResult& r) {
    const InstallerVerdict& v = r.run.verdict;
    if (v.result != msi::errorProductVersion || v.otherVersionInstalled.empty())
        return;
    // The product that gets installed: the package's after the transforms handed over.
    const InstalledProduct& installs = r.run.installs;
    const std::string& product =
        (installs.known ? installs.productCode : r.identity.productCode).value;
    const std::string& version =
        (installs.known ? installs.productVersion : r.identity.productVersion).value;
    const bool removal = r.record().commandLine.mode == InstallMode::Uninstall;
    const std::string what = removal ? "removal" : "installation";
    std::string message =
        "the product " + product + " is installed in version " + v.otherVersionInstalled;
    if (v.sameVersion)
        message += " from another package (package code " + v.otherPackageCode +
                   ", this package's is " + r.identity.packageCode.value +
                   "): to the Windows Installer a rebuilt package of the same version is another "
                   "package, and it refuses the " +
                   what;
    else
        message += ", and this package " + std::string(removal ? "is" : "installs") + " version " +
                   version + " under the same ProductCode: the Windows Installer refuses the " +
                   what;
    message += answerText(machine, v.result);
    if (removal)
        message += ", and " + v.otherVersionInstalled +
                   " stays installed; remove it with the package it was installed from, or by its "
                   "ProductCode (msiexec /x " +
                   product + ")";
    else
        message += " unless the command line reinstalls the product from this package "
                   "(REINSTALL=ALL REINSTALLMODE=vomus: a minor upgrade); " +
                   std::string(v.sameVersion ? "give a rebuilt package a version of its own"
                                             : "a new version needs a new ProductCode (a major "
                                               "upgrade)");
    lint.add(WarningId::otherVersionInstalled, "", 0, message);
}

void addPlatform(Lint& lint, const SimulatedMachine& machine, const CheckResult& r) {
    const InstallerVerdict& v = r.run.verdict;
    if (v.result != msi::errorInstallPlatformUnsupported || v.platform.empty())
        return;
    lint.add(WarningId::platformUnsupported, "", 0,
             "the package is made for the platform " + v.platform + " (its Template is " +
                 r.run.package.facts.templateText + "), which Windows on " +
                 architectureName(r.profile.architecture) +
                 " does not install: the Windows Installer refuses it" +
                 answerText(machine, v.result) +
                 "; offer such machines a package of their own (Intel installs everywhere)");
}

// Where a piece of the installer's command line came from: CmdLine, an argument the launcher
// passed on, the rest of a log path cut at its blank, or the launcher's own properties.
enum class Source { settings, argument, logPath, launcher };
struct Origin {
    Source source = Source::launcher;
    std::u16string argument; // the launcher's argument that holds the piece
};

// The arguments the launcher passed on to the installer, as its own parser finds them.
std::vector<std::u16string> passedOn(const CommandLineDecision& c) {
    OptionParser parser;
    parser.setArguments(c.arguments);
    parser.setLongOptionsEnabled(false);
    parser.defineOptions(optionTable);
    (void)parser.parse();
    std::vector<std::u16string> passed;
    for (std::size_t i = 0; i < parser.parameterCount(); ++i)
        passed.push_back(parser.parameterValue(i));
    return passed;
}

// Whether `argument` stands right after the log path, which ends at a blank unless quoted.
bool followsLogPath(const CommandLineDecision& c, const std::u16string& argument) {
    if (c.logFile.empty())
        return false;
    for (std::size_t i = 1; i < c.arguments.size(); ++i) {
        const std::u16string& before = c.arguments[i - 1];
        if (c.arguments[i] == argument && before.size() >= c.logFile.size() &&
            before.compare(before.size() - c.logFile.size(), c.logFile.size(), c.logFile) == 0)
            return true;
    }
    return false;
}

// The launcher appends the arguments it passes on after CmdLine, each followed by a blank, so a
// piece where they stand came from one of them; one before them, from CmdLine.
Origin originOf(const DecisionRecord& record, std::size_t at) {
    const std::u16string& line = record.installer.commandLine;
    const std::vector<std::u16string> passed = passedOn(record.commandLine);
    std::u16string joined;
    for (const std::u16string& argument : passed)
        joined += argument + u" ";
    const std::size_t start = passed.empty() ? std::u16string::npos : line.rfind(joined);
    if (start != std::u16string::npos && at >= start) {
        std::size_t end = start;
        for (const std::u16string& argument : passed) {
            end += argument.size() + 1;
            if (at < end)
                return {followsLogPath(record.commandLine, argument) ? Source::logPath
                                                                     : Source::argument,
                        argument};
        }
    }
    const std::u16string cmdLine = lookedUp(record, setupIni::startup, setupIni::cmdLine);
    if (!cmdLine.empty() && line.find(cmdLine) != std::u16string::npos)
        return {Source::settings, {}};
    return {};
}

bool isSwitch(const RefusedPiece& piece) {
    return piece.fault == PieceFault::bareWord && !piece.text.empty() &&
           (piece.text[0] == u'/' || piece.text[0] == u'-');
}

// What is wrong with the piece, in words.
std::string faultText(const RefusedPiece& piece) {
    const std::string text = "'" + utf8(piece.text) + "'";
    switch (piece.fault) {
    case PieceFault::quotedPiece:
        return text + " quotes a whole setting, so the installer finds no property name in it";
    case PieceFault::noName:
        return text + " gives a value without a property name";
    case PieceFault::unclosedQuote:
        return text + " opens a quote it never closes";
    case PieceFault::bareWord:
        break;
    }
    if (isSwitch(piece))
        return text + " is a switch, for which the installer's property string has no place";
    return text + " is no NAME=value setting (a value ends at a blank unless it is quoted)";
}

// How to write it so that the installer reads it: a quoted setting (`whole`: the argument that
// holds it, else the piece) with its value quoted instead; a word after a setting quoted with
// that setting's value.
std::string fixText(const RefusedPiece& piece, const std::u16string& commandLine,
                    const std::u16string& whole) {
    const InstallerCommandLine read = readInstallerCommandLine(commandLine);
    std::u16string text =
        piece.fault == PieceFault::quotedPiece && !whole.empty() ? whole : piece.text;
    std::erase(text, u'"');
    switch (piece.fault) {
    case PieceFault::quotedPiece: {
        const std::size_t equals = text.find(u'=');
        return "quote the value, not the setting: " + utf8(text.substr(0, equals + 1)) + "\"" +
               utf8(text.substr(equals + 1)) + "\"";
    }
    case PieceFault::noName:
        return "give the value its property's name";
    case PieceFault::unclosedQuote:
        return "close the quote";
    case PieceFault::bareWord:
        break;
    }
    if (isSwitch(piece))
        return "leave msiexec's switches out (/S makes the launcher's run silent)";
    if (read.settings.empty())
        return "write NAME=value settings only";
    const PropertySetting& before = read.settings.back();
    return "quote a value that holds a blank: " + utf8(before.name) + "=\"" + utf8(before.value) +
           " " + utf8(text) + "\"";
}

void addCommandLine(Lint& lint, const SimulatedMachine& machine, const CheckResult& r) {
    const InstallerVerdict& v = r.run.verdict;
    if (v.result != msi::errorInvalidCommandLine || !v.refusedPiece)
        return;
    const RefusedPiece& piece = *v.refusedPiece;
    const DecisionRecord& record = r.record();
    const std::string refused =
        "the Windows Installer refuses the whole command line" + answerText(machine, v.result);
    const Origin origin = originOf(record, piece.at);
    const std::string fix = fixText(piece, record.installer.commandLine, origin.argument);
    const std::string& launcher = r.placement.exe;
    switch (origin.source) {
    case Source::logPath:
        lint.add(WarningId::invalidCommandLine, launcher, 0,
                 "the log path after /debuglog ends at its first blank: the launcher logs to " +
                     utf8(record.commandLine.logFile) + " and passes '" + utf8(origin.argument) +
                     "' on as a property, and " + refused + "; quote the path: /debuglog \"" +
                     utf8(record.commandLine.logFile) + " " + utf8(origin.argument) + "\"");
        return;
    case Source::argument:
        lint.add(WarningId::invalidCommandLine, launcher, 0,
                 "the launcher passes its argument '" + utf8(origin.argument) +
                     "' on to the installer as it stands, and there " + faultText(piece) + ": " +
                     refused + "; " + fix +
                     " (setup-check's -- quotes an argument holding a blank so; --cmdline checks "
                     "the exact text a deployment tool passes)");
        return;
    case Source::settings: {
        const IniReading settings = readIni(machine, machine.setupDir() + setupIni::fileName);
        lint.add(WarningId::invalidCommandLine, settingsFileName(),
                 settings.positions.keyLine(setupIni::startup, setupIni::cmdLine),
                 "in CmdLine " + faultText(piece) +
                     ": CmdLine reaches the installer in every run, and " + refused + "; " + fix);
        return;
    }
    case Source::launcher:
        lint.add(WarningId::invalidCommandLine, launcher, 0,
                 "in the launcher's command line for the installer " + faultText(piece) + ": " +
                     refused);
        return;
    }
}

std::string silentRestartText(const RestartOutcome& restart) {
    const std::string action = restart.sequence
                                   ? "the package's InstallExecuteSequence runs " + restart.cause +
                                         " (" + std::to_string(restart.sequence) + ")"
                                   : "the command line sets " + restart.cause;
    return action + (restart.restart == Restart::during
                         ? ": Windows restarts the machine during the installation, without "
                           "asking, and the installer answers 1641"
                         : ": Windows restarts the machine at the end of the installation, "
                           "without asking, and the installer answers 1641");
}

void addRestart(Lint& lint, const CheckResult& r) {
    const InstallerVerdict& v = r.run.verdict;
    const RestartOutcome& restart = v.restart;
    const bool silent = r.record().commandLine.uiLevel == std::uint32_t(msi::uiLevelNone);
    if (!silent || !msi::installSucceeded(v.result))
        return;
    std::vector<std::string> ways;
    if (restart.restart == Restart::atEnd || restart.restart == Restart::during)
        ways.push_back(silentRestartText(restart));
    for (const SequenceAction& action : restart.conditional)
        ways.push_back("the package's InstallExecuteSequence runs " + action.action + " (" +
                       std::to_string(action.sequence) + ") where its condition " +
                       action.condition +
                       " holds (setup-check evaluates no conditions), and Windows then restarts "
                       "the machine without asking");
    if (ways.empty())
        return;
    std::string message = "in this silent run ";
    for (std::size_t i = 0; i < ways.size(); ++i)
        message += (i ? "; and " : "") + ways[i];
    lint.add(WarningId::silentRestart,
             onTheMedium(r.placement.windowsFolder(), r.record().package.path), 0,
             message + "; set REBOOT=ReallySuppress in CmdLine to keep the machine running (the "
                       "installer then answers 3010, and the deployment restarts it when it "
                       "chooses)");
}

// A per-user installation by a deployment agent, which runs as SYSTEM, is one for the SYSTEM
// account: the product lands in that account's profile and no user sees it.
void addPerUser(Lint& lint, const CheckResult& r) {
    const InstalledProduct& p = r.run.installs;
    if (!p.known || r.record().commandLine.mode != InstallMode::Install ||
        p.context.context != InstallContext::perUser)
        return;
    lint.add(
        WarningId::perUserAsSystem, "", 0,
        "the package installs per user (" + p.context.reason +
            "): a deployment agent running as SYSTEM (Intune, Configuration Manager) installs "
            "it for the SYSTEM account, where no user sees it; deploy it in the user's context "
            "(Intune: run as user), or install it per machine where the package allows that "
            "(ALLUSERS=1 on the command line)");
}

} // namespace

void lintInstallerAnswer(Lint& lint, const SimulatedMachine& machine, const CheckResult& result) {
    if (!result.started())
        return;
    addOtherPackage(lint, machine, result);
    addPlatform(lint, machine, result);
    addCommandLine(lint, machine, result);
    addRestart(lint, result);
    addPerUser(lint, result);
}

} // namespace setupcheck
