// Inside the reader: where sections keep their entries, how one section's entries are built and
// ordered, and how the observer is told of a key line. Used by IniSection::parse and
// IniFile::load.
#pragma once

#include "config/ini_lines.h"
#include "config/ini_section.h"

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

struct IniSection::Store {
    // The text the sections' names, keys and values view.
    std::shared_ptr<const char16_t[]> text;
    // What a section filled again by parse() held before: its name and entries view it.
    std::shared_ptr<const Store> earlier;
    // The entries, in blocks that never move: each section's entries stand together in one.
    std::vector<std::vector<Entry>> blocks;

    // Copies `count` entries into a block; returns where they stand now.
    const Entry* keep(const Entry* first, std::size_t count);
};

// Gathers one section's body lines, then sorts them by key once, the last line of a key taking
// its value. Keeps its scratch space from one section to the next.
class IniSection::Builder {
public:
    explicit Builder(std::shared_ptr<Store> store) : store(std::move(store)) {}

    // Starts the next section.
    void start(std::u16string_view sectionName) {
        name = sectionName;
        pending.clear();
    }

    void add(std::u16string_view key, std::u16string_view value) {
        pending.push_back({key, value});
    }

    IniSection finish();

private:
    std::shared_ptr<Store> store;
    std::u16string_view name;
    std::vector<Entry> pending;            // the body's keys in file order
    std::vector<std::u16string_view> keys; // scratch: the keys of pending
    std::vector<std::size_t> order;        // scratch: indexes into pending, sorted by key
    std::vector<Entry> kept;               // scratch: the entries that stay
};

// Fills `order` with the indexes of `texts` ordered by text as unsigned code units, equal texts
// in index order.
void sortByText(const std::vector<std::u16string_view>& texts, std::vector<std::size_t>& order);

// Tells `observer` (when given) of the key line `kv` of `section`, which starts at `pos` of
// `text` and was scanned as `line`, and of the comment that cut it, if any.
inline void tellKeyLine(const IniObserver* observer, std::u16string_view section,
                        const inilines::KeyValue& kv, const char16_t* text, std::size_t pos,
                        const LineScan& line, std::size_t lineNumber) {
    if (!observer)
        return;
    if (observer->key)
        observer->key(section, kv.key, kv.value, lineNumber);
    if (observer->comment && line.comment != inilines::none) {
        std::size_t end = line.end;
        while (end > line.comment && inilines::isWhiteSpace(text[end - 1]))
            --end;
        observer->comment(section, kv.key, std::u16string_view(text + pos, end - pos),
                          line.comment - pos, lineNumber);
    }
}
