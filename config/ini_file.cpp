#include "config/ini_file.h"

#include "config/input_data_file.h"
#include "platform/platform.h"
#include "platform/wtext.h"

#include <cstddef>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace {

constexpr char16_t lineFeed = u'\n';

// The reader's white space: the C0 blanks, space and no-break space by itself, and above
// U+00FF whatever the platform classifies as space (U+3000 and the like).
bool isWhiteSpace(char16_t c) {
    if (c <= 0xFF)
        return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0;
    return platform::isSpace(c);
}

std::size_t skipSpace(std::u16string_view s, std::size_t pos) {
    while (pos < s.size() && isWhiteSpace(s[pos]))
        ++pos;
    return pos;
}

std::u16string_view trimSpace(std::u16string_view s) {
    s.remove_prefix(skipSpace(s, 0));
    std::size_t end = s.size();
    while (end > 0 && isWhiteSpace(s[end - 1]))
        --end;
    return s.substr(0, end);
}

// A section header is a line whose first non-blank character is "[". Only there does a bracket
// open a section, so values such as INSTALLDIR=[ProgramFilesFolder]x keep their brackets.
bool isHeaderLine(std::u16string_view line) {
    std::size_t pos = skipSpace(line, 0);
    return pos < line.size() && line[pos] == u'[';
}

// The name between the header line's first "[" and the first "]" after it, untrimmed.
// False when the line has no such pair.
bool headerName(std::u16string_view line, std::u16string_view& name) {
    std::size_t open = line.find(u'[');
    if (open == std::u16string_view::npos)
        return false;
    std::size_t close = line.find(u']', open + 1);
    if (close == std::u16string_view::npos)
        return false;
    name = line.substr(open + 1, close - open - 1);
    return true;
}

struct KeyValue {
    std::u16string_view key;
    std::u16string_view value;
};

// One body line: comments go, the last "#" and then the last ";" cut the line (so a value may
// hold either character as long as no comment follows it), the first "=" splits key from value.
KeyValue parseLine(std::u16string_view line) {
    std::u16string_view s = trimSpace(line);
    if (s.empty() || s.front() == u'#' || s.front() == u';')
        return {};
    if (std::size_t hash = s.rfind(u'#'); hash != std::u16string_view::npos)
        s = s.substr(0, hash);
    if (std::size_t semicolon = s.rfind(u';'); semicolon != std::u16string_view::npos)
        s = s.substr(0, semicolon);
    std::size_t equals = s.find(u'=');
    if (equals == std::u16string_view::npos)
        return {trimSpace(s), {}};
    return {trimSpace(s.substr(0, equals)), trimSpace(s.substr(equals + 1))};
}

std::string describeUtf8(const std::u16string& path, std::size_t line,
                         const std::u16string& problem) {
    return wtext::toUtf8(path + u", line " + wtext::formatDecimal(static_cast<std::int64_t>(line)) +
                         u": " + problem);
}

} // namespace

MalformedIniError::MalformedIniError(std::u16string path, std::size_t line, std::u16string problem)
    : std::runtime_error(describeUtf8(path, line, problem)), path_(std::move(path)), line_(line),
      problem_(std::move(problem)) {}

std::u16string MalformedIniError::describe() const {
    return path_ + u", line " + wtext::formatDecimal(static_cast<std::int64_t>(line_)) + u": " +
           problem_;
}

std::u16string IniSection::getValue(const std::u16string& key) const {
    auto it = values.find(key);
    return it == values.end() ? std::u16string() : it->second;
}

std::u16string IniSection::getKeyAt(std::size_t index) const {
    if (index >= values.size())
        return {};
    return std::next(values.begin(), static_cast<std::ptrdiff_t>(index))->first;
}

void IniSection::parse(std::u16string_view sectionText) {
    parse(sectionText, 1, nullptr);
}

