#include "tools/setup_check/ini_reading.h"

IniReading readIni(const std::u16string& path) {
    IniReading reading;
    try {
        reading.read = reading.document.load(path, &reading.positions);
    } catch (const MalformedIniError& error) {
        reading.malformedLine = error.line();
        reading.malformedProblem = error.problem();
    }
    return reading;
}
