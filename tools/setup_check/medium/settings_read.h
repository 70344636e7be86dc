// The values the launcher read from Setup.ini, its message file and the package folder's
// setup.ini, each with the line it stood on, as its decision record names them.
#pragma once

#include "platform/wtext.h"
#include "setup/decision_record.h"
#include "setup/setup_ini.h"
#include "tools/setup_check/machine/simulated_machine.h"

#include <cstddef>
#include <string>
#include <vector>

namespace setupcheck {

// Setup.ini's name, as the tool names the medium's files in its warnings and reports.
[[nodiscard]] inline const std::string& settingsFileName() {
    static const std::string name = wtext::toUtf8(setupIni::fileName);
    return name;
}

struct SettingRead {
    std::string file;
    std::string section;
    std::string key;
    std::string value;
    std::size_t line = 0; // 0: not in the file (the launcher read an empty value)
};

// The value the launcher looked up for [section] key, empty when it looked up none.
[[nodiscard]] std::u16string lookedUp(const DecisionRecord& record, const std::u16string& section,
                                      const std::u16string& key);

// The files are read on `machine`, where the launcher made the run `record` describes.
[[nodiscard]] std::vector<SettingRead> settingsRead(const SimulatedMachine& machine,
                                                    const DecisionRecord& record);

} // namespace setupcheck
