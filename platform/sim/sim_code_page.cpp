// The simulated machine's ANSI decoding: text in a Windows code page to UTF-16, through the
// host's own converter, so that no code page is written out here by hand. Natively that is
// glibc's iconv; the Windows build of the simulation (setup-check on Windows) asks the real
// MultiByteToWideChar for the machine's code page rather than for its own.
#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"

#include <algorithm>
#include <string>

#if defined(_WIN32)
#include "platform/win32/windows_inc.h"

#include <climits>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace sim {

#if defined(_WIN32)

bool codePageAvailable(std::uint32_t codePage) {
    return IsValidCodePage(codePage) != 0;
}

std::u16string decodeCodePage(std::uint32_t codePage, const std::uint8_t* data, std::size_t size) {
    // MultiByteToWideChar takes an int length: a longer text is decoded in pieces, each cut
    // after a line feed, a byte no code page uses inside a character.
    std::u16string out;
    const char* bytes = reinterpret_cast<const char*>(data);
    for (std::size_t pos = 0; pos < size;) {
        std::size_t n = std::min<std::size_t>(size - pos, INT_MAX / 2);
        if (pos + n < size) {
            const char* lineFeed = std::find(std::make_reverse_iterator(bytes + pos + n),
                                             std::make_reverse_iterator(bytes + pos), '\n')
                                       .base();
            if (lineFeed != bytes + pos)
                n = static_cast<std::size_t>(lineFeed - (bytes + pos));
        }
        const int chars = MultiByteToWideChar(codePage, 0, bytes + pos, int(n), nullptr, 0);
        if (chars > 0) {
            const std::size_t at = out.size();
            out.resize(at + std::size_t(chars));
            MultiByteToWideChar(codePage, 0, bytes + pos, int(n),
                                reinterpret_cast<wchar_t*>(&out[at]), chars);
        }
        pos += n;
    }
    return out;
}

#else

namespace {

// One iconv conversion from a Windows code page to UTF-16LE, closed on every path.
class Converter {
public:
    explicit Converter(std::uint32_t codePage)
        : handle(iconv_open("UTF-16LE", ("CP" + std::to_string(codePage)).c_str())) {}
    ~Converter() {
        if (ok())
            iconv_close(handle);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return handle != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle; }

private:
    iconv_t handle;
};

void appendUnits(std::u16string& out, const unsigned char* bytes, std::size_t count) {
    for (std::size_t i = 0; i + 1 < count; i += 2)
        out.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
}

} // namespace

bool codePageAvailable(std::uint32_t codePage) {
    return Converter(codePage).ok();
}

// A byte the converter knows no character for (glibc leaves Windows-1252's five unassigned
// bytes and Windows-1251's 0x98 undefined) stands for itself, U+0080 to U+00FF, as Windows'
// tables of those code pages map them; so does a character the text's end cuts short.
std::u16string decodeCodePage(std::uint32_t codePage, const std::uint8_t* data, std::size_t size) {
    std::u16string out;
    out.reserve(size);
    Converter converter(codePage);
    char* in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(data));
    std::size_t inLeft = size;
    unsigned char buffer[4096];
    while (inLeft > 0) {
        char* outAt = reinterpret_cast<char*>(buffer);
        std::size_t outLeft = sizeof buffer;
        const bool converted = converter.ok() && iconv(converter.get(), &in, &inLeft, &outAt,
                                                       &outLeft) != static_cast<std::size_t>(-1);
        const int fault = converted || !converter.ok() ? 0 : errno;
        appendUnits(out, buffer, sizeof buffer - outLeft);
        if (converted || fault == E2BIG || inLeft == 0)
            continue;
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*in)));
        ++in;
        --inLeft;
        if (converter.ok())
            iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

#endif

} // namespace sim
