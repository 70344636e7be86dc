#include "config/input_data_file.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace {

constexpr char16_t lineFeed = u'\n';
constexpr char16_t carriageReturn = u'\r';
constexpr char16_t ctrlZ = 0x1A;

// Little-endian code units from byte pairs; an odd last byte cannot hold a unit and is dropped.
std::u16string decodeUtf16Le(const std::uint8_t* data, std::size_t size) {
    std::u16string out(size / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return out;
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

    std::u16string decoded;
    if (got >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        decoded = decodeUtf16Le(bytes + 2, got - 2);
        rawBytes.reset();
    } else if (got >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        decoded = platform::decodeUtf8(bytes + 3, got - 3);
    } else {
        decoded = platform::decodeAnsi(bytes, got);
    }

    // Text mode, as the C runtime reads a text stream: CR LF is one LF, Ctrl-Z ends the file.
    // Done in place, and the text buffer then shares the string's own storage (whose
    // terminator follows the last unit), so a large file is not copied once more.
    std::size_t n = 0;
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        char16_t c = decoded[i];
        if (c == ctrlZ)
            break;
        if (c == carriageReturn && i + 1 < decoded.size() && decoded[i + 1] == lineFeed)
            continue;
        decoded[n++] = c;
    }
    decoded.resize(n);
    auto owner = std::make_shared<std::u16string>(std::move(decoded));
    text = std::shared_ptr<char16_t[]>(owner, owner->data());
    textLength = n;
}
