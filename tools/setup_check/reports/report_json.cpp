// The JSON report: the medium and its package once, then one run per machine checked.
#include "cmdline/tokenizer.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/explain/explain.h"
#include "tools/setup_check/explain/msiexec_line.h"
#include "tools/setup_check/machine/profile_show.h"
#include "tools/setup_check/reports/report.h"
#include "tools/setup_check/reports/report_json_parts.h"
#include "tools/setup_check/reports/tool_version.h"

#include <set>
#include <tuple>

namespace setupcheck {

namespace {

void profile(JsonWriter& j, const Profile& p) {
    j.beginObject("profile").string("name", p.name).stringOrNull("description", p.description);
    j.beginObject("settings");
    for (const auto& [key, value] : profileSettings(p))
        if (key != "name" && key != "description")
            j.string(key.c_str(), value);
    j.endObject().endObject();
}

void read(JsonWriter& j, const std::vector<SettingRead>& read) {
    j.beginArray("read");
    for (const SettingRead& s : read) {
        j.beginObject().string("file", s.file).number("line", std::int64_t(s.line));
        j.string("section", s.section).string("key", s.key);
        if (s.line)
            j.string("value", s.value);
        else
            j.null("value");
        j.endObject();
    }
    j.endArray();
}

std::string readStatusName(ReadStatus status) {
    static const char* const names[] = {"read", "missing", "not_a_package", "unavailable"};
    return nameOf(status, names);
}

void identityValue(JsonWriter& j, const char* name, const IdentityValue& v) {
    j.beginObject(name);
    if (v.present)
        j.string("value", v.value);
    else
        j.null("value");
    j.string("source", sourceName(v.source)).endObject();
}

// The package's file as read from the medium; the same on every machine.
void package(JsonWriter& j, const PackageCheck& p) {
    const PackageFacts& f = p.facts;
    const bool read = f.status == ReadStatus::read;
    auto value = [&](const std::optional<std::string>& v) {
        return read ? v : std::optional<std::string>();
    };
    j.beginObject("package").stringOrNull("path", utf8(p.path));
    j.string("read", readStatusName(f.status)).stringOrNull("problem", f.problem);
    j.optionalString("product_code", value(f.productCode))
        .optionalString("product_version", value(f.productVersion));
    j.optionalString("key_file_version", value(f.keyFileVersion))
        .optionalString("package_code", value(f.packageCode));
    j.optionalString("upgrade_code", value(f.upgradeCode))
        .optionalString("language", value(f.productLanguage));
    j.stringOrNull("template", f.templateText);
    if (read && f.schema > 0)
        j.number("schema", f.schema).string("needs_installer", schemaVersionText(f.schema));
    else
        j.null("schema").null("needs_installer");
    j.strings("stored_transforms", f.storages).stringOrNull("engine", p.engine);
    j.stringOrNull("platform", read ? packagePlatform(f.templateText) : "");
    j.beginArray("restart_actions");
    for (const SequenceAction& a : restartActions(f.executeSequence))
        j.beginObject()
            .string("action", a.action)
            .stringOrNull("condition", a.condition)
            .number("sequence", a.sequence)
            .endObject();
    j.endArray().endObject();
}

// The launcher file on the medium, as a Windows program.
void launcherFile(JsonWriter& j, const LauncherImage& image) {
    j.beginObject("launcher_file").string("status", imageStatusName(image.status));
    j.stringOrNull("problem", image.problem);
    if (image.isProgram())
        j.string("machine", machineName(image.machine)).number("subsystem", image.subsystem);
    else
        j.null("machine").null("subsystem");
    j.boolean("dll", image.dll);
    j.optionalString("file_version",
                     image.fileVersion ? std::optional(image.fileVersion->text()) : std::nullopt);
    j.optionalString("launcher_version", image.string(launcherVersionString));
    j.beginObject("strings");
    for (const auto& [name, value] : image.strings)
        j.string(name.c_str(), value);
    j.endObject().endObject();
}

// The package's identity as this machine's installer answers it, each value with its source.
void identity(JsonWriter& j, const PackageIdentity& id) {
    j.beginObject("identity");
    identityValue(j, "product_code", id.productCode);
    identityValue(j, "product_version", id.productVersion);
    identityValue(j, "key_file_version", id.keyFileVersion);
    identityValue(j, "package_code", id.packageCode);
    j.endObject();
}

void outcome(JsonWriter& j, const CheckResult& r) {
    j.beginArray("boxes");
    for (const BoxShown& b : r.run.boxes) {
        j.beginObject();
        if (b.captionIsNull)
            j.null("caption");
        else
            j.string("caption", b.caption);
        j.number("style", b.style).string("style_text", boxStyleText(b.style));
        j.string("text", b.text).endObject();
    }
    j.endArray();
    if (r.run.installer) {
        const InstallerCall& call = *r.run.installer;
        j.beginObject("installer").string("package", call.packagePath);
        j.string("command_line", call.commandLine).number("ui_level", call.uiLevel);
        j.stringOrNull("log", call.logFile).string("msiexec", msiexecCommandLine(r.record()));
        j.endObject();
    } else {
        j.null("installer");
    }
    j.strings("processes_run", r.run.processesRun).string("standard_output", r.run.standardOutput);
    j.boolean("started", r.started()).number("exit_code", r.run.exitCode);
    const ExitStatus status = runStatus(r);
    j.number("status", int(status)).string("status_name", statusName(status));
    j.string("outcome", outcomeText(r));
    const RestartOutcome& restart = r.run.verdict.restart;
    static const char* const when[] = {"", "needed", "at_end", "during"};
    if (restart.restart == Restart::none)
        j.null("restart");
    else
        j.beginObject("restart")
            .string("when", nameOf(restart.restart, when))
            .string("cause", restart.cause)
            .endObject();
}

// The warnings of `scope`; each stands once, however many runs found it.
void warnings(JsonWriter& j, const std::vector<CheckResult>& runs, Scope scope) {
    std::set<std::tuple<WarningId, std::string, std::size_t, std::string>> seen;
    j.beginArray("warnings");
    for (const CheckResult& r : runs)
        for (const Warning& w : r.warnings) {
            if (w.kind().scope != scope || !seen.insert({w.id, w.file, w.line, w.message}).second)
                continue;
            j.beginObject().string("id", w.kind().id);
            j.string("severity", severityName(w.kind().severity));
            j.string("scope", scopeName(w.kind().scope)).stringOrNull("file", w.file);
            j.number("line", std::int64_t(w.line)).string("message", w.message).endObject();
        }
    j.endArray();
}

void run(JsonWriter& j, const CheckResult& r) {
    j.beginObject();
    profile(j, r.profile);
    read(j, r.read);
    identity(j, r.identity);
    jsonDecisions(j, r);
    outcome(j, r);
    jsonInstalls(j, r);
    warnings(j, {r}, Scope::Machine);
    j.endObject();
}

// The launcher's arguments as its own tokenizer splits them.
std::vector<std::string> argumentList(const CheckResult& r) {
    const std::vector<std::u16string> tokens =
        tokenizeCommandLine(utf16("\"" + r.placement.launcherPath() + "\" " + r.arguments));
    std::vector<std::string> list;
    for (std::size_t i = 1; i < tokens.size(); ++i)
        list.push_back(utf8(tokens[i]));
    return list;
}

} // namespace

std::string jsonReport(const std::vector<CheckResult>& runs, ExitStatus status) {
    const CheckResult& first = runs.front();
    JsonWriter j;
    j.beginObject().number("schema", jsonSchemaVersion);
    j.beginObject("tool").string("name", "setup-check").string("version", toolVersion);
    j.endObject().string("medium", first.medium).string("launcher", first.placement.launcherPath());
    j.string("command_line", first.arguments).strings("arguments", argumentList(first));
    launcherFile(j, first.launcher);
    package(j, first.package);
    jsonTransforms(j, first.package);
    warnings(j, runs, Scope::Medium);
    j.beginArray("runs");
    for (const CheckResult& r : runs)
        run(j, r);
    j.endArray().number("status", int(status)).string("status_name", statusName(status));
    j.endObject();
    return j.text();
}

} // namespace setupcheck
