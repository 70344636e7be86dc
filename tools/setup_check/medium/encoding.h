// How the launcher decodes a settings or message file, from its first bytes: UTF-16
// little-endian after the mark FF FE, UTF-8 after EF BB BF, anything else as ANSI text in the
// machine's code page. A file in UTF-16 without its mark is then read as ANSI text that ends at
// its first zero byte.
#pragma once

#include <string>

namespace setupcheck {

[[nodiscard]] bool hasByteOrderMark(const std::string& bytes);

enum class Utf16Order { none, littleEndian, bigEndian };

// UTF-16 without a byte-order mark: ASCII text in it has a zero byte beside each character.
[[nodiscard]] Utf16Order utf16WithoutMark(const std::string& bytes);

} // namespace setupcheck
