// Text as a file holds it in UTF-16, for the tests of how each reader tells encodings apart.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace textbytes {

enum class Order { littleEndian, bigEndian };

// `text` in UTF-16 of the given byte order, led by its byte-order mark unless `mark` is false.
inline std::string utf16(std::u16string_view text, Order order = Order::littleEndian,
                         bool mark = true) {
    const bool little = order == Order::littleEndian;
    std::string bytes = mark ? std::string(little ? "\xFF\xFE" : "\xFE\xFF") : std::string();
    for (char16_t c : text) {
        const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
        bytes += little ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

// ASCII `text` as each encoding a reader takes it in: ANSI, UTF-8 and UTF-16 with their marks.
inline std::vector<std::pair<const char*, std::string>> inEachEncoding(const std::string& text) {
    const std::u16string wide(text.begin(), text.end());
    return {{"ANSI", text}, {"UTF-8", "\xEF\xBB\xBF" + text}, {"UTF-16", utf16(wide)}};
}

} // namespace textbytes
