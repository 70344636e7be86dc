// The configuration document: sections of key/value pairs read from Setup.ini or a language
// file. Names match exactly, as unsigned 16-bit code units; absence reads as empty.
#pragma once

#include <cstddef>
#include <memory>
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

    std::u16string getName() const { return std::u16string(name); }
    // The value under `key`, or the empty string.
    std::u16string getValue(const std::u16string& key) const;
    std::size_t getKeyCount() const { return count; }
    // The key at `index` in key order, or the empty string past the end.
    std::u16string getKeyAt(std::size_t index) const;

    // Fills the section from the text of one section: its header line (the name stands between
    // the line's first "[" and the first "]" after it), then its body, one key per LF-ended line.
    // A key met again replaces the earlier value; keys the section already has stay unless the
    // text gives them again. The section keeps a copy of the text.
    void parse(std::u16string_view sectionText);
    // The same, noting in `where` the section's name, its header line `headerLine` and the
    // line of every key; body lines are counted on from the header.
    void parse(std::u16string_view sectionText, std::size_t headerLine, IniSectionPosition* where);

private:
    friend class IniFile;
    struct Entry {
        std::u16string_view key;
        std::u16string_view value;
    };
    // The text that names and entries view, and the entries' storage; shared by every section
    // read from one file, and by every copy of them.
    struct Store;
    // Builds one section's sorted entries in a Store.
    class Builder;

    std::shared_ptr<const Store> store;
    std::u16string_view name;
    const Entry* entries = nullptr; // sorted by key as unsigned code units, each key once
    std::size_t count = 0;
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

    // The section of that name, or an empty section. It shares the text it was read from and
    // stays valid when the document is gone.
    IniSection getSection(const std::u16string& name) const;

private:
    // Moves the sections of one read file (in file order, every header met) into the document:
    // the first of a name is taken unless the document already has that name. Marks the others
    // as passed over in `where`, whose sections stand in the same order. `ordered`: the names
    // of `read` increase strictly.
    void adopt(std::vector<IniSection>& read, bool ordered, IniPositions* where);

    std::vector<IniSection> sections; // sorted by name as unsigned code units, each name once
};
