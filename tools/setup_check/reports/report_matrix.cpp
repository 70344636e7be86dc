#include "locale/language_table.h"

#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/explain/explain.h"
#include "tools/setup_check/reports/report.h"
#include <algorithm>
#include <set>
#include <tuple>

namespace setupcheck {

namespace {

// Width in code points, so that UTF-8 texts line up.
std::size_t width(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

std::vector<std::string> row(const CheckResult& r) {
    const DecisionRecord& d = r.record();
    const std::uint32_t id = r.started() ? d.finalLanguageId : d.language.languageId;
    std::string language = hexText(id, 4);
    if (const LanguageRow* row = languageRow(id))
        language += std::string(" ") + row->englishName;
    if (d.country.applied)
        language += " (UA)";
    std::string outcome = std::to_string(r.run.exitCode) + " " + outcomeText(r);
    if (!r.started() && !r.run.boxes.empty())
        outcome += ": box \"" + oneLine(r.run.boxes[0].text).substr(0, 40) + "\"";
    return {r.profile.name, language,
            d.transforms.setting.empty() ? "-" : utf8(d.transforms.setting),
            r.run.installer ? "[" + r.run.installer->commandLine + "]" : "-", outcome};
}

} // namespace

std::string matrixTable(const std::vector<CheckResult>& results) {
    std::vector<std::vector<std::string>> rows{
        {"profile", "language", "transforms", "command line", "result"}};
    for (const CheckResult& r : results)
        rows.push_back(row(r));
    std::vector<std::size_t> widths(5, 0);
    for (const auto& cells : rows)
        for (std::size_t c = 0; c < 5; ++c)
            widths[c] = std::max(widths[c], width(cells[c]));
    std::string out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::string line;
        for (std::size_t c = 0; c < 5; ++c) {
            line += rows[i][c];
            if (c < 4)
                line += std::string(widths[c] - width(rows[i][c]) + 2, ' ');
        }
        out += line + "\n";
        if (i == 0) {
            std::size_t total = 0;
            for (std::size_t c = 0; c < 5; ++c)
                total += widths[c] + (c < 4 ? 2 : 0);
            out += std::string(total, '-') + "\n";
        }
    }
    return out;
}

std::string matrixWarnings(const std::vector<CheckResult>& results) {
    std::string medium;
    std::set<std::tuple<WarningId, std::string, std::size_t>> seen;
    for (const CheckResult& r : results)
        for (const Warning& w : r.warnings)
            if (w.kind().scope == Scope::Medium && seen.insert({w.id, w.file, w.line}).second)
                medium += "  " + warningText(w) + "\n";
    std::string out = medium.empty() ? "" : "\nWarnings about the medium\n" + medium;
    for (const CheckResult& r : results) {
        std::string machine;
        for (const Warning& w : r.warnings)
            if (w.kind().scope == Scope::Machine)
                machine += "  " + warningText(w) + "\n";
        if (!machine.empty())
            out += "\nWarnings on " + r.profile.name + "\n" + machine;
    }
    return out;
}

} // namespace setupcheck
