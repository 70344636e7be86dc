// The configuration document: sections of key/value pairs read from Setup.ini or a language
// file. Names match exactly, as unsigned 16-bit code units; absence reads as empty.
#pragma once

#include <cstddef>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct IniSectionPosition;

class IniSection {
public:
    IniSection() = default;
    IniSection(const IniSection&) = default;
    IniSection& operator=(const IniSection&) = default;
    IniSection(IniSection&&) = default;
    IniSection& operator=(IniSection&&) = default;
    virtual ~IniSection() = default;

    std::u16string getName() const { return name; }
    // The value under `key`, or the empty string.
    std::u16string getValue(const std::u16string& key) const;
    std::size_t getKeyCount() const { return values.size(); }
    // The key at `index` in key order, or the empty string past the end.
    std::u16string getKeyAt(std::size_t index) const;

    // Fills the section from the text of one section: its header line (the name stands between
    // the line's first "[" and the first "]" after it), then its body, one key per LF-ended line.
    // A key met again replaces the earlier value.
    void parse(std::u16string_view sectionText);
    // The same, noting in `where` the section's name, its header line `headerLine` and the
    // line of every key; body lines are counted on from the header.
    void parse(std::u16string_view sectionText, std::size_t headerLine, IniSectionPosition* where);

private:
    friend class IniFile;
    // Where each key of one section first stood in IniSectionPosition::keys.
    using KeyIndex = std::map<std::u16string_view, std::size_t>;

    // Sets `key` to `value`; with `where`, notes `line` as the key's line (a key met again
    // moves its earlier line to replacedLines). The views in `keyIndex` must outlive the call.
    void take(std::u16string_view key, std::u16string_view value, std::size_t line,
              IniSectionPosition* where, KeyIndex& keyIndex);

    std::u16string name;
    std::map<std::u16string, std::u16string> values;
};

// Raised by IniFile::load when the text cannot be split into sections: no section header at
// all (the line is then the text's last), or a header line without its closing bracket. Lines
// are counted from 1 after CR LF has been read as LF. what() is describe() in UTF-8.
class MalformedIniError : public std::runtime_error {
public:
    MalformedIniError(std::u16string path, std::size_t line, std::u16string problem);

    const std::u16string& path() const { return path_; }
    std::size_t line() const { return line_; }
    const std::u16string& problem() const { return problem_; }
    // "<path>, line <n>: <problem>"
    std::u16string describe() const;

private:
    std::u16string path_;
    std::size_t line_;
    std::u16string problem_;
};

// Where the keys and sections of one loaded file stood, for tools that point a publisher at a
// line. Lines are counted as for MalformedIniError.
struct IniKeyPosition {
    std::u16string key;
    // The key's last line in its section's body: the one whose value the section holds.
    std::size_t line = 0;
    // Earlier lines of the same key in that body, whose values were replaced.
    std::vector<std::size_t> replacedLines;
};

struct IniSectionPosition {
    std::u16string name;
    std::size_t line = 0; // the header line
    // False when a section of this name was already in the document, so this one was passed
    // over whole.
    bool taken = true;
    std::vector<IniKeyPosition> keys; // in order of first appearance
};

struct IniPositions {
    std::u16string path;
    // Every header the reader met, in file order, the ones passed over included. After a
    // MalformedIniError it holds the sections before the fault.
    std::vector<IniSectionPosition> sections;

    // The header line of the section taken under `name`, or 0.
    std::size_t sectionLine(const std::u16string& name) const;
    // The line of the key whose value the section taken under `section` holds, or 0.
    std::size_t keyLine(const std::u16string& section, const std::u16string& key) const;
};

class IniFile {
public:
    // Reads the file and adds its sections; a section already present stays as it is. A
    // section header is a line whose first non-blank character is "["; a "[" anywhere else is
    // an ordinary character of a key, value or comment.
    // False when the file cannot be opened or is empty (the document is then unchanged).
    // Throws MalformedIniError for a text that cannot be split into sections; the sections
    // inserted before the fault stay.
    // When `where` is given it is filled with the positions of this file's sections and keys
    // (it is left empty when the file cannot be opened); the document is the same either way.
    bool load(const std::u16string& path, IniPositions* where = nullptr);

    // The section of that name, or an empty section.
    IniSection getSection(const std::u16string& name) const;

private:
    std::map<std::u16string, IniSection> sections;
};
