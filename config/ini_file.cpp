#include "config/ini_file.h"

#include "config/ini_lines.h"
#include "config/ini_section_store.h"
#include "config/input_data_file.h"
#include "config/line_scan.h"
#include "platform/wtext.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <numeric>
#include <string>
#include <string_view>
#include <utility>

using namespace inilines;

namespace {

IniLoadResult malformed(const std::u16string& path, std::size_t line, std::u16string problem) {
    return {IniLoadStatus::malformed, path, line, std::move(problem)};
}

} // namespace

std::u16string IniLoadResult::describe() const {
    if (status == IniLoadStatus::read)
        return std::u16string();
    if (status == IniLoadStatus::malformed)
        return path + u", line " + wtext::formatDecimal(static_cast<std::int64_t>(line)) + u": " +
               problem;
    return path + u": " + (status == IniLoadStatus::empty ? u"the file is empty" : problem);
}

IniSection IniFile::getSection(const std::u16string& name) const {
    auto it = std::lower_bound(
        sections.begin(), sections.end(), std::u16string_view(name),
        [](const IniSection& section, std::u16string_view n) { return section.name < n; });
    return it != sections.end() && it->name == name ? *it : IniSection();
}

void IniFile::adopt(std::vector<IniSection>& read, bool ordered) {
    const std::size_t n = read.size();
    if (n == 0)
        return;
    // Names in increasing order, all after the document's: every section is taken as it is.
    if (ordered && (sections.empty() || sections.back().name < read.front().name)) {
        sections.reserve(sections.size() + n);
        for (IniSection& section : read)
            sections.push_back(std::move(section));
        return;
    }

    // The read sections by name, and for one name in file order: the first of each run is
    // taken unless the document already has the name.
    std::vector<std::size_t> order(n);
    if (ordered) {
        std::iota(order.begin(), order.end(), std::size_t{0});
    } else {
        std::vector<std::u16string_view> names;
        names.reserve(n);
        for (const IniSection& section : read)
            names.push_back(section.name);
        sortByText(names, order);
    }

    std::vector<IniSection> merged;
    merged.reserve(sections.size() + n);
    std::size_t present = 0;
    for (std::size_t run = 0; run < n;) {
        const std::u16string_view name = read[order[run]].name;
        while (present < sections.size() && sections[present].name < name)
            merged.push_back(std::move(sections[present++]));
        if (present == sections.size() || sections[present].name != name)
            merged.push_back(std::move(read[order[run]]));
        ++run;
        while (run < n && read[order[run]].name == name)
            ++run;
    }
    while (present < sections.size())
        merged.push_back(std::move(sections[present++]));
    sections = std::move(merged);
}

IniLoadResult IniFile::load(const std::u16string& path, const IniObserver* observer) {
    InputDataFile file(path);
    file.readUntranslated();
    if (!file.result().ok())
        return {IniLoadStatus::unreadable, path, 0, file.result().reason()};
    if (!file.getText())
        return {IniLoadStatus::empty, path, 0, {}};
    return parseText(path, file.getText(), file.getTextLength(), observer);
}

IniLoadResult IniFile::parseText(const std::u16string& path, std::shared_ptr<char16_t[]> text,
                                 std::size_t size, const IniObserver* observer) {
    // The text is parsed where it lies, without text mode: a CR before an LF is white space
    // that trimming removes, and the text ends at its first U+0000 or Ctrl-Z. The sections
    // keep views into it.
    auto store = std::make_shared<IniSection::Store>();
    store->text = text;
    const char16_t* p = text.get();

    // One pass over the lines, each read once. A section takes the body lines from its header
    // line up to the next header (or the end of the text). Every section read goes to the
    // document at the end, or before a malformed header is reported, so the sections before
    // the fault stay.
    IniSection::Builder builder(store);
    std::vector<IniSection> read;
    bool ordered = true; // the names read so far increase strictly
    bool inSection = false;
    std::u16string_view sectionName;
    std::size_t lineNumber = 1;
    std::size_t pos = 0;
    for (;;) {
        const LineScan line = scanLine(p, pos, size, true);
        const std::u16string_view lineText(p + pos, line.end - pos);
        if (isHeaderLine(lineText)) {
            if (inSection)
                read.push_back(builder.finish());
            if (!headerName(lineText, sectionName)) {
                adopt(read, ordered);
                return malformed(path, lineNumber, u"the section header has no closing \"]\"");
            }
            // Compared here, while the previous header is still in the cache.
            if (!read.empty() && !(read.back().name < sectionName))
                ordered = false;
            if (observer && observer->section)
                observer->section(sectionName, lineNumber);
            builder.start(sectionName);
            inSection = true;
        } else if (inSection) {
            const KeyValue kv = splitLine(p, pos, line);
            if (!kv.key.empty()) {
                builder.add(kv.key, kv.value);
                tellKeyLine(observer, sectionName, kv, p, pos, line, lineNumber);
            }
        }
        // A final line feed ends the last line; no empty line follows it.
        if (line.lastLine || endsText(p, line.end + 1, size))
            break;
        pos = line.end + 1;
        ++lineNumber;
    }
    if (!inSection)
        return malformed(path, lineNumber,
                         u"no section header (a line beginning with \"[\") in the file");
    read.push_back(builder.finish());
    adopt(read, ordered);
    return {IniLoadStatus::read, path, 0, {}};
}
