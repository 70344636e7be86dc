// Small text helpers of the tool: UTF-8 for what it prints, the launcher's UTF-16 inside.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace setupcheck {

[[nodiscard]] std::string utf8(const std::u16string& text);
[[nodiscard]] std::u16string utf16(const std::string& text);
// Only the digits 0-9, at least one.
[[nodiscard]] bool isDigits(const std::u16string& text);
// ", did you mean X?" (or the letter-case hint) for a key that is nearly one of `known`.
[[nodiscard]] std::string suggestion(const std::u16string& key,
                                     const std::vector<std::u16string>& known);
// `text` followed by blanks up to `width` characters, and by one blank at least, so that a
// column of any length stays apart from the next.
[[nodiscard]] std::string padded(const std::string& text, std::size_t width);
// "0x0419" and the like, `digits` hexadecimal digits at least.
[[nodiscard]] std::string hexText(std::uint32_t value, int digits);

// The name of an enumerator from a table in the enumeration's order; the first name for a
// value outside it.
template <typename Enum, std::size_t N>
[[nodiscard]] std::string nameOf(Enum value, const char* const (&names)[N]) {
    const auto index = static_cast<std::size_t>(value);
    return index < N ? names[index] : names[0];
}
// A Windows path on the medium as the medium's own files are named: relative to the launcher's
// folder `setupDir` (data\setup.ini); a path elsewhere stays whole.
[[nodiscard]] std::string onTheMedium(const std::u16string& setupDir, const std::u16string& path);

} // namespace setupcheck
