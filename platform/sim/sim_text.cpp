// Simulated text services: the ANSI and UTF-8 decoders and the character classification.
#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"
#include "platform/wtext.h"

namespace platform {

std::u16string decodeAnsi(const std::uint8_t* data, std::size_t size) {
    return sim::decodeCodePage(sim::machine().ansiCodePage, data, size);
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
