#include "locale/language.h"

#include <gtest/gtest.h>

namespace {

TEST(LanguageIdFromCode, KnownCodesInAnyCaseAndTheFallback) {
    struct Case {
        const char16_t* code;
        std::uint32_t current;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {u"ru", 0x0409, 0x0419},
        {u"RU", 0x0409, 0x0419},
        {u"uK", 0x0409, 0x0422},
        {u"Uk", 0x0409, 0x0422},
        {u"en", 0x0419, 0x0409},
        {u"fr", 0x0409, 0x040C},
        {u"zh", 0x0409, 0x0804},
        {u"az", 0x0409, 0x042C},
        {u"kk", 0x0409, 0x043F},
        {u"hu", 0x0409, 0x040E},
        // Unknown codes keep the current language with the default-sublanguage bit.
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
    EXPECT_EQ(languageTransformName(0x0419), u"1049.mst");
    EXPECT_EQ(languageTransformName(0x0422), u"1058.mst");
    EXPECT_EQ(languageTransformName(0x0400), u"1024.mst");
}

} // namespace
