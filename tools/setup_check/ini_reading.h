// A medium's settings or message file read for a check: the document the launcher reads, how
// the read went, and where its sections and keys stand, so that warnings can name a line.
#pragma once

#include "config/ini_file.h"
#include "tools/setup_check/ini_positions.h"

#include <string>

struct IniReading {
    IniLoadResult result;
    IniFile document;
    IniPositions positions;

    bool read() const { return result.isRead(); }
    // The launcher refuses a Setup.ini like this, and a message file that is malformed.
    bool refused() const {
        return result.status == IniLoadStatus::malformed ||
               result.status == IniLoadStatus::unreadable;
    }
};

IniReading readIni(const std::u16string& path);
