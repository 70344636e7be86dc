// Simulated text services: the ANSI and UTF-8 decoders and the character classification.
#include "platform/platform.h"
#include "platform/wtext.h"

namespace platform {

std::u16string decodeAnsi(const std::uint8_t* data, std::size_t size) {
    // Windows-1252 stands in for the ANSI code page of the simulated machine.
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::u16string out(size, u'\0');
    for (std::size_t i = 0; i < size; ++i) {
        std::uint8_t b = data[i];
        out[i] = (b >= 0x80 && b < 0xA0) ? high[b - 0x80] : char16_t(b);
    }
    return out;
}

std::u16string decodeUtf8(const std::uint8_t* data, std::size_t size) {
    return wtext::fromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
}

bool isAlnum(char16_t c) {
    if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))
        return true;
    if (c == 0xAA || c == 0xB5 || c == 0xBA || (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7))
        return true;
    return (c >= 0x0100 && c <= 0x024F) || (c >= 0x0386 && c <= 0x03FF && c != 0x0387) ||
           (c >= 0x0400 && c <= 0x0481) || (c >= 0x048A && c <= 0x052F) ||
           (c >= 0x4E00 && c <= 0x9FFF);
}

bool isSpace(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

} // namespace platform
