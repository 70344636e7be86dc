// The configuration reader: the bytes of one file, in whatever encoding their first bytes
// announce, loaded into a document. Every result is an expected answer; anything that escapes,
// and any sanitizer report, is a fault.
//
// Checked on every input:
//  - every section named by a header line before the first malformed one is found again
//    under that name, with that name;
//  - a section's keys come back from getKeyAt in strictly increasing order, each non-empty,
//    without line feeds and without surrounding blanks, and getValue finds each of them;
//  - the same text stored as ANSI, as UTF-8 with its mark and as UTF-16LE with its mark reads
//    to the same document, or fails on the same line.
#include "config/ini_file.h"
#include "config/input_data_file.h"
#include "fuzz/fuzz_input.h"
#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/wtext.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

const std::u16string ansiPath = u"C:\\media\\Setup.ini";
const std::u16string utf8Path = u"C:\\media\\utf8.ini";
const std::u16string utf16Path = u"C:\\media\\utf16.ini";

using fuzzinput::check;

bool blank(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0 || (c > 0xFF && platform::isSpace(c));
}

// The names of the header lines of the decoded text, in file order, up to the first header
// without its closing bracket; the text ends at its first U+0000.
std::vector<std::u16string> headerNames(std::u16string_view text) {
    text = text.substr(0, text.find(u'\0'));
    std::vector<std::u16string> names;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find(u'\n', pos);
        if (end == std::u16string_view::npos)
            end = text.size();
        std::u16string_view line = text.substr(pos, end - pos);
        std::size_t first = 0;
        while (first < line.size() && blank(line[first]))
            ++first;
        if (first < line.size() && line[first] == u'[') {
            std::size_t close = line.find(u']', first + 1);
            if (close == std::u16string_view::npos)
                break;
            names.emplace_back(line.substr(first + 1, close - first - 1));
        }
        pos = end + 1;
    }
    return names;
}

struct Outcome {
    bool loaded = false;
    std::optional<std::size_t> malformedLine;
};

Outcome load(IniFile& document, const std::u16string& path) {
    Outcome outcome;
    const IniLoadResult result = document.load(path);
    check(result.path == path, "the result names the file");
    outcome.loaded = result.isRead();
    if (result.status == IniLoadStatus::malformed) {
        check(result.line >= 1, "a malformed file names a line from 1");
        check(!result.problem.empty(), "a malformed file names its problem");
        outcome.malformedLine = result.line;
    }
    check(result.isRead() == result.describe().empty(), "a failed load describes itself");
    return outcome;
}

void checkSection(const IniSection& section) {
    std::u16string previous;
    for (std::size_t i = 0; i < section.getKeyCount(); ++i) {
        std::u16string key = section.getKeyAt(i);
        check(!key.empty(), "keys are not empty");
        check(i == 0 || previous < key, "getKeyAt is in strictly increasing order");
        check(key.find(u'\n') == std::u16string::npos, "a key holds no line feed");
        check(!blank(key.front()) && !blank(key.back()), "a key is trimmed");
        std::u16string value = section.getValue(key);
        check(value.find(u'\n') == std::u16string::npos, "a value holds no line feed");
        check(value.empty() || (!blank(value.front()) && !blank(value.back())),
              "a value is trimmed");
        previous = std::move(key);
    }
    check(section.getKeyAt(section.getKeyCount()).empty(), "getKeyAt past the end is empty");
}

bool sameSection(const IniSection& a, const IniSection& b) {
    if (a.getName() != b.getName() || a.getKeyCount() != b.getKeyCount())
        return false;
    for (std::size_t i = 0; i < a.getKeyCount(); ++i) {
        std::u16string key = a.getKeyAt(i);
        if (key != b.getKeyAt(i) || a.getValue(key) != b.getValue(key))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    sim::reset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    sim::addFile(ansiPath, bytes);

    IniFile document;
    Outcome outcome = load(document, ansiPath);
    if (size == 0 || (size >= 2 && data[0] == 0xFE && data[1] == 0xFF))
        check(!outcome.loaded && !outcome.malformedLine, "an empty or UTF-16BE file is not read");

    // The decoded text as the reader sees it, for the header names.
    std::u16string text;
    InputDataFile file(ansiPath);
    file.read();
    if (file.getText())
        text.assign(file.getText().get(), file.getTextLength());
    std::vector<std::u16string> names = headerNames(text);
    if (outcome.loaded)
        check(!names.empty(), "a document that loaded has a section header");
    for (const std::u16string& name : names) {
        IniSection section = document.getSection(name);
        check(section.getName() == name, "a section name round-trips through getSection");
        checkSection(section);
    }

    // The same text in the other two encodings. Only a file without a mark is ANSI; its
    // decoded text is then written as UTF-8 and as UTF-16LE, each with its mark.
    bool marked = size >= 2 &&
                  ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF) ||
                   (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF));
    if (marked || size == 0)
        return 0;
    std::u16string decoded = platform::decodeAnsi(data, size);
    std::string utf8 = "\xEF\xBB\xBF" + wtext::toUtf8(decoded);
    std::string utf16 = "\xFF\xFE";
    for (char16_t c : decoded) {
        utf16.push_back(static_cast<char>(c & 0xFF));
        utf16.push_back(static_cast<char>(c >> 8));
    }
    sim::addFile(utf8Path, utf8);
    sim::addFile(utf16Path, utf16);
    IniFile fromUtf8;
    IniFile fromUtf16;
    Outcome outcome8 = load(fromUtf8, utf8Path);
    Outcome outcome16 = load(fromUtf16, utf16Path);
    check(outcome8.loaded == outcome.loaded && outcome8.malformedLine == outcome.malformedLine,
          "UTF-8 reads like ANSI");
    check(outcome16.loaded == outcome.loaded && outcome16.malformedLine == outcome.malformedLine,
          "UTF-16LE reads like ANSI");
    for (const std::u16string& name : names) {
        IniSection section = document.getSection(name);
        check(sameSection(section, fromUtf8.getSection(name)), "UTF-8 section equals ANSI");
        check(sameSection(section, fromUtf16.getSection(name)), "UTF-16LE section equals ANSI");
    }
    return 0;
}
