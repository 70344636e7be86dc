#include "locale/language.h"

#include "locale/language_table.h"
#include "platform/platform.h"
#include "platform/wtext.h"

namespace {

const LanguageRow* rowOfCode(const std::u16string& code) {
    for (const LanguageRow& row : languageTable)
        if (wtext::equalsNoCaseAscii(code, row.code))
            return &row;
    return nullptr;
}

} // namespace

DefaultLanguage defaultLanguage() {
    std::uint16_t user = platform::userDefaultLangId();
    if (user != platform::langIdCustomUserLocale)
        return {user, LanguageSource::UserDefault};
    // A custom user locale: Windows before Vista cannot name its language.
    platform::OsVersion version;
    if (platform::getVersionEx(version) && version.major < 6)
        return {platform::systemDefaultLangId(), LanguageSource::SystemDefault};
    std::uint32_t value = platform::langIdCustomUserLocale;
    if (platform::getLocaleInfoNumber(platform::localeInvariant,
                                      platform::localeCustomLanguageQuery, value, 1) != 0)
        return {static_cast<std::uint16_t>(value & 0xFFFF), LanguageSource::CustomLocale};
    return {platform::systemDefaultLangId(), LanguageSource::SystemDefault};
}

std::uint32_t languageIdFromCode(const std::u16string& code, std::uint32_t currentLanguageId) {
    if (const LanguageRow* row = rowOfCode(code))
        return row->languageId;
    // SUBLANG_DEFAULT in the sublanguage bits: the usual LANGIDs already have it.
    constexpr std::uint32_t defaultSublanguage = 0x0400;
    return (currentLanguageId & 0xFFFF) | defaultSublanguage;
}

bool isKnownLanguageCode(const std::u16string& code) {
    return rowOfCode(code) != nullptr;
}

std::u16string languageTransformName(std::uint32_t languageId) {
    return wtext::formatDecimal(static_cast<std::int32_t>(languageId)) + u".mst";
}

std::u16string languageTag(std::uint32_t languageId) {
    // Cut to 100 characters, as the launcher's text buffer for it holds; "0x%04x" of a 32-bit
    // number never reaches that.
    return wtext::formatHex04(languageId).substr(0, 100);
}
