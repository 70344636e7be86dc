#include "locale/language.h"

#include "platform/platform.h"
#include "platform/wtext.h"

namespace {

struct LanguageCode {
    const char16_t* code;
    std::uint16_t languageId;
};

// Searched in this order; the first match wins.
constexpr LanguageCode languageCodes[] = {
    {u"ru", 0x0419}, {u"uk", 0x0422}, {u"en", 0x0409}, {u"lv", 0x0426}, {u"lt", 0x0427},
    {u"ro", 0x0418}, {u"bg", 0x0402}, {u"de", 0x0407}, {u"ka", 0x0437}, {u"kk", 0x043F},
    {u"vi", 0x042A}, {u"pl", 0x0415}, {u"tr", 0x041F}, {u"az", 0x042C}, {u"hu", 0x040E},
    {u"zh", 0x0804}, {u"fr", 0x040C},
};

} // namespace

std::uint16_t defaultLanguageId() {
    std::uint16_t user = platform::userDefaultLangId();
    if (user != platform::langIdCustomUserLocale)
        return user;
    // A custom user locale: Windows before Vista cannot name its language.
    platform::OsVersion version;
    if (platform::getVersionEx(version) && version.major < 6)
        return platform::systemDefaultLangId();
    std::uint32_t value = platform::langIdCustomUserLocale;
    if (platform::getLocaleInfoNumber(platform::localeInvariant,
                                      platform::localeCustomLanguageQuery, value, 1) != 0)
        return static_cast<std::uint16_t>(value & 0xFFFF);
    return platform::systemDefaultLangId();
}

std::uint32_t languageIdFromCode(const std::u16string& code, std::uint32_t currentLanguageId) {
    for (const LanguageCode& entry : languageCodes) {
        if (wtext::equalsNoCaseAscii(code, entry.code))
            return entry.languageId;
    }
    // SUBLANG_DEFAULT in the sublanguage bits: the usual LANGIDs already have it.
    constexpr std::uint32_t defaultSublanguage = 0x0400;
    return (currentLanguageId & 0xFFFF) | defaultSublanguage;
}

std::u16string languageTransformName(std::uint32_t languageId) {
    return wtext::formatDecimal(static_cast<std::int32_t>(languageId)) + u".mst";
}