void IniSection::parse(std::u16string_view sectionText, std::size_t headerLine,
                       IniSectionPosition* where) {
    std::size_t headerEnd = sectionText.find(lineFeed);
    std::u16string_view header = sectionText.substr(0, headerEnd);
    if (std::u16string_view found; headerName(header, found))
        name.assign(found);
    if (where) {
        where->name = name;
        where->line = headerLine;
    }
    if (headerEnd == std::u16string_view::npos)
        return;

    std::size_t pos = headerEnd + 1;
    std::size_t line = headerLine + 1;
    // Where each key first stood in where->keys, so a repeated key is found in log time.
    std::map<std::u16string_view, std::size_t> keyIndex;
    while (pos < sectionText.size()) {
        std::size_t end = sectionText.find(lineFeed, pos);
        if (end == std::u16string_view::npos)
            end = sectionText.size();
        KeyValue kv = parseLine(sectionText.substr(pos, end - pos));
        if (!kv.key.empty()) {
            values.insert_or_assign(std::u16string(kv.key), std::u16string(kv.value));
            if (where) {
                auto [at, added] = keyIndex.try_emplace(kv.key, where->keys.size());
                if (added) {
                    where->keys.push_back({std::u16string(kv.key), line, {}});
                } else {
                    IniKeyPosition& known = where->keys[at->second];
                    known.replacedLines.push_back(known.line);
                    known.line = line;
                }
            }
        }
        pos = end + 1;
        ++line;
    }
}

std::size_t IniPositions::sectionLine(const std::u16string& name) const {
    for (const IniSectionPosition& section : sections)
        if (section.taken && section.name == name)
            return section.line;
    return 0;
}

std::size_t IniPositions::keyLine(const std::u16string& section, const std::u16string& key) const {
    for (const IniSectionPosition& s : sections) {
        if (!s.taken || s.name != section)
            continue;
        for (const IniKeyPosition& k : s.keys)
            if (k.key == key)
                return k.line;
        return 0;
    }
    return 0;
}

IniSection IniFile::getSection(const std::u16string& name) const {
    auto it = sections.find(name);
    return it == sections.end() ? IniSection() : it->second;
}

bool IniFile::load(const std::u16string& path, IniPositions* where) {
    if (where)
        *where = IniPositions{path, {}};
    std::shared_ptr<char16_t[]> text;
    std::size_t textLength = 0;
    try {
        InputDataFile file(path);
        file.read();
        text = file.getText();
        textLength = file.getTextLength();
    } catch (const InputDataFileException&) {
        return false;
    }
    if (!text)
        return false;

    // The text ends at its first U+0000. It is parsed where it lies: the reader has already
    // read CR LF as LF, and a CR still standing before an LF (from CR CR LF) is white space
    // that trimming removes, so no second collapsing copy is needed.
    std::u16string_view all(text.get(), textLength);
    all = all.substr(0, all.find(u'\0'));

    // One pass over the lines. A section's text runs from its header line to the line feed
    // that ends the line before the next header (or to the end of the text); each is inserted
    // as soon as its end is known, so the sections before a malformed header stay.
    std::size_t sectionStart = std::u16string_view::npos;
    std::size_t sectionLine = 0;
    std::u16string_view sectionName;
    auto addSection = [&](std::size_t end) {
        if (sectionStart == std::u16string_view::npos)
            return;
        bool taken = sections.count(std::u16string(sectionName)) == 0;
        if (!taken && !where)
            return;
        IniSection section;
        IniSectionPosition position;
        section.parse(all.substr(sectionStart, end - sectionStart), sectionLine,
                      where ? &position : nullptr);
        if (where) {
            position.taken = taken;
            where->sections.push_back(std::move(position));
        }
        if (taken)
            sections.emplace(section.getName(), std::move(section));
    };

    std::size_t lineNumber = 1;
    std::size_t pos = 0;
    for (;;) {
        std::size_t end = all.find(lineFeed, pos);
        std::u16string_view line =
            all.substr(pos, end == std::u16string_view::npos ? end : end - pos);
        if (isHeaderLine(line)) {
            addSection(pos == 0 ? 0 : pos - 1);
            if (!headerName(line, sectionName))
                throw MalformedIniError(path, lineNumber,
                                        u"the section header has no closing \"]\"");
            sectionStart = pos;
            sectionLine = lineNumber;
        }
        // A final line feed ends the last line; no empty line follows it.
        if (end == std::u16string_view::npos || end + 1 == all.size())
            break;
        pos = end + 1;
        ++lineNumber;
    }
    if (sectionStart == std::u16string_view::npos)
        throw MalformedIniError(path, lineNumber,
                                u"no section header (a line beginning with \"[\") in the file");
    addSection(all.size());
    return true;
}
