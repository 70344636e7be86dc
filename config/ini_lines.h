// The rules for the lines of a configuration text, shared by the file reader and by
// IniSection::parse: white space, section headers, and the split of a body line into key and
// value. Inline, since the reader applies them to every line.
#pragma once

#include "config/line_scan.h"
#include "platform/platform.h"

#include <cstddef>
#include <string_view>

namespace inilines {

constexpr char16_t lineFeed = u'\n';
constexpr char16_t ctrlZ = 0x1A;
constexpr std::size_t none = LineScan::none;

// The reader's white space: the C0 blanks, space and no-break space by itself, and above
// U+00FF whatever the platform classifies as space (U+3000 and the like).
inline bool isWhiteSpace(char16_t c) {
    if (c <= 0xFF)
        return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0;
    return platform::isSpace(c);
}

inline std::u16string_view trimSpace(std::u16string_view s) {
    std::size_t begin = 0;
    while (begin < s.size() && isWhiteSpace(s[begin]))
        ++begin;
    std::size_t end = s.size();
    while (end > begin && isWhiteSpace(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

// A section header is a line whose first non-blank character is "[". Only there does a bracket
// open a section, so values such as INSTALLDIR=[ProgramFilesFolder]x keep their brackets.
inline bool isHeaderLine(std::u16string_view line) {
    std::size_t pos = 0;
    while (pos < line.size() && isWhiteSpace(line[pos]))
        ++pos;
    return pos < line.size() && line[pos] == u'[';
}

// The name between the header line's first "[" and the first "]" after it, untrimmed.
// False when the line has no such pair.
inline bool headerName(std::u16string_view line, std::u16string_view& name) {
    std::size_t open = line.find(u'[');
    if (open == none)
        return false;
    std::size_t close = line.find(u']', open + 1);
    if (close == none)
        return false;
    name = line.substr(open + 1, close - open - 1);
    return true;
}

// Whether the text ends at `pos`: its end, or (for a loaded file) its first U+0000 or Ctrl-Z.
// A file is read without text mode, so Ctrl-Z still stands where the C runtime would stop.
inline bool endsText(const char16_t* text, std::size_t pos, std::size_t size) {
    return pos == size || text[pos] == u'\0' || text[pos] == ctrlZ;
}

struct KeyValue {
    std::u16string_view key;
    std::u16string_view value;
};

// The key and value of a body line (an empty key for a blank or comment line): the comment
// goes, the first "=" splits key from value, both are trimmed.
inline KeyValue splitLine(const char16_t* text, std::size_t pos, const LineScan& line) {
    KeyValue kv;
    std::u16string_view s = trimSpace(std::u16string_view(text + pos, line.end - pos));
    if (s.empty() || s.front() == u'#' || s.front() == u';')
        return kv;
    // None of "=", "#" and ";" is white space, so each found lies inside the trimmed line.
    const std::size_t start = static_cast<std::size_t>(s.data() - text);
    const std::size_t cut = line.comment != none ? line.comment : start + s.size();
    if (line.equals == none || line.equals >= cut) {
        kv.key = trimSpace(std::u16string_view(text + start, cut - start));
        return kv;
    }
    kv.key = trimSpace(std::u16string_view(text + start, line.equals - start));
    kv.value = trimSpace(std::u16string_view(text + line.equals + 1, cut - line.equals - 1));
    return kv;
}

} // namespace inilines
