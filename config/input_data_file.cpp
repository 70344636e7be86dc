#include "config/input_data_file.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace {

constexpr char16_t lineFeed = u'\n';
constexpr char16_t carriageReturn = u'\r';
constexpr char16_t ctrlZ = 0x1A;

// Text mode, as the C runtime reads a text stream: CR LF is one LF, Ctrl-Z ends the file.
// `unit(i)` is the i-th of `count` code units; they are written, read in text mode, to `out`
// (which may be where they are read from: nothing is written ahead of what has been read).
// Returns the number written.
template <typename Unit> std::size_t readTextMode(std::size_t count, Unit unit, char16_t* out) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < count; ++i) {
        char16_t c = unit(i);
        if (c <= ctrlZ) { // the two characters looked for are control characters
            if (c == ctrlZ)
                break;
            if (c == carriageReturn && i + 1 < count && unit(i + 1) == lineFeed)
                continue;
        }
        out[n++] = c;
    }
    return n;
}

} // namespace

InputDataFile::InputDataFile(const std::u16string& path) {
    int errnoValue = 0;
    if (!file.open(path, errnoValue))
        throw InputDataFileException(platform::errnoText(errnoValue));
    std::uint8_t mark[2] = {};
    if (file.read(mark, 2) == 2 && mark[0] == 0xFE && mark[1] == 0xFF) {
        file.close();
        throw InputDataFileException(platform::errnoText(platform::errnoInvalidArgument));
    }
    // Looking at the mark moved the read position, and not every platform's length() rewinds
    // to the start; opening again puts read() at byte 0 everywhere.
    file.close();
    if (!file.open(path, errnoValue))
        throw InputDataFileException(platform::errnoText(errnoValue));
}

void InputDataFile::read() {
    rawBytes.reset();
    text.reset();
    textLength = 0;

    std::uint64_t size = 0;
    if (!file.length(size) || size == 0)
        return;
    // The decoded text needs two bytes per input byte and a terminator; a length beyond that
    // cannot be held at all (a 32-bit process with a file over 2 GB).
    if (size > std::numeric_limits<std::size_t>::max() / 4)
        return;

    const auto byteCount = static_cast<std::size_t>(size);
    rawBytes = std::shared_ptr<std::uint8_t[]>(new std::uint8_t[byteCount]);
    std::uint8_t* bytes = rawBytes.get();
    std::size_t got = 0;
    while (got < byteCount) {
        std::size_t n = file.read(bytes + got, byteCount - got);
        if (n == 0)
            break;
        got += n;
    }
    if (got == 0) {
        rawBytes.reset();
        return;
    }

    // Little-endian code units from byte pairs (an odd last byte cannot hold a unit and is
    // dropped) are decoded and read in text mode in one pass, into a buffer of their own that
    // is not filled first. Other text is decoded by the platform and read in text mode where it
    // lies; the text buffer then shares the string's own storage (whose terminator follows the
    // last unit), so a large file is not copied once more.
    if (got >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        const std::uint8_t* data = bytes + 2;
        const std::size_t count = (got - 2) / 2;
        std::shared_ptr<char16_t[]> units(new char16_t[count + 1]);
        std::size_t n = readTextMode(
            count,
            [data](std::size_t i) {
                return static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
            },
            units.get());
        units[n] = u'\0';
        rawBytes.reset();
        text = std::move(units);
        textLength = n;
        return;
    }
    std::u16string decoded;
    if (got >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        decoded = platform::decodeUtf8(bytes + 3, got - 3);
    else
        decoded = platform::decodeAnsi(bytes, got);
    const char16_t* units = decoded.data();
    std::size_t n = readTextMode(
        decoded.size(), [units](std::size_t i) { return units[i]; }, decoded.data());
    decoded.resize(n);
    auto owner = std::make_shared<std::u16string>(std::move(decoded));
    text = std::shared_ptr<char16_t[]>(owner, owner->data());
    textLength = n;
}
