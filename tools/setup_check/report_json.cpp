#include "tools/setup_check/explain.h"
#include "tools/setup_check/json_writer.h"
#include "tools/setup_check/report.h"
#include "tools/setup_check/text.h"

namespace {

std::string outcomeName(InitOutcome outcome) {
    static const char* const names[] = {"not_run", "no_settings",     "unreadable_file",
                                        "usage",   "windows_refused", "accepted"};
    return nameOf(outcome, names);
}

std::string sourceName(LanguageSource source) {
    static const char* const names[] = {"user_default", "custom_locale", "system_default",
                                        "option"};
    return nameOf(source, names);
}

void profile(JsonWriter& j, const Profile& p) {
    j.beginObject("profile")
        .string("name", p.name)
        .string("windows", windowsText(p.windows))
        .number("user_language", p.userLanguage)
        .number("system_language", p.systemLanguage)
        .optionalString("msi_runtime", p.msiRuntime
                                           ? std::optional<std::string>(utf8(*p.msiRuntime))
                                           : std::nullopt)
        .endObject();
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

void commandLine(JsonWriter& j, const CommandLineDecision& c) {
    std::vector<std::string> arguments, unseen;
    for (std::size_t i = 0; i < c.arguments.size(); ++i)
        (i > c.stoppedAt ? unseen : arguments).push_back(utf8(c.arguments[i]));
    if (c.stoppedAt < c.arguments.size())
        arguments.push_back(utf8(c.arguments[c.stoppedAt]));
    j.beginObject("command_line")
        .strings("arguments", arguments)
        .number("parse_result", c.parseResult);
    j.stringOrNull("diagnostic", utf8(c.diagnostic)).strings("never_seen", unseen);
    j.string("explained", commandLineText(c)).endObject();
    j.string("mode", modeText(c.mode)).number("ui_level", c.uiLevel);
    j.stringOrNull("log", utf8(c.logFile));
}

void language(JsonWriter& j, const DecisionRecord& d) {
    j.beginObject("language").number("id", d.language.languageId);
    j.string("hex", languageText(d.language.languageId))
        .string("source", sourceName(d.language.source));
    j.stringOrNull("code", utf8(d.language.code)).number("final", d.finalLanguageId);
    j.string("reason", languageReason(d)).endObject();
    j.beginObject("messages").string("file", utf8(d.messages.file));
    j.string("section", utf8(d.messages.section))
        .boolean("own_file", d.messages.ownFile)
        .endObject();
}

void windows(JsonWriter& j, const WindowsDecision& w) {
    j.beginObject("windows").stringOrNull("required_runtime", utf8(w.requiredRuntime));
    j.stringOrNull("list", utf8(w.listSection))
        .boolean("accepted", w.accepted)
        .beginArray("entries");
    for (const WindowsEntryCheck& c : w.entries) {
        j.beginObject().string("key", utf8(c.key)).string("value", utf8(c.value));
        j.number("major", c.entry.version.major).number("minor", c.entry.version.minor);
        j.number("build", c.entry.version.build);
        j.number("service_pack", c.entry.servicePackMajor * 256 + c.entry.servicePackMinor);
        j.boolean("checked", c.checked).boolean("met", c.met).endObject();
    }
    j.endArray().endObject();
}

void run(JsonWriter& j, const DecisionRecord& d) {
    const RuntimeDecision& r = d.runtime;
    j.beginObject("runtime").stringOrNull("installed", utf8(r.installed)).boolean("older", r.older);
    j.boolean("setup_found", r.setupFound).boolean("setup_started", r.setupStarted).endObject();
    const PackageDecision& p = d.package;
    j.beginObject("package")
        .stringOrNull("path", utf8(p.path))
        .number("inspect_result", p.inspectResult);
    j.stringOrNull("product_code", utf8(p.productCode))
        .stringOrNull("product_version", utf8(p.productVersion));
    j.stringOrNull("key_file_version", utf8(p.keyFileVersion))
        .stringOrNull("package_code", utf8(p.packageCode));
    j.boolean("instance_description", p.instanceDescriptionFound);
    j.beginObject("instance").stringOrNull("name", utf8(p.instanceName));
    j.stringOrNull("product_code", utf8(p.instanceProductCode)).endObject();
    j.boolean("admin_update", p.adminUpdate)
        .number("installed_state", int(p.installed))
        .endObject();
    std::vector<std::string> signs;
    for (std::size_t i = 0; i < countrySignCount; ++i)
        if (d.country.signs[i])
            signs.push_back(countrySignNames[i]);
    j.beginObject("ukraine").boolean("asked", d.country.asked).strings("signs", signs);
    j.boolean("applied", d.country.applied).endObject();
    const TransformsDecision& t = d.transforms;
    j.beginObject("transforms").stringOrNull("setting", utf8(t.setting));
    j.stringOrNull("instance", utf8(t.instanceTransform))
        .stringOrNull("language", utf8(t.languageTransform));
    j.boolean("language_found", t.languageTransformFound).endObject();
}

void decisions(JsonWriter& j, const CheckResult& r) {
    const DecisionRecord& d = r.record();
    j.beginObject("decisions").string("outcome", outcomeName(d.initOutcome));
    j.stringOrNull("refusal", utf8(d.refusal));
    commandLine(j, d.commandLine);
    language(j, d);
    windows(j, d.windows);
    if (r.started())
        run(j, d);
    j.endObject();
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

// The package as read from the medium, and its identity as this machine's installer answers it.
void package(JsonWriter& j, const CheckResult& r) {
    const PackageFacts& f = r.package.facts;
    const bool read = f.status == ReadStatus::read;
    j.beginObject("package").stringOrNull("path", utf8(r.package.path));
    j.string("read", readStatusName(f.status)).stringOrNull("problem", f.problem);
    identityValue(j, "product_code", r.identity.productCode);
    identityValue(j, "product_version", r.identity.productVersion);
    identityValue(j, "key_file_version", r.identity.keyFileVersion);
    identityValue(j, "package_code", r.identity.packageCode);
    j.optionalString("upgrade_code", read ? f.upgradeCode : std::nullopt);
    j.optionalString("language", read ? f.productLanguage : std::nullopt);
    j.stringOrNull("template", f.templateText);
    if (read && f.schema > 0)
        j.number("schema", f.schema).string("needs_installer", schemaVersionText(f.schema));
    else
        j.null("schema").null("needs_installer");
    j.strings("stored_transforms", f.storages).endObject();
}

void transforms(JsonWriter& j, const PackageCheck& p) {
    j.beginArray("transforms");
    for (const TransformCheck& t : p.transforms) {
        const bool opened = t.facts.status == ReadStatus::read;
        j.beginObject().string("name", t.name).boolean("stored", t.stored);
        j.boolean("found", t.found).boolean("opened", opened);
        j.stringOrNull("problem", t.facts.problem);
        if (opened && t.target.wellFormed) {
            const TransformTarget& m = t.target;
            j.beginObject("made_for").string("product_code", m.productCode);
            j.string("product_version", m.productVersion).string("upgrade_code", m.upgradeCode);
            j.string("platform", m.platform).string("language", m.language).endObject();
            j.strings("validates", validationNames(m.validation));
        } else {
            j.null("made_for").strings("validates", {});
        }
        j.strings("failures", t.failures).null("applies").stringOrNull("not_checked", t.notChecked);
        j.endObject();
    }
    j.endArray();
}

void outcome(JsonWriter& j, const CheckResult& r) {
    j.beginArray("boxes");
    for (const BoxShown& b : r.run.boxes) {
        j.beginObject();
        if (b.captionIsNull)
            j.null("caption");
        else
            j.string("caption", b.caption);
        j.number("style", b.style)
            .string("style_text", boxStyleText(b.style))
            .string("text", b.text);
        j.endObject();
    }
    j.endArray();
    if (r.run.installer) {
        const InstallerCall& call = *r.run.installer;
        j.beginObject("installer").string("package", call.packagePath);
        j.string("command_line", call.commandLine).number("ui_level", call.uiLevel);
        j.stringOrNull("log", call.logFile).endObject();
    } else {
        j.null("installer");
    }
    j.strings("processes_run", r.run.processesRun).string("standard_output", r.run.standardOutput);
    j.boolean("started", r.started()).number("exit_code", r.run.exitCode);
}

void result(JsonWriter& j, const CheckResult& r) {
    j.beginObject().string("medium", r.medium).string("launcher", r.placement.launcherPath());
    profile(j, r.profile);
    j.string("arguments", r.arguments);
    read(j, r.read);
    package(j, r);
    transforms(j, r.package);
    decisions(j, r);
    outcome(j, r);
    j.beginArray("warnings");
    for (const Warning& w : r.warnings) {
        j.beginObject()
            .string("id", w.kind().id)
            .string("severity", severityName(w.kind().severity));
        j.string("scope", scopeName(w.kind().scope)).stringOrNull("file", w.file);
        j.number("line", std::int64_t(w.line)).string("message", w.message).endObject();
    }
    j.endArray().endObject();
}

} // namespace

std::string jsonReport(const CheckResult& r) {
    JsonWriter j;
    result(j, r);
    return j.text();
}

std::string matrixJson(const std::vector<CheckResult>& results) {
    JsonWriter j;
    j.beginArray();
    for (const CheckResult& r : results)
        result(j, r);
    j.endArray();
    return j.text();
}
