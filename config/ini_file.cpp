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
// `pos` is where the line starts in `text`; the line ends at the next line feed.
bool isHeaderLine(std::u16string_view text, std::size_t pos) {
    while (pos < text.size() && text[pos] != lineFeed && isWhiteSpace(text[pos]))
        ++pos;
    return pos < text.size() && text[pos] == u'[';
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

// The end of the line that starts at `pos`: its line feed, or the end of the text.
std::size_t lineEnd(std::u16string_view text, std::size_t pos) {
    std::size_t end = text.find(lineFeed, pos);
    return end == std::u16string_view::npos ? text.size() : end;
}

struct KeyValue {
    std::u16string_view key;
    std::u16string_view value;
};

// One body line, the one that starts at `pos`: comments go, the last "#" and then the last ";"
// cut the line (so a value may hold either character as long as no comment follows it), the
// first "=" splits key from value. Returns where the line ends (its line feed, or the end of
// the text).
//
// The line is read once: the same pass finds its end, its first "=", its last "#" and the last
// ";" before that "#" (the one that cuts what the "#" left), so a long value is not scanned
// over again for each of them.
std::size_t parseLine(std::u16string_view text, std::size_t pos, KeyValue& kv) {
    constexpr std::size_t none = std::u16string_view::npos;
    const char16_t* p = text.data();
    const std::size_t size = text.size();
    std::size_t equals = none;
    std::size_t hash = none;
    std::size_t semicolon = none;
    std::size_t semicolonBeforeHash = none;
    std::size_t end = pos;
    for (; end < size; ++end) {
        char16_t c = p[end];
        if (c > u'=') // beyond every character looked for: the line feed, "#", ";" and "="
            continue;
        if (c == lineFeed)
            break;
        if (c == u'=') {
            if (equals == none)
                equals = end;
        } else if (c == u'#') {
            hash = end;
            semicolonBeforeHash = semicolon;
        } else if (c == u';') {
            semicolon = end;
        }
    }

    kv = {};
    std::u16string_view s = trimSpace(text.substr(pos, end - pos));
    if (s.empty() || s.front() == u'#' || s.front() == u';')
        return end;
    // None of "=", "#" and ";" is white space, so each found lies inside the trimmed line.
    std::size_t start = static_cast<std::size_t>(s.data() - p);
    std::size_t cut = start + s.size();
    if (hash != none) {
        cut = hash;
        semicolon = semicolonBeforeHash;
    }
    if (semicolon != none)
        cut = semicolon;
    if (equals == none || equals >= cut) {
        kv.key = trimSpace(text.substr(start, cut - start));
        return end;
    }
    kv.key = trimSpace(text.substr(start, equals - start));
    kv.value = trimSpace(text.substr(equals + 1, cut - equals - 1));
    return end;
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
    KeyIndex keyIndex;
    while (pos < sectionText.size()) {
        KeyValue kv;
        std::size_t end = parseLine(sectionText, pos, kv);
        if (!kv.key.empty())
            take(kv.key, kv.value, line, where, keyIndex);
        pos = end + 1;
        ++line;
    }
}

void IniSection::take(std::u16string_view key, std::u16string_view value, std::size_t line,
                      IniSectionPosition* where, KeyIndex& keyIndex) {
    values.insert_or_assign(std::u16string(key), std::u16string(value));
    if (!where)
        return;
    auto [at, added] = keyIndex.try_emplace(key, where->keys.size());
    if (added) {
        where->keys.push_back({std::u16string(key), line, {}});
    } else {
        IniKeyPosition& known = where->keys[at->second];
        known.replacedLines.push_back(known.line);
        known.line = line;
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

    // One pass over the lines, each read once. A section takes the body lines from its header
    // line up to the next header (or the end of the text), and is inserted as soon as that
    // header is met, so the sections before a malformed header stay. A section whose name is
    // already in the document is passed over whole (its lines are still read for `where`).
    IniSection section;
    IniSectionPosition position;
    IniSection::KeyIndex keyIndex;
    bool inSection = false;
    bool taken = false;
    auto addSection = [&] {
        if (!inSection)
            return;
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
        std::size_t end;
        if (isHeaderLine(all, pos)) {
            end = lineEnd(all, pos);
            std::u16string_view line = all.substr(pos, end - pos);
            addSection();
            std::u16string_view name;
            if (!headerName(line, name))
                throw MalformedIniError(path, lineNumber,
                                        u"the section header has no closing \"]\"");
            section = IniSection();
            position = IniSectionPosition();
            keyIndex.clear();
            section.parse(line, lineNumber, where ? &position : nullptr);
            taken = sections.count(section.getName()) == 0;
            inSection = true;
        } else if (inSection && (taken || where)) {
            KeyValue kv;
            end = parseLine(all, pos, kv);
            if (!kv.key.empty())
                section.take(kv.key, kv.value, lineNumber, where ? &position : nullptr, keyIndex);
        } else {
            end = lineEnd(all, pos);
        }
        // A final line feed ends the last line; no empty line follows it.
        if (end >= all.size() || end + 1 == all.size())
            break;
        pos = end + 1;
        ++lineNumber;
    }
    if (!inSection)
        throw MalformedIniError(path, lineNumber,
                                u"no section header (a line beginning with \"[\") in the file");
    addSection();
    return true;
}
