#include "sysreq/version.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    const char16_t* text;
    VersionQuad expected;
};

TEST(ParseVersion, ReadsUpToFourComponentsAndStopsAtTheFirstUnreadable) {
    const ParseCase cases[] = {
        {u"2.5.1.300", {2, 5, 1, 300}},
        {u"6.1", {6, 1, -1, -1}},
        {u"", {-1, -1, -1, -1}},
        {u"6.x.1", {6, -1, -1, -1}},
        {u"6..1", {6, -1, -1, -1}},
        {u"6.", {6, -1, -1, -1}},
        {u"1.2.3.4.5", {1, 2, 3, -1}},
        {u"7.+1", {7, 1, -1, -1}},
        {u" 7. 1", {7, 1, -1, -1}},
        {u"-3.2", {-3, 2, -1, -1}},
        {u"99999999999", {2147483647, -1, -1, -1}},
        {u"-99999999999.1", {-2147483647 - 1, 1, -1, -1}},
        {u"1 .2", {-1, -1, -1, -1}},
        {u"x.1", {-1, -1, -1, -1}},
        {u".1", {-1, -1, -1, -1}},
        {u"+", {-1, -1, -1, -1}},
        {u"1.2.3.", {1, 2, 3, -1}},
    };
    for (const auto& c : cases) {
        std::u16string text(c.text);
        EXPECT_EQ(parseVersion(text), c.expected)
            << "text of " << text.size() << " units, first component " << c.expected.major;
    }
}

TEST(CompareVersions, FirstDifferingComponentDecidesAsSignedNumbers) {
    struct Case {
        const char16_t* a;
        const char16_t* b;
        int sign;
    };
    const Case cases[] = {
        {u"3.1.4000.2435", u"3.1.4000.1823", 1},
        {u"3.1.4000.2435", u"4.5", -1},
        {u"6.1", u"6.1", 0},
        {u"2.5.1", u"2.5.1.0", -1},
        {u"4.5.6001.22159", u"4.5", 1},
        {u"", u"0", -1},
        {u"", u"", 0},
        {u"-1", u"", 0},
    };
    for (const auto& c : cases) {
        int r = compareVersions(parseVersion(c.a), parseVersion(c.b));
        int sign = (r > 0) - (r < 0);
        EXPECT_EQ(sign, c.sign);
    }
}

} // namespace
