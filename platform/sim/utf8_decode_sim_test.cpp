// The simulated machine's UTF-8 decoder (wtext::fromUtf8 behind platform::decodeUtf8), which
// stands in for MultiByteToWideChar: every malformed byte becomes U+FFFD on its own.
#include "platform/platform.h"
#include "platform/wtext.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

std::u16string decode(const std::string& bytes) {
    return platform::decodeUtf8(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

TEST(SimulatedUtf8, DecodesEachSequenceAndReplacesEachMalformedByte) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"", u""},
        {"abc", u"abc"},
        {"\xD0\x96\xC3\xA9", u"\u0416\u00E9"},
        {"\xE2\x82\xAC\xEF\xBF\xBF", u"\u20AC\uFFFF"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // above U+10FFFF
        {"\xC0\xAF\xC1\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // overlong two-byte forms
        {"\xD0\x96\xC0\xAF\xD0\x96\xC1\xBF\xD0\x96\xD0",
         u"\u0416\uFFFD\uFFFD\u0416\uFFFD\uFFFD\u0416\uFFFD"},
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"}, // overlong three-byte form
        {"\xF0\x80\x80\xAF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // an encoded surrogate
        {"\x80\xBF", u"\uFFFD\uFFFD"},
        {"\xF5\xFF", u"\uFFFD\uFFFD"},
        {"\xD0", u"\uFFFD"}, // cut at the end
        {"\xE2\x82", u"\uFFFD\uFFFD"},
        {"\xD0\n\xE2\x82x", u"\uFFFD\n\uFFFD\uFFFDx"}, // cut by the next character
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const auto& [bytes, text] : cases) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(decode(bytes), text);
        // The same within plain ASCII of every length around the decoder's strides: the
        // result must not depend on where a sequence falls.
        for (std::size_t before = 0; before <= 33; ++before) {
            for (std::size_t after : {0, 1, 7, 8, 9, 16, 17}) {
                const std::string a(before, 'a');
                const std::string z(after, 'z');
                const std::u16string expected =
                    std::u16string(before, u'a') + text + std::u16string(after, u'z');
                ASSERT_EQ(decode(a + bytes + z), expected) << before << " " << after;
                ASSERT_EQ(decode(a + bytes + bytes + z),
                          std::u16string(before, u'a') + text + text + std::u16string(after, u'z'))
                    << before << " " << after;
            }
        }
    }
}

TEST(SimulatedUtf8, DecodesEveryCodePoint) {
    std::u16string text;
    for (std::uint32_t cp = 1; cp < 0x110000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        if (cp < 0x10000) {
            text.push_back(char16_t(cp));
        } else {
            text.push_back(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
            text.push_back(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        }
    }
    EXPECT_TRUE(decode(wtext::toUtf8(text)) == text);
}

} // namespace
