// A medium's settings or message file read for a check: the document the launcher reads, how
// the read went, and where its sections and keys stand, so that warnings can name a line.
#pragma once

#include "config/ini_file.h"
#include "setup/decision_record.h"
#include "tools/setup_check/machine/simulated_machine.h"
#include "tools/setup_check/medium/ini_positions.h"

#include <string>

namespace setupcheck {

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

// The line of the package's Location in Setup.ini (`settings`), as the run `record` looked it
// up; 0 when it looked up none.
[[nodiscard]] std::size_t locationLine(const IniReading& settings, const DecisionRecord& record);

// The file at the Windows path `path` of `machine`, read by the launcher's own reader in that
// machine's code page.
[[nodiscard]] IniReading readIni(const SimulatedMachine& machine, const std::u16string& path);

} // namespace setupcheck
