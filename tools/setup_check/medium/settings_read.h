// The values the launcher read from Setup.ini, its message file and the package folder's
// setup.ini, each with the line it stood on, as its decision record names them.
#pragma once

#include "setup/decision_record.h"
#include "tools/setup_check/machine/simulated_machine.h"

#include <cstddef>
#include <string>
#include <vector>

namespace setupcheck {

struct SettingRead {
    std::string file;
    std::string section;
    std::string key;
    std::string value;
    std::size_t line = 0; // 0: not in the file (the launcher read an empty value)
};

// The value the launcher looked up for [section] key, empty when it looked up none.
std::u16string lookedUp(const DecisionRecord& record, const std::u16string& section,
                        const std::u16string& key);

// The files are read on `machine`, where the launcher made the run `record` describes.
std::vector<SettingRead> settingsRead(const SimulatedMachine& machine,
                                      const DecisionRecord& record);

} // namespace setupcheck
