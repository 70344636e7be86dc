// The installation language: the user's default, language codes given on the command line,
// and the name of the language transform.
#pragma once

#include <cstdint>
#include <string>

// The user's default LANGID; for a custom user locale (0x0C00) the language Windows reports
// for it, or the system default language where it cannot tell.
std::uint16_t defaultLanguageId();

// The LANGID of a two-letter code ("ru", "UK", ...), matched without regard to ASCII case.
// An unknown code keeps the current language with its default-sublanguage bit (0x0400) set.
std::uint32_t languageIdFromCode(const std::u16string& code, std::uint32_t currentLanguageId);

// "<decimal LANGID>.mst", e.g. 1049.mst.
std::u16string languageTransformName(std::uint32_t languageId);
