#include "platform/wtext.h"

#include <bit>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace wtext {

namespace {

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

std::u16string lowerAscii(std::u16string_view text) {
    std::u16string lower(text);
    for (char16_t& c : lower)
        c = lowerAscii(c);
    return lower;
}

int compareNoCaseAscii(std::u16string_view a, std::u16string_view b) {
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        char16_t x = lowerAscii(a[i]), y = lowerAscii(b[i]);
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

namespace {

// Plain ASCII from s[i] on, copied a block at a time as long as whole blocks are ASCII; the
// rest (a shorter tail, the block with the first high byte) is left to the caller.
void copyAsciiBlocks(const unsigned char* s, std::size_t size, std::size_t& i, char16_t*& o) {
#if defined(__SSE2__)
    // Sixteen bytes at a time: all sixteen are widened and stored, and as many are kept as lead
    // the block without a high bit (the rest are written over next). The output never runs
    // ahead of the input, so the sixteen units fit.
    while (size - i >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i zero = _mm_setzero_si128();
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(bytes, zero));
        const auto high = static_cast<unsigned>(_mm_movemask_epi8(bytes));
        if (high == 0) {
            o += 16;
            i += 16;
            continue;
        }
        const auto ascii = static_cast<std::size_t>(std::countr_zero(high));
        o += ascii;
        i += ascii;
        break;
    }
#endif
    // Eight bytes at a time, as long as none of them has its high bit set.
    while (size - i >= 8) {
        std::uint64_t word;
        std::memcpy(&word, s + i, 8);
        if (word & 0x8080808080808080u)
            break;
        for (std::size_t k = 0; k < 8; ++k)
            o[k] = s[i + k];
        o += 8;
        i += 8;
    }
}

// A well-formed two-byte character (Latin, Greek, Cyrillic...) starts at s[i].
bool startsTwoByte(const unsigned char* s, std::size_t size, std::size_t i) {
    return i + 1 < size && s[i] >= 0xC2 && s[i] < 0xE0 && (s[i + 1] & 0xC0) == 0x80;
}

// The character of three or four bytes at s[i], or U+FFFD for one byte that starts no
// well-formed character (an overlong form, a surrogate, a cut or broken sequence).
void decodeLonger(const unsigned char* s, std::size_t size, std::size_t& i, char16_t*& o) {
    const unsigned char c = s[i];
    std::uint32_t cp = 0xFFFD;
    std::size_t len = 1;
    std::size_t need = c >= 0xF0 && c <= 0xF4 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : 0;
    if (c >= 0xF5)
        need = 0;
    if (need && i + need < size) {
        std::uint32_t v = c & (0x3F >> need);
        bool ok = true;
        for (std::size_t k = 1; k <= need; ++k) {
            unsigned char t = s[i + k];
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
    if (cp >= 0x10000) {
        cp -= 0x10000;
        *o++ = char16_t(0xD800 + (cp >> 10));
        *o++ = char16_t(0xDC00 + (cp & 0x3FF));
    } else {
        *o++ = char16_t(cp);
    }
    i += len;
}

} // namespace

std::u16string fromUtf8(std::string_view text) {
    // No byte gives more than one code unit (a four-byte character gives two), so the result
    // is written into a string of the input's length and cut to what was written.
    std::u16string out(text.size(), u'\0');
    char16_t* o = out.data();
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        copyAsciiBlocks(s, size, i, o);
        if (i == size)
            break;
        if (s[i] < 0x80) {
            *o++ = s[i++];
        } else if (startsTwoByte(s, size, i)) {
            // A run of two-byte characters directly; the rest one at a time.
            do {
                *o++ = char16_t(((s[i] & 0x1F) << 6) | (s[i + 1] & 0x3F));
                i += 2;
            } while (startsTwoByte(s, size, i));
        } else {
            decodeLonger(s, size, i, o);
        }
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
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
