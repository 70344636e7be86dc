#include "locale/language.h"

#include <gtest/gtest.h>

namespace {

TEST(LanguageIdFromCode, EveryCodeOfTheTableInAnyCaseWithItsTransform) {
    struct Row {
        const char16_t* code;
        std::uint32_t languageId;
        const char16_t* transform;
    };
    const Row rows[] = {
        {u"ru", 0x0419, u"1049.mst"}, {u"uk", 0x0422, u"1058.mst"}, {u"en", 0x0409, u"1033.mst"},
        {u"lv", 0x0426, u"1062.mst"}, {u"lt", 0x0427, u"1063.mst"}, {u"ro", 0x0418, u"1048.mst"},
        {u"bg", 0x0402, u"1026.mst"}, {u"de", 0x0407, u"1031.mst"}, {u"ka", 0x0437, u"1079.mst"},
        {u"kk", 0x043F, u"1087.mst"}, {u"vi", 0x042A, u"1066.mst"}, {u"pl", 0x0415, u"1045.mst"},
        {u"tr", 0x041F, u"1055.mst"}, {u"az", 0x042C, u"1068.mst"}, {u"hu", 0x040E, u"1038.mst"},
        {u"zh", 0x0804, u"2052.mst"}, {u"fr", 0x040C, u"1036.mst"},
    };
    // Spanish as the current language: no row's answer is the fallback's.
    const std::uint32_t current = 0x0C0A;
    for (const Row& row : rows) {
        std::u16string code(row.code), upper = code, mixed = code;
        for (char16_t& c : upper)
            c = char16_t(c - 32);
        mixed[0] = upper[0];
        for (const std::u16string& spelling : {code, upper, mixed})
            EXPECT_EQ(languageIdFromCode(spelling, current), row.languageId) << row.languageId;
        EXPECT_EQ(languageTransformName(row.languageId), row.transform) << row.languageId;
    }
}

TEST(LanguageIdFromCode, UnknownCodesKeepTheCurrentLanguageWithTheDefaultSublanguage) {
    struct Case {
        const char16_t* code;
        std::uint32_t current;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {u"es", 0x0419, 0x0419},
        {u"", 0x0419, 0x0419},
        {u"r", 0x0419, 0x0419},
        {u"rus", 0x0409, 0x0409},
        {u"xx", 0, 0x0400},
        {u"xx", 0x0804, 0x0C04},
        {u"xx", 0x12340419, 0x0419},
        // Only ASCII letters fold: a Turkish dotted capital I is not "i".
        {u"\u0130t", 0x0409, 0x0409},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(languageIdFromCode(c.code, c.current), c.expected)
            << "code of " << std::u16string(c.code).size() << " units, current 0x" << std::hex
            << c.current;
    }
}

TEST(LanguageTransformName, IsTheDecimalLanguageIdWithMst) {
    EXPECT_EQ(languageTransformName(0x0400), u"1024.mst");
}

} // namespace
