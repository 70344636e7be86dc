// Text: decoding through MultiByteToWideChar, and the system's character classification.
#include "platform/platform.h"
#include "platform/win32/win32_support.h"

#include <cwctype>

namespace platform {

namespace {

// How many of the `available` bytes at `bytes` to decode in one call: all when they fit in
// one slice, else a slice cut at a character boundary (an ASCII byte, or before a UTF-8 lead
// byte), because MultiByteToWideChar takes an int length.
std::size_t sliceLength(UINT codePage, const char* bytes, std::size_t available) {
    constexpr std::size_t slice = 1u << 26;
    if (available <= slice)
        return available;
    auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    std::size_t n = slice;
    while (n > 0 && at(n) >= 0x80 && (codePage != CP_UTF8 || (at(n) & 0xC0) == 0x80))
        --n;
    return n == 0 ? slice : n;
}

std::u16string decode(UINT codePage, const std::uint8_t* data, std::size_t size) {
    std::u16string out;
    const char* bytes = reinterpret_cast<const char*>(data);
    std::size_t pos = 0;
    while (pos < size) {
        std::size_t n = sliceLength(codePage, bytes + pos, size - pos);
        int chars = MultiByteToWideChar(codePage, 0, bytes + pos, int(n), nullptr, 0);
        if (chars > 0) {
            std::size_t at = out.size();
            out.resize(at + std::size_t(chars));
            MultiByteToWideChar(codePage, 0, bytes + pos, int(n),
                                reinterpret_cast<wchar_t*>(&out[at]), chars);
        }
        pos += n;
    }
    return out;
}

} // namespace

std::u16string decodeAnsi(const std::uint8_t* data, std::size_t size) {
    return decode(CP_ACP, data, size);
}

std::u16string decodeUtf8(const std::uint8_t* data, std::size_t size) {
    return decode(CP_UTF8, data, size);
}

bool isAlnum(char16_t c) {
    return iswalnum(static_cast<wint_t>(c)) != 0;
}

bool isSpace(char16_t c) {
    WORD type = 0;
    wchar_t w = static_cast<wchar_t>(c);
    return GetStringTypeW(CT_CTYPE1, &w, 1, &type) && (type & C1_SPACE);
}

} // namespace platform
