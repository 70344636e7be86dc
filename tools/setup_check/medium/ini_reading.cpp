#include "tools/setup_check/medium/ini_reading.h"

#include "setup/setup_ini.h"

namespace setupcheck {

// The launcher's reader reads through the platform, which the live machine scripts.
IniReading readIni([[maybe_unused]] const SimulatedMachine& machine, const std::u16string& path) {
    IniReading reading;
    reading.result = loadWithPositions(reading.document, path, reading.positions);
    return reading;
}

std::size_t locationLine(const IniReading& settings, const DecisionRecord& record) {
    for (const SettingLookup& lookup : record.settings.read)
        if (lookup.key == setupIni::location)
            return settings.positions.keyLine(lookup.section, setupIni::location);
    return 0;
}

} // namespace setupcheck
