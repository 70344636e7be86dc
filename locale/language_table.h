// The languages the launcher knows by a two-letter code, in the order its option /l searches
// them. Each row also carries what tools and tests need to say about the language: its English
// name, the country a locale of that language reports by default (LOCALE_ICOUNTRY, the
// international dialling code), which is what Windows answers for a keyboard layout of it, and
// the ANSI code page of its locale (LOCALE_IDEFAULTANSICODEPAGE), the code page Windows reads
// text without a byte-order mark in when it is the system's language; 0 for a locale that has
// none (a Unicode-only one).
#pragma once

#include <cstdint>

struct LanguageRow {
    const char16_t* code;
    std::uint16_t languageId; // a primary language with its default sublanguage; zh: Simplified
    const char* englishName;
    std::uint32_t countryCode;
    std::uint16_t ansiCodePage;
};

// clang-format off
inline constexpr LanguageRow languageTable[] = {
    {u"ru", 0x0419, "Russian", 7, 1251},
    {u"uk", 0x0422, "Ukrainian", 380, 1251},
    {u"en", 0x0409, "English", 1, 1252},
    {u"lv", 0x0426, "Latvian", 371, 1257},
    {u"lt", 0x0427, "Lithuanian", 370, 1257},
    {u"ro", 0x0418, "Romanian", 40, 1250},
    {u"bg", 0x0402, "Bulgarian", 359, 1251},
    {u"de", 0x0407, "German", 49, 1252},
    {u"ka", 0x0437, "Georgian", 995, 0},
    {u"kk", 0x043F, "Kazakh", 7, 1251},
    {u"vi", 0x042A, "Vietnamese", 84, 1258},
    {u"pl", 0x0415, "Polish", 48, 1250},
    {u"tr", 0x041F, "Turkish", 90, 1254},
    {u"az", 0x042C, "Azerbaijani", 994, 1254},
    {u"hu", 0x040E, "Hungarian", 36, 1250},
    {u"zh", 0x0804, "Chinese (Simplified)", 86, 936},
    {u"fr", 0x040C, "French", 33, 1252},
};
// clang-format on

// The row of a LANGID, or null.
inline const LanguageRow* languageRow(std::uint32_t languageId) {
    for (const LanguageRow& row : languageTable)
        if (row.languageId == languageId)
            return &row;
    return nullptr;
}
