// The two line scanners of the settings reader on the same text: the plain one that the 32-bit
// setup.exe runs and the SSE2 one of 64-bit builds must find the same line ends, "=" and
// comments on every line, with and without the stop at U+0000 and Ctrl-Z.
#include "config/line_scan.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input's bytes as little-endian code units; a few byte values map onto the units
    // the scanners look for, so that short inputs reach them often.
    std::vector<char16_t> text(size / 2);
    if (!text.empty())
        std::memcpy(text.data(), data, text.size() * 2);
    for (char16_t& c : text) {
        static const char16_t wanted[] = {u'\n', u'=', u';', u'#', u'\0', 0x1A};
        if (c >= 0xFFF0 && c - 0xFFF0 < 6)
            c = wanted[c - 0xFFF0];
    }
    for (bool stopAtNul : {false, true}) {
        for (std::size_t pos = 0; pos <= text.size();) {
            const LineScan plain = scanLinePlain(text.data(), pos, text.size(), stopAtNul);
            const LineScan wide = scanLineSse2(text.data(), pos, text.size(), stopAtNul);
            if (!(plain == wide))
                std::abort();
            if (plain.lastLine)
                break;
            pos = plain.end + 1;
        }
    }
    return 0;
}
