// A medium's settings or message file read for a check: the document the launcher reads, and
// where its sections and keys stand, so that warnings can name a line.
#pragma once

#include "config/ini_file.h"

#include <cstddef>
#include <string>

struct IniReading {
    bool read = false; // the file could be opened and was not empty
    IniFile document;
    IniPositions positions;
    // The reader's complaint about a text it could not split into sections.
    std::size_t malformedLine = 0;
    std::u16string malformedProblem;
    bool malformed() const { return !malformedProblem.empty(); }
};

IniReading readIni(const std::u16string& path);
