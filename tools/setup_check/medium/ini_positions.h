// Where the sections and keys of one settings or message file stood, so that setup-check can
// point a publisher at a line. Built from the events the launcher's own reader tells while it
// loads the file, so the lines are the reader's: counted from 1 after CR LF has been read as LF.
#pragma once

#include "config/ini_file.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace setupcheck {

// A key line that a comment cut short: the line's text and where the comment starts in it.
struct IniCut {
    std::u16string lineText;
    std::size_t at = 0;
};

struct IniKeyPosition {
    std::u16string key;
    // The key's last line in its section's body: the one whose value the section holds.
    std::size_t line = 0;
    // Earlier lines of the same key in that body, whose values were replaced.
    std::vector<std::size_t> replacedLines;
    // Where a comment cut that last line, if one did.
    std::optional<IniCut> cut;
};

struct IniSectionPosition {
    std::u16string name;
    std::size_t line = 0; // the header line
    // False when a section of this name stood earlier in the file, so the reader passed this
    // one over whole.
    bool taken = true;
    std::vector<IniKeyPosition> keys;            // in order of first appearance
    std::map<std::u16string, std::size_t> keyAt; // each key's index in keys
};

struct IniPositions {
    std::u16string path;
    // Every header the reader met, in file order, the ones passed over included. After a
    // malformed text it holds the sections before the fault.
    std::vector<IniSectionPosition> sections;
    // The index in sections of the section taken under each name, so that looking up a line
    // costs the same however many sections the file holds.
    std::map<std::u16string, std::size_t> takenAt;

    // The header line of the section taken under `name`, or 0.
    std::size_t sectionLine(const std::u16string& name) const;
    // The line of the key whose value the section taken under `section` holds, or 0.
    std::size_t keyLine(const std::u16string& section, const std::u16string& key) const;
};

// Loads `path` into `document` as IniFile::load does, and fills `where` with the positions of
// that file's sections and keys (none when it cannot be read). Returns the load's result.
[[nodiscard]] IniLoadResult loadWithPositions(IniFile& document, const std::u16string& path,
                                              IniPositions& where);

} // namespace setupcheck
