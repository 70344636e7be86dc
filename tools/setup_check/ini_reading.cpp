#include "tools/setup_check/ini_reading.h"

IniReading readIni(const std::u16string& path) {
    IniReading reading;
    reading.result = loadWithPositions(reading.document, path, reading.positions);
    return reading;
}
