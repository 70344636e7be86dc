// What the fuzz targets share: how an invariant that breaks ends the run, and how an input is
// cut into the pieces a target feeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzinput {

// A broken invariant is a fault like a crash: libFuzzer keeps the input that caused it.
inline void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// The input, read from the front; every length is clamped to what is left.
struct Reader {
    const std::uint8_t* data;
    std::size_t size;

    std::uint8_t byte() {
        if (size == 0)
            return 0;
        --size;
        return *data++;
    }
    // The next `length` bytes.
    std::string take(std::size_t length) {
        if (length > size)
            length = size;
        std::string bytes(reinterpret_cast<const char*>(data), length);
        data += length;
        size -= length;
        return bytes;
    }
    // A piece given by its 2-byte little-endian length.
    std::string chunk() {
        std::size_t length = byte();
        length |= std::size_t(byte()) << 8;
        return take(length);
    }
    std::string rest() { return take(size); }
    // The rest as UTF-16LE code units (an odd last byte is left out).
    std::u16string restAsUtf16() {
        std::u16string text(size / 2, u'\0');
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
        size = 0;
        return text;
    }
};

} // namespace fuzzinput
