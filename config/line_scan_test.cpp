#include "config/line_scan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// Both scanners from every line start of `text`, with and without the stop at U+0000/Ctrl-Z.
void expectSameScans(const std::u16string& text) {
    for (bool stopAtNul : {false, true}) {
        for (std::size_t pos = 0; pos <= text.size();) {
            const LineScan plain = scanLinePlain(text.data(), pos, text.size(), stopAtNul);
            const LineScan wide = scanLineSse2(text.data(), pos, text.size(), stopAtNul);
            ASSERT_EQ(plain, wide) << "line at " << pos << " of a text of " << text.size()
                                   << " units, stopAtNul " << stopAtNul;
            if (plain.lastLine)
                break;
            pos = plain.end + 1;
        }
    }
}

TEST(LineScan, FindsTheLineEndTheFirstEqualsAndTheComment) {
    struct Case {
        const char16_t* line;
        std::size_t end, equals, comment;
    };
    constexpr std::size_t none = LineScan::none;
    const Case cases[] = {
        {u"key=value", 9, 3, none},
        {u"a=b=c\nnext", 5, 1, none},
        {u"a=b;c;d", 7, 1, 5},
        {u"Url=a#b#c", 9, 3, 7},
        {u"a=b;c#d;e", 9, 1, 3}, // the last ";" before the last "#"
        {u"a=b#c;d", 7, 1, 3},   // no ";" before the "#": the "#" cuts
        {u"=;#\n", 3, 0, 1},
        {u"0123456789abcdef=x#\n", 19, 16, 18}, // found by the wide scanner's second block
    };
    for (const Case& c : cases) {
        const std::u16string text(c.line);
        for (auto scan : {scanLinePlain, scanLineSse2}) {
            const LineScan line = scan(text.data(), 0, text.size(), false);
            EXPECT_EQ(line.end, c.end) << text.size();
            EXPECT_EQ(line.equals, c.equals) << text.size();
            EXPECT_EQ(line.comment, c.comment) << text.size();
        }
    }
}

TEST(LineScan, BothScannersAgreeOnEveryLine) {
    // Every unit looked for, at every offset of an eight-unit block and across blocks.
    const std::u16string alphabet = u"ab=;#\n \r\x1A\u3000\u0430";
    for (std::size_t length = 0; length <= 20; ++length) {
        for (std::size_t seed = 0; seed < 64; ++seed) {
            std::u16string text;
            std::uint64_t state = seed * 2654435761u + length;
            for (std::size_t i = 0; i < length; ++i) {
                state = state * 6364136223846793005ull + 1442695040888963407ull;
                text.push_back(alphabet[(state >> 33) % alphabet.size()]);
            }
            expectSameScans(text);
            expectSameScans(text + u'\0' + text);
        }
    }
}

} // namespace
