// The installation language: the user's default, and language codes given on the command line.
#pragma once

#include <cstdint>
#include <string>

// The user's default LANGID; for a custom user locale (0x0C00) the language Windows reports
// for it, or the system default language where it cannot tell.
std::uint16_t defaultLanguageId();
