#include "tools/setup_check/encoding_lint.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string utf16(const std::u16string& text, bool littleEndian) {
    std::string out;
    for (char16_t c : text) {
        const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
        out += littleEndian ? std::string{low, high} : std::string{high, low};
    }
    return out;
}

// A file in UTF-16 without its mark is told from ANSI and UTF-8 text and from a marked file.
TEST(EncodingLint, TellsUtf16WithoutItsMark) {
    const std::u16string ascii = u"[Startup]\r\nProductCode={X}\r\n";
    const std::u16string cyrillic = u"[0x0419]\r\n1150=\u0414\u043B\u044F Vorta\r\n";
    const std::pair<std::string, Utf16Order> cases[] = {
        {utf16(ascii, true), Utf16Order::littleEndian},
        {utf16(ascii, false), Utf16Order::bigEndian},
        {utf16(cyrillic, true), Utf16Order::littleEndian},
        {"\xFF\xFE" + utf16(ascii, true), Utf16Order::none},
        {"\xFE\xFF" + utf16(ascii, false), Utf16Order::none},
        {"[0x0419]\r\n1150=\xC4\xEB\xFF\r\n", Utf16Order::none},
        // ANSI text the C runtime would end at its first zero byte is not UTF-16.
        {std::string("[A]\r\nk=v\0\0\0\0", 11), Utf16Order::none},
    };
    for (const auto& [bytes, order] : cases)
        EXPECT_EQ(utf16WithoutMark(bytes), order) << bytes;
}

} // namespace
