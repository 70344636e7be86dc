// Text helpers shared by the core and both platform layers. Every text is UTF-16
// (std::u16string on both builds); these are the few operations the launcher needs on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace wtext {

// A-Z to a-z; every other code unit as it is (like towlower in the "C" locale).
constexpr char16_t lowerAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}
std::u16string lowerAscii(std::u16string_view text);

// Case-insensitive comparison that folds only the ASCII letters A-Z (like _wcsicmp in the
// "C" locale). Negative, zero or positive like a three-way compare of the folded code units.
int compareNoCaseAscii(std::u16string_view a, std::u16string_view b);
inline bool equalsNoCaseAscii(std::u16string_view a, std::u16string_view b) {
    return compareNoCaseAscii(a, b) == 0;
}

// wcstol with base 10 and a 32-bit long: optional leading blanks (U+0009..U+000D, U+0020),
// an optional sign, decimal digits; clamps to the 32-bit range. `consumed` receives the
// number of code units read, 0 when no digits were found (the result is then 0).
std::int32_t parseLong(std::u16string_view text, std::size_t* consumed = nullptr);

// wcstoul with base 10 and a 32-bit unsigned long: like parseLong, a '-' sign negates in
// unsigned arithmetic, overflow gives 0xFFFFFFFF.
std::uint32_t parseULong(std::u16string_view text, std::size_t* consumed = nullptr);

// "0x%04x": lower-case hexadecimal, at least four digits.
std::u16string formatHex04(std::uint32_t value);
// "%d" / "%u".
std::u16string formatDecimal(std::int64_t value);

std::u16string fromUtf8(std::string_view text);
std::string toUtf8(std::u16string_view text);

} // namespace wtext
