// The languages the launcher knows by a two-letter code, in the order its option /l searches
// them. Each row also carries what tools and tests need to say about the language: its English
// name, and the country a locale of that language reports by default (LOCALE_ICOUNTRY, the
// international dialling code), which is what Windows answers for a keyboard layout of it.
#pragma once

#include <cstdint>

struct LanguageRow {
    const char16_t* code;
    std::uint16_t languageId; // a primary language with its default sublanguage; zh: Simplified
    const char* englishName;
    std::uint32_t countryCode;
};

inline constexpr LanguageRow languageTable[] = {
    {u"ru", 0x0419, "Russian", 7},      {u"uk", 0x0422, "Ukrainian", 380},
    {u"en", 0x0409, "English", 1},      {u"lv", 0x0426, "Latvian", 371},
    {u"lt", 0x0427, "Lithuanian", 370}, {u"ro", 0x0418, "Romanian", 40},
    {u"bg", 0x0402, "Bulgarian", 359},  {u"de", 0x0407, "German", 49},
    {u"ka", 0x0437, "Georgian", 995},   {u"kk", 0x043F, "Kazakh", 7},
    {u"vi", 0x042A, "Vietnamese", 84},  {u"pl", 0x0415, "Polish", 48},
    {u"tr", 0x041F, "Turkish", 90},     {u"az", 0x042C, "Azerbaijani", 994},
    {u"hu", 0x040E, "Hungarian", 36},   {u"zh", 0x0804, "Chinese (Simplified)", 86},
    {u"fr", 0x040C, "French", 33},
};

// The row of a LANGID, or null.
inline const LanguageRow* languageRow(std::uint32_t languageId) {
    for (const LanguageRow& row : languageTable)
        if (row.languageId == languageId)
            return &row;
    return nullptr;
}
