#include "config/line_scan.h"

#include <bit>
#include <cstdint>

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#define SETUP_SSE2_SCANNER 1
#endif

namespace {

constexpr char16_t lineFeed = u'\n';
constexpr char16_t ctrlZ = 0x1A;
constexpr std::size_t none = LineScan::none;

// The state of one scan: the line's characters looked for, noted as they are met.
class Scanner {
public:
    Scanner(const char16_t* text, bool stopAtNul) : text(text), stopAtNul(stopAtNul) {}

    // Takes note of the unit at `i`, one of those looked for; true when the line ends there.
    bool stopsAt(std::size_t i) {
        const char16_t c = text[i];
        if (c == lineFeed)
            return true;
        if (c == u'=') {
            if (equals == none)
                equals = i;
        } else if (c == u'#') {
            hash = i;
            semicolonBeforeHash = semicolon;
        } else if (c == u';') {
            semicolon = i;
        } else if (stopAtNul && (c == u'\0' || c == ctrlZ)) {
            return true;
        }
        return false;
    }

    // Every unit looked for lies at or below "=": the rest cannot stop the line.
    static bool mayMatter(char16_t c) { return c <= u'='; }

    LineScan result(std::size_t end, std::size_t size) const {
        LineScan line;
        line.end = end;
        line.lastLine = end == size || text[end] != lineFeed;
        line.equals = equals;
        const std::size_t lastSemicolon = hash != none ? semicolonBeforeHash : semicolon;
        line.comment = lastSemicolon != none ? lastSemicolon : hash;
        return line;
    }

    std::size_t equals = none;

private:
    const char16_t* text;
    bool stopAtNul;
    std::size_t hash = none;
    std::size_t semicolon = none;
    std::size_t semicolonBeforeHash = none;
};

// Scans on from `i` a unit at a time; where the line ends.
std::size_t finishPlain(Scanner& scanner, const char16_t* text, std::size_t i, std::size_t size) {
    for (; i < size; ++i)
        if (Scanner::mayMatter(text[i]) && scanner.stopsAt(i))
            break;
    return i;
}

} // namespace

LineScan scanLinePlain(const char16_t* text, std::size_t pos, std::size_t size, bool stopAtNul) {
    Scanner scanner(text, stopAtNul);
    return scanner.result(finishPlain(scanner, text, pos, size), size);
}

#if defined(SETUP_SSE2_SCANNER)
// Eight units at a time: a bit mask of those looked for, then each of them in order.
__attribute__((target("sse2"))) LineScan scanLineSse2(const char16_t* text, std::size_t pos,
                                                      std::size_t size, bool stopAtNul) {
    Scanner scanner(text, stopAtNul);
    const __m128i lineFeeds = _mm_set1_epi16(lineFeed);
    const __m128i equalSigns = _mm_set1_epi16(u'=');
    const __m128i hashes = _mm_set1_epi16(u'#');
    const __m128i semicolons = _mm_set1_epi16(u';');
    const __m128i zeros = _mm_setzero_si128();
    const __m128i ctrlZs = _mm_set1_epi16(ctrlZ);
    __m128i equalsWanted = _mm_set1_epi16(-1); // only the first "=" counts
    std::size_t i = pos;
    while (size - i >= 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        __m128i found =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, lineFeeds),
                                      _mm_and_si128(_mm_cmpeq_epi16(v, equalSigns), equalsWanted)),
                         _mm_or_si128(_mm_cmpeq_epi16(v, hashes), _mm_cmpeq_epi16(v, semicolons)));
        found = _mm_or_si128(found,
                             _mm_or_si128(_mm_cmpeq_epi16(v, zeros), _mm_cmpeq_epi16(v, ctrlZs)));
        // Two bits per unit found.
        for (auto bits = static_cast<unsigned>(_mm_movemask_epi8(found)); bits != 0;
             bits &= bits - 1, bits &= bits - 1) {
            const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(bits)) / 2;
            if (scanner.stopsAt(at))
                return scanner.result(at, size);
        }
        if (scanner.equals != none)
            equalsWanted = zeros;
        i += 8;
    }
    return scanner.result(finishPlain(scanner, text, i, size), size);
}
#else
LineScan scanLineSse2(const char16_t* text, std::size_t pos, std::size_t size, bool stopAtNul) {
    return scanLinePlain(text, pos, size, stopAtNul);
}
#endif

LineScan scanLine(const char16_t* text, std::size_t pos, std::size_t size, bool stopAtNul) {
#if defined(__SSE2__)
    return scanLineSse2(text, pos, size, stopAtNul);
#else
    return scanLinePlain(text, pos, size, stopAtNul);
#endif
}
