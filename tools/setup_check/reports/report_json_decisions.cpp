// The launcher's decision record in the JSON report.
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/explain/explain.h"
#include "tools/setup_check/reports/report_json_parts.h"

namespace setupcheck {

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

// The whole machine: its name and every setting, as a profile file would hold them.
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

} // namespace

void jsonDecisions(JsonWriter& j, const CheckResult& r) {
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

} // namespace setupcheck
