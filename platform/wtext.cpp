#include "platform/wtext.h"

#include <limits>

namespace wtext {

namespace {

char16_t foldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

bool isCrtBlank(char16_t c) {
    return c == u' ' || (c >= 0x09 && c <= 0x0D);
}

// Shared front of wcstol/wcstoul: blanks, sign and the digits' magnitude (saturated).
struct Digits {
    bool negative = false;
    bool found = false;
    bool overflow = false;
    std::uint64_t magnitude = 0;
    std::size_t end = 0;
};

Digits readDigits(std::u16string_view s, std::uint64_t limit) {
    Digits d;
    std::size_t i = 0;
    while (i < s.size() && isCrtBlank(s[i]))
        ++i;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        d.negative = s[i] == u'-';
        ++i;
    }
    std::size_t start = i;
    while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
        if (!d.overflow) {
            d.magnitude = d.magnitude * 10 + std::uint64_t(s[i] - u'0');
            if (d.magnitude > limit)
                d.overflow = true;
        }
        ++i;
    }
    d.found = i > start;
    d.end = d.found ? i : 0;
    return d;
}

} // namespace

int compareNoCaseAscii(std::u16string_view a, std::u16string_view b) {
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        char16_t x = foldAscii(a[i]), y = foldAscii(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::int32_t parseLong(std::u16string_view text, std::size_t* consumed) {
    constexpr std::uint64_t maxNegative =
        std::uint64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    Digits d = readDigits(text, maxNegative);
    if (consumed)
        *consumed = d.end;
    if (!d.found)
        return 0;
    if (d.negative)
        return d.overflow || d.magnitude >= maxNegative ? std::numeric_limits<std::int32_t>::min()
                                                        : -std::int32_t(d.magnitude);
    if (d.overflow || d.magnitude > std::uint64_t(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return std::int32_t(d.magnitude);
}

std::uint32_t parseULong(std::u16string_view text, std::size_t* consumed) {
    constexpr std::uint64_t limit = std::numeric_limits<std::uint32_t>::max();
    Digits d = readDigits(text, limit);
    if (consumed)
        *consumed = d.end;
    if (!d.found)
        return 0;
    if (d.overflow)
        return std::numeric_limits<std::uint32_t>::max();
    std::uint32_t v = std::uint32_t(d.magnitude);
    return d.negative ? std::uint32_t(0u - v) : v;
}

std::u16string formatHex04(std::uint32_t value) {
    static const char16_t digits[] = u"0123456789abcdef";
    std::u16string hex;
    do {
        hex.insert(hex.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    while (hex.size() < 4)
        hex.insert(hex.begin(), u'0');
    return u"0x" + hex;
}

std::u16string formatDecimal(std::int64_t value) {
    std::uint64_t magnitude = value < 0 ? 0 - std::uint64_t(value) : std::uint64_t(value);
    std::u16string out;
    do {
        out.insert(out.begin(), char16_t(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        out.insert(out.begin(), u'-');
    return out;
}

std::u16string fromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        std::uint32_t cp = 0xFFFD;
        std::size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else {
            std::size_t need = c >= 0xF0 && c <= 0xF4  ? 3
                               : c >= 0xE0             ? 2
                               : c >= 0xC2 && c < 0xE0 ? 1
                                                       : 0;
            if (c >= 0xF5)
                need = 0;
            if (need && i + need < text.size()) {
                std::uint32_t v = c & (0x3F >> need);
                bool ok = true;
                for (std::size_t k = 1; k <= need; ++k) {
                    unsigned char t = static_cast<unsigned char>(text[i + k]);
                    if ((t & 0xC0) != 0x80) {
                        ok = false;
                        break;
                    }
                    v = (v << 6) | (t & 0x3F);
                }
                bool overlong = (need == 2 && v < 0x800) || (need == 3 && v < 0x10000);
                bool surrogate = v >= 0xD800 && v <= 0xDFFF;
                if (ok && !overlong && !surrogate && v <= 0x10FFFF) {
                    cp = v;
                    len = need + 1;
                }
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp));
        }
        i += len;
    }
    return out;
}

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(char(cp));
        } else if (cp < 0x800) {
            out.push_back(char(0xC0 | (cp >> 6)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(char(0xE0 | (cp >> 12)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (cp >> 18)));
            out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

} // namespace wtext
