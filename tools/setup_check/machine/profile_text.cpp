#include "tools/setup_check/machine/profile_text.h"

#include "locale/language.h"
#include "platform/wtext.h"
#include "sysreq/version.h"

#include <sstream>

namespace setupcheck {

std::string trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    std::size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::optional<std::uint64_t> parseNumber(const std::string& text) {
    std::string t = trim(text);
    if (t.empty())
        return std::nullopt;
    int base = 10;
    std::size_t start = 0;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        start = 2;
    }
    std::uint64_t value = 0;
    for (std::size_t i = start; i < t.size(); ++i) {
        char c = t[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    return value;
}

std::optional<std::uint16_t> parseLanguage(const std::string& text) {
    if (const std::optional<std::uint64_t> n = parseNumber(text); n && *n <= 0xFFFF)
        return static_cast<std::uint16_t>(*n);
    std::uint32_t fromCode = languageIdFromCode(wtext::fromUtf8(trim(text)), 0);
    if (fromCode == 0x0400)
        return std::nullopt;
    return static_cast<std::uint16_t>(fromCode);
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        if (!trim(part).empty())
            parts.push_back(trim(part));
    return parts;
}

bool isNone(const std::string& value) {
    return value == "none" || value.empty();
}

std::pair<std::uint32_t, std::uint32_t> dllVersion(const std::u16string& text) {
    VersionQuad v = parseVersion(text);
    auto part = [](std::int32_t c) { return static_cast<std::uint32_t>(c < 0 ? 0 : c) & 0xFFFF; };
    return {(part(v.major) << 16) | part(v.minor), (part(v.build) << 16) | part(v.revision)};
}

} // namespace setupcheck
