#include "tools/setup_check/basics/text.h"

#include "platform/wtext.h"

#include <algorithm>
#include <cstdio>

namespace setupcheck {

std::string utf8(const std::u16string& text) {
    return wtext::toUtf8(text);
}

std::u16string utf16(const std::string& text) {
    return wtext::fromUtf8(text);
}

bool isDigits(const std::u16string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

namespace {

std::size_t editDistance(const std::u16string& a, const std::u16string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

} // namespace

std::string suggestion(const std::u16string& key, const std::vector<std::u16string>& known) {
    for (const std::u16string& k : known) {
        const std::u16string a = wtext::lowerAscii(key), b = wtext::lowerAscii(k);
        if (a == b)
            return " (names are case-sensitive: did you mean " + utf8(k) + "?)";
        if (editDistance(a, b) <= 2)
            return " (did you mean " + utf8(k) + "?)";
    }
    return "";
}

std::string padded(const std::string& text, std::size_t width) {
    return text + std::string(text.size() < width ? width - text.size() : 1, ' ');
}

std::string hexText(std::uint32_t value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%0*x", digits, value);
    return buffer;
}

std::string onTheMedium(const std::u16string& setupDir, const std::u16string& path) {
    const bool inside = path.size() > setupDir.size() &&
                        wtext::equalsNoCaseAscii(path.substr(0, setupDir.size()), setupDir);
    return utf8(inside ? path.substr(setupDir.size()) : path);
}

} // namespace setupcheck
