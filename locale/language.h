// The installation language: the user's default, language codes given on the command line,
// and the name of the language transform.
#pragma once

#include <cstdint>
#include <string>

// Where the user's default language came from.
enum class LanguageSource {
    UserDefault,   // the user's default language
    CustomLocale,  // the language Windows names for the user's custom locale
    SystemDefault, // the system's, for a custom user locale whose language cannot be told
    Option,        // the option /l (set by the setup object, never by defaultLanguage)
};

struct DefaultLanguage {
    std::uint16_t languageId = 0;
    LanguageSource source = LanguageSource::UserDefault;
};

// The user's default LANGID; for a custom user locale (0x0C00) the language Windows reports
// for it, or the system default language where it cannot tell.
DefaultLanguage defaultLanguage();
inline std::uint16_t defaultLanguageId() {
    return defaultLanguage().languageId;
}

// The LANGID of a two-letter code ("ru", "UK", ...), matched without regard to ASCII case.
// An unknown code keeps the current language with its default-sublanguage bit (0x0400) set.
std::uint32_t languageIdFromCode(const std::u16string& code, std::uint32_t currentLanguageId);
// Whether the code names a language of the table (else languageIdFromCode keeps the current).
bool isKnownLanguageCode(const std::u16string& code);

// "<decimal LANGID>.mst", e.g. 1049.mst.
std::u16string languageTransformName(std::uint32_t languageId);

// "0x%04x" of a LANGID (0x0419): the name of a language's message section, and with ".ini" of
// its message file. The language whose file every language falls back to when it has none of
// its own is English, the language most media are written in first.
std::u16string languageTag(std::uint32_t languageId);
inline std::u16string messageFileName(std::uint32_t languageId) {
    return languageTag(languageId) + u".ini";
}
inline constexpr std::uint16_t fallbackMessageLanguage = 0x0409;
