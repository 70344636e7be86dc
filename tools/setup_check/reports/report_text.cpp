#include "tools/setup_check/explain/explain.h"

#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/explain/msiexec_line.h"
#include "tools/setup_check/package/table_snapshot.h"
#include "tools/setup_check/reports/report.h"
#include <sstream>

namespace setupcheck {

namespace {

std::string profileSummary(const Profile& p) {
    std::string text = windowsText(p.windows) + " " + architectureName(p.architecture) +
                       ", user language " + hexText(p.userLanguage, 4) + ", system language " +
                       hexText(p.systemLanguage, 4) + ", keyboards ";
    for (std::size_t i = 0; i < p.keyboards.size(); ++i)
        text += (i ? "," : "") + hexText(std::uint32_t(p.keyboards[i]), 8);
    text += ", currency " + (p.currency ? utf8(*p.currency) : std::string("none"));
    text +=
        ", country code " + (p.countryCode ? std::to_string(*p.countryCode) : std::string("none"));
    text += ", GeoID " + std::to_string(p.geoId);
    text += ", ANSI code page " + std::to_string(ansiCodePageOf(p));
    text +=
        ", Windows Installer " + (p.msiRuntime ? utf8(*p.msiRuntime) : std::string("unreadable"));
    return text;
}

void header(std::ostream& out, const CheckResult& r) {
    out << "Medium    " << r.medium << "  (as " << r.placement.launcherPath() << ")\n";
    out << "Launcher  " << r.placement.exe << ": " << launcherFileText(r.launcher) << "\n";
    out << "Profile   " << r.profile.name
        << (r.profile.description.empty() ? "" : ": " + r.profile.description) << "\n";
    out << "          " << profileSummary(r.profile) << "\n";
    if (!r.profile.installed.empty()) {
        out << "          installed:";
        for (const auto& [code, version] : r.profile.installed) {
            out << " " << utf8(code) << " " << utf8(version);
            if (const auto package = r.profile.installedPackageCodes.find(code);
                package != r.profile.installedPackageCodes.end())
                out << " (package " << utf8(package->second) << ")";
        }
        out << "\n";
    }
    out << "Arguments " << (r.arguments.empty() ? "(none)" : r.arguments) << "\n";
}

void readSection(std::ostream& out, const CheckResult& r) {
    const DecisionRecord& d = r.record();
    out << "\nRead\n";
    if (d.initOutcome == InitOutcome::NoSettings)
        out << "  no Setup.ini beside the launcher\n";
    if (!d.refusal.empty())
        out << "  " << utf8(d.refusal) << "\n";
    for (const SettingRead& s : r.read)
        out << "  " << s.file << (s.line ? ":" + std::to_string(s.line) : std::string()) << "  ["
            << s.section << "] " << s.key << " = "
            << (s.line ? oneLine(s.value) : std::string("(absent)")) << "\n";
}

class Rows {
public:
    explicit Rows(std::ostream& out) : out(out) {}
    void operator()(const char* name, const std::string& value) {
        out << "  " << padded(name, 22) << value << "\n";
    }

private:
    std::ostream& out;
};

std::string sourced(const IdentityValue& v) {
    const std::string value = !v.present ? "(none)" : v.value.empty() ? "(no version)" : v.value;
    return value + "  (" + sourceName(v.source) + ")";
}

std::string installedValue(const IdentityValue& v) {
    return (v.present ? v.value : std::string("(none)")) + "  (" + sourceText(v) + ")";
}

std::string transformLine(const TransformCheck& t) {
    if (!t.found)
        return "not stored in the package";
    if (t.facts.status != ReadStatus::read)
        return "cannot be read: " + t.facts.problem;
    if (!t.target.wellFormed)
        return "names no product it was made for";
    std::string text = std::string(t.stored ? "stored in the package, " : "") + "made for " +
                       t.target.productCode + " " + t.target.productVersion + " " +
                       t.target.platform + ";" + t.target.language + "; checks";
    for (const std::string& name : validationNames(t.target.validation))
        text += " " + name;
    return text + (t.failures.empty() ? ": passes" : ": fails (below)");
}

// The package as read from the medium, each value of its identity with where it came from.
void packageSection(std::ostream& out, const CheckResult& r, Rows& row) {
    const PackageFacts& f = r.package.facts;
    out << "\nPackage\n";
    if (f.status == ReadStatus::unavailable && !packageReadingAvailable())
        row("file", "not read: no installer engine is at hand; the identity is the profile's or "
                    "Setup.ini's");
    else if (f.status != ReadStatus::read)
        row("file", utf8(r.package.path) + " not read: " + f.problem);
    else
        row("file", utf8(r.package.path) + ", read from the medium");
    row("ProductCode", sourced(r.identity.productCode));
    row("ProductVersion", sourced(r.identity.productVersion));
    row(utf8(keyFileName).c_str(), sourced(r.identity.keyFileVersion));
    row("package code", sourced(r.identity.packageCode));
    if (f.status != ReadStatus::read)
        return;
    row("UpgradeCode", f.upgradeCode.value_or("(none)"));
    row("template", f.templateText);
    row("schema", std::to_string(f.schema) + " (needs Windows Installer " +
                      schemaVersionText(f.schema) + ")");
    for (const TransformCheck& t : r.package.transforms) {
        row(t.name.c_str(), transformLine(t));
        if (!t.found)
            continue;
        if (!t.application.applied) {
            row("", "does not apply (" + r.package.engine + "): " + t.application.problem);
            continue;
        }
        const bool viewed = t.application.listedBy == "transform_view";
        row("", "applies (" + r.package.engine + "), changes " +
                    (viewed ? "as its transform view lists them"
                            : "found by comparing every table before and after") +
                    ":" + (t.application.changes.empty() ? " none" : ""));
        for (const TableChange& change : t.application.changes)
            row("", "  " + changeText(change));
        if (!t.notChecked.empty())
            row("", "error conditions not checked: " + r.package.engine + " does not check them");
    }
    for (const SequenceAction& a : restartActions(f.executeSequence))
        row("restart", a.action + " in InstallExecuteSequence (" + std::to_string(a.sequence) +
                           ")" + (a.condition.empty() ? "" : " where " + a.condition));
}

// The product the installation installs: the package after the transforms handed over.
void installsSection(std::ostream& out, const CheckResult& r) {
    const InstalledProduct& p = r.run.installs;
    if (!p.known)
        return;
    Rows row(out);
    out << "\nInstalls (the package after its transforms, applied by " << p.engine << ")\n";
    for (const TransformApplication& step : p.steps)
        row(step.name.c_str(), step.applied ? "applied" : "does not apply: " + step.problem);
    row("ProductCode", installedValue(p.productCode));
    row("ProductVersion", installedValue(p.productVersion));
    row("ProductLanguage", installedValue(p.productLanguage));
    row("UpgradeCode", installedValue(p.upgradeCode));
    row("ProductName", installedValue(p.productName));
    row("Manufacturer", installedValue(p.manufacturer));
    row("ALLUSERS", installedValue(p.allUsers));
    if (p.msiInstallPerUser.present)
        row("MSIINSTALLPERUSER", installedValue(p.msiInstallPerUser));
    row("installs for", contextText(p.context.context) + ": " + p.context.reason);
}

void runDecisions(Rows& row, const CheckResult& r) {
    const DecisionRecord& d = r.record();
    const PackageDecision& p = d.package;
    row("Windows Installer", runtimeText(d));
    row("package", utf8(p.path) + (r.run.packageFound ? "" : " (missing)"));
    if (p.inspectResult == 0 && !p.productCode.empty())
        row("", "ProductCode " + utf8(p.productCode) + ", ProductVersion " +
                    utf8(p.productVersion) + ", " + utf8(keyFileName) + " " +
                    (p.keyFileVersion.empty() ? std::string("(none)") : utf8(p.keyFileVersion)));
    else
        row("", "not read (the inspection ended with " + std::to_string(p.inspectResult) + ")");
    std::string instance = p.instanceName.empty()
                               ? std::string("no instance named beside the package")
                               : utf8(p.instanceName) + " " + utf8(p.instanceProductCode);
    if (p.adminUpdate)
        instance += "; admupdt.cfg: instance handling off";
    row("instance", instance);
    row("installed state", installedStateText(p.installed));
    row("Ukraine rule", ukraineText(d));
    row("transforms", transformsText(d));
}

void decisionsSection(std::ostream& out, const CheckResult& r) {
    const DecisionRecord& d = r.record();
    Rows row(out);
    out << "\nDecisions\n";
    if (d.initOutcome == InitOutcome::NoSettings || d.initOutcome == InitOutcome::UnreadableFile)
        return;
    row("command line", commandLineText(d.commandLine));
    row("mode", modeText(d.commandLine.mode));
    row("UI level", uiLevelText(d.commandLine.uiLevel));
    if (d.initOutcome == InitOutcome::UsageShown)
        row("usage", "/? given: the usage box, nothing is installed");
    const std::uint32_t language = r.started() ? d.finalLanguageId : d.language.languageId;
    row("language", languageWithName(language) + ": " + languageReason(d));
    row("message file", utf8(d.messages.file) + ", section [" + utf8(d.messages.section) + "]");
    if (d.initOutcome == InitOutcome::UsageShown)
        return;
    row("Windows", std::string(d.windows.accepted ? "accepted" : "refused (message 1150)") + " (" +
                       windowsText(r.profile.windows) + ")");
    for (const std::string& line : windowsLines(d))
        row("", line);
    if (r.started())
        runDecisions(row, r);
}

void outcomeSections(std::ostream& out, const CheckResult& r) {
    out << "\nBoxes\n";
    if (r.run.boxes.empty())
        out << "  none\n";
    for (const BoxShown& b : r.run.boxes)
        out << "  caption " << (b.captionIsNull ? "(null)" : "\"" + b.caption + "\"") << ", style "
            << hexText(b.style, 8) << " (" << boxStyleText(b.style) << "): \"" << oneLine(b.text)
            << "\"\n";
    out << "\nInstaller\n";
    if (!r.run.installer)
        out << "  not called\n";
    else {
        const InstallerCall& call = *r.run.installer;
        out << "  package       " << call.packagePath << "\n";
        out << "  command line  [" << call.commandLine << "]\n";
        out << "  UI level      " << call.uiLevel << "\n";
        if (!call.logFile.empty())
            out << "  log           " << call.logFile << "\n";
        out << "  msiexec       " << msiexecCommandLine(r.record()) << "\n";
        if (const std::string restart = restartText(r.run.verdict.restart); !restart.empty())
            out << "  restart       " << restart << "\n";
    }
    for (const std::string& p : r.run.processesRun)
        out << "  ran first     " << p << "\n";
    if (!r.run.standardOutput.empty()) {
        out << "\nStandard output\n";
        std::istringstream lines(r.run.standardOutput);
        std::string line;
        while (std::getline(lines, line))
            out << "  " << line << "\n";
    }
    installsSection(out, r);
    out << "\nExit code " << r.run.exitCode << " (" << outcomeText(r) << ")\n";
    if (!r.run.verdict.transformFailure.empty())
        out << "  " << r.run.verdict.transformFailure << "\n";
}

} // namespace

std::string warningText(const Warning& w) {
    std::string where = w.file.empty() ? std::string("(this machine)") : w.file;
    if (w.line)
        where += ":" + std::to_string(w.line);
    return where + ": " + severityName(w.kind().severity) + ": " + w.message + " [" + w.kind().id +
           "]";
}

std::string textReport(const CheckResult& r) {
    std::ostringstream out;
    header(out, r);
    readSection(out, r);
    Rows row(out);
    packageSection(out, r, row);
    decisionsSection(out, r);
    outcomeSections(out, r);
    out << "\nWarnings\n";
    if (r.warnings.empty())
        out << "  none\n";
    for (const Warning& w : r.warnings)
        out << "  " << warningText(w) << "\n";
    return out.str();
}

} // namespace setupcheck
