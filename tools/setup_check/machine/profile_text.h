// How profile files and settings write their values: trimmed text, numbers in decimal or 0x
// hexadecimal, languages as LANGIDs or codes, lists split at commas.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace setupcheck {

[[nodiscard]] std::string trim(const std::string& s);
// Decimal, or hexadecimal after 0x; at most 32 bits.
[[nodiscard]] std::optional<std::uint64_t> parseNumber(const std::string& text);
// 0x0419, 1049, or a language code of the launcher's option /l (ru, uk, ...).
[[nodiscard]] std::optional<std::uint16_t> parseLanguage(const std::string& text);
// The non-empty trimmed pieces between separators.
[[nodiscard]] std::vector<std::string> split(const std::string& text, char separator);
// "none" or nothing.
[[nodiscard]] bool isNone(const std::string& value);
// A version text as a DLL's (dwProductVersionMS, dwProductVersionLS).
[[nodiscard]] std::pair<std::uint32_t, std::uint32_t> dllVersion(const std::u16string& text);

} // namespace setupcheck
