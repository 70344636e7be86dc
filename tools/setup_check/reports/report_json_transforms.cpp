// The transforms in the JSON report: each as checked on the medium with what it changes, and
// the product that gets installed once the transforms of a run are applied.
#include "tools/setup_check/reports/report_json_parts.h"

#include "tools/setup_check/explain/explain.h"
#include "tools/setup_check/run/identity.h"

namespace setupcheck {

namespace {

const char* changeKindName(ChangeKind kind) {
    static const char* const names[] = {"table_added", "table_removed", "row_added", "row_removed",
                                        "value_changed"};
    return names[static_cast<int>(kind)];
}

void changes(JsonWriter& j, const std::vector<TableChange>& list) {
    j.beginArray("changes");
    for (const TableChange& c : list) {
        j.beginObject().string("kind", changeKindName(c.kind)).string("table", c.table);
        j.strings("row", c.row).stringOrNull("column", c.column);
        j.optionalString("from", c.from).optionalString("to", c.to);
        j.beginObject("values");
        for (const auto& [column, value] : c.values)
            j.optionalString(column.c_str(), value);
        j.endObject().endObject();
    }
    j.endArray();
}

void sourced(JsonWriter& j, const char* name, const IdentityValue& v) {
    j.beginObject(name);
    if (v.present)
        j.string("value", v.value);
    else
        j.null("value");
    j.string("source", sourceText(v)).endObject();
}

} // namespace

void jsonTransforms(JsonWriter& j, const PackageCheck& p) {
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
        j.strings("suppresses", errorConditionNames(t.facts.characters & 0xFFFF));
        j.strings("failures", t.failures).boolean("applies", t.application.applied);
        j.stringOrNull("apply_problem", t.application.applied ? "" : t.application.problem);
        changes(j, t.application.changes);
        j.stringOrNull("changes_listed_by", t.application.listedBy);
        j.stringOrNull("not_checked", t.notChecked).endObject();
    }
    j.endArray();
}

void jsonInstalls(JsonWriter& j, const CheckResult& r) {
    const InstalledProduct& p = r.run.installs;
    if (!p.known) {
        j.null("installs");
        return;
    }
    j.beginObject("installs").string("engine", p.engine);
    j.beginArray("transforms");
    for (const TransformApplication& step : p.steps)
        j.beginObject()
            .string("name", step.name)
            .boolean("applies", step.applied)
            .stringOrNull("apply_problem", step.applied ? "" : step.problem)
            .endObject();
    j.endArray();
    sourced(j, "product_code", p.productCode);
    sourced(j, "product_version", p.productVersion);
    sourced(j, "product_language", p.productLanguage);
    sourced(j, "upgrade_code", p.upgradeCode);
    sourced(j, "product_name", p.productName);
    sourced(j, "manufacturer", p.manufacturer);
    sourced(j, "all_users", p.allUsers);
    sourced(j, "msi_install_per_user", p.msiInstallPerUser);
    j.string("context", contextName(p.context.context));
    j.string("context_reason", p.context.reason);
    j.endObject();
}

} // namespace setupcheck
