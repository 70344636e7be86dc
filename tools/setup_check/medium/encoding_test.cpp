#include "tools/setup_check/medium/encoding.h"

#include "tests/support/text_bytes.h"

#include <gtest/gtest.h>

#include <string>

namespace setupcheck {

namespace {

constexpr auto little = textbytes::Order::littleEndian;
constexpr auto big = textbytes::Order::bigEndian;

// A file in UTF-16 without its mark is told from ANSI and UTF-8 text and from a marked file.
TEST(Encoding, TellsUtf16WithoutItsMark) {
    const std::u16string ascii = u"[Startup]\r\nProductCode={X}\r\n";
    const std::u16string cyrillic = u"[0x0419]\r\n1150=\u0414\u043B\u044F Vorta\r\n";
    const std::pair<std::string, Utf16Order> cases[] = {
        {textbytes::utf16(ascii, little, false), Utf16Order::littleEndian},
        {textbytes::utf16(ascii, big, false), Utf16Order::bigEndian},
        {textbytes::utf16(cyrillic, little, false), Utf16Order::littleEndian},
        {textbytes::utf16(ascii), Utf16Order::none},
        {textbytes::utf16(ascii, big), Utf16Order::none},
        {"[0x0419]\r\n1150=\xC4\xEB\xFF\r\n", Utf16Order::none},
        // ANSI text the C runtime would end at its first zero byte is not UTF-16.
        {std::string("[A]\r\nk=v\0\0\0\0", 11), Utf16Order::none},
    };
    for (const auto& [bytes, order] : cases)
        EXPECT_EQ(utf16WithoutMark(bytes), order) << bytes;
}

} // namespace

} // namespace setupcheck
