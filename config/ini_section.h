// One section of the configuration document, and the observer that is told where the reader
// found each section and key. Names match exactly, as unsigned 16-bit code units; absence
// reads as empty.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// Told of the lines the reader takes, in file order, as it meets them: for tools that point a
// publisher at a line. Lines are counted from 1 after CR LF has been read as LF. The views
// are valid during the call only. Either function may be empty. Every header is told, also
// that of a section the document passes over because it has one of that name already; a key
// met again in one body is told again, and its last line holds the value.
struct IniObserver {
    // A section header: the name between its brackets, and its line.
    std::function<void(std::u16string_view name, std::size_t line)> section;
    // A key line of a section's body: the section's name, the key and value as the section
    // holds them (trimmed, the comment gone), and its line.
    std::function<void(std::u16string_view section, std::u16string_view key,
                       std::u16string_view value, std::size_t line)>
        key;
    // A key line that a comment ends early, told right after the line's key: the line's text
    // (without its line end) and where in it the comment starts, at the ";" or "#" that cut the
    // value short. What the section holds is the key line's value; what follows `cutAt` was
    // dropped.
    std::function<void(std::u16string_view section, std::u16string_view key,
                       std::u16string_view lineText, std::size_t cutAt, std::size_t line)>
        comment;
};

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
    // The same, telling `observer` (when given) of the header, as line `headerLine`, and of
    // every key line; body lines are counted on from the header.
    void parse(std::u16string_view sectionText, std::size_t headerLine,
               const IniObserver* observer);

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
