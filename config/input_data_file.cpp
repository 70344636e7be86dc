#include "config/input_data_file.h"

#include "platform/wtext.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace {

constexpr char16_t lineFeed = u'\n';
constexpr char16_t carriageReturn = u'\r';
constexpr char16_t ctrlZ = 0x1A;

// UTF-8 is decoded in pieces of about this many bytes, so that the file's bytes are never
// held whole beside their decoded text.
constexpr std::size_t utf8PieceBytes = 32 * 1024;

// Text mode, as the C runtime reads a text stream: CR LF is one LF, Ctrl-Z ends the file.
// Works in place (nothing is written ahead of what has been read); returns the units kept.
std::size_t readTextMode(char16_t* units, std::size_t count) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < count; ++i) {
        char16_t c = units[i];
        if (c <= ctrlZ) { // the two characters looked for are control characters
            if (c == ctrlZ)
                break;
            if (c == carriageReturn && i + 1 < count && units[i + 1] == lineFeed)
                continue;
        }
        units[n++] = c;
    }
    return n;
}

} // namespace

std::u16string InputDataResult::reason() const {
    switch (fault) {
    case InputDataFault::none:
        break;
    case InputDataFault::cannotOpen:
        return platform::errnoText(errnoValue);
    case InputDataFault::bigEndianMark:
        return u"the file begins with the UTF-16 big-endian mark FE FF, which the launcher "
               u"cannot read";
    case InputDataFault::tooLarge:
        return u"the file is too large to be read";
    case InputDataFault::readFailed: {
        std::u16string text;
        if (!platform::systemErrorText(systemError, text))
            return u"the file could not be read (system error " +
                   wtext::formatDecimal(static_cast<std::int64_t>(systemError)) + u")";
        // The system's text ends in a line end, which a line of its own must not carry.
        while (!text.empty() &&
               (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' '))
            text.pop_back();
        return text;
    }
    }
    return std::u16string();
}

InputDataFile::InputDataFile(const std::u16string& path) {
    if (!file.open(path, result_.errnoValue)) {
        result_.fault = InputDataFault::cannotOpen;
        return;
    }
    std::uint8_t mark[2] = {};
    const std::size_t markSize = file.read(mark, 2);
    if (noteReadFailure()) {
        file.close();
        return;
    }
    if (markSize == 2 && mark[0] == 0xFE && mark[1] == 0xFF) {
        file.close();
        result_.fault = InputDataFault::bigEndianMark;
        return;
    }
    // Looking at the mark moved the read position, and not every platform's length() rewinds
    // to the start; opening again puts read() at byte 0 everywhere.
    file.close();
    if (!file.open(path, result_.errnoValue))
        result_.fault = InputDataFault::cannotOpen;
}

void InputDataFile::read() {
    readUntranslated();
    if (!text)
        return;
    textLength = readTextMode(text.get(), textLength);
    text[textLength] = u'\0';
}

void InputDataFile::readUntranslated() {
    text.reset();
    textLength = 0;
    if (!result_.ok())
        return;

    std::uint64_t size = 0;
    if (!file.length(size) || size == 0)
        return;
    // The decoded text needs two bytes per input byte and a terminator; a length beyond that
    // cannot be held at all (a 32-bit process with a file over 2 GB).
    if (size > std::numeric_limits<std::size_t>::max() / 4) {
        result_.fault = InputDataFault::tooLarge;
        return;
    }
    const auto byteCount = static_cast<std::size_t>(size);

    std::uint8_t head[3] = {};
    const std::size_t headSize = readFully(head, std::min<std::size_t>(3, byteCount));
    if (headSize == 0 || !result_.ok())
        return;
    if (headSize >= 2 && head[0] == 0xFF && head[1] == 0xFE)
        decodeUtf16(head, headSize, byteCount);
    else if (headSize == 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF)
        decodeUtf8(byteCount - 3);
    else
        decodeAnsi(head, headSize, byteCount);
    // Whatever stood before a failed read is not the file: none of it is kept.
    if (!result_.ok()) {
        text.reset();
        textLength = 0;
    }
}

std::size_t InputDataFile::readFully(std::uint8_t* buffer, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        std::size_t n = file.read(buffer + got, size - got);
        got += n;
        if (noteReadFailure() || n == 0)
            break;
    }
    return got;
}

bool InputDataFile::noteReadFailure() {
    std::uint32_t systemError = 0;
    if (!file.readFailed(systemError))
        return false;
    result_.fault = InputDataFault::readFailed;
    result_.systemError = systemError;
    return true;
}

// Little-endian code units after the mark FF FE: the bytes are read straight into the text
// buffer, which on a little-endian machine already holds the units. An odd last byte cannot
// hold a unit and is dropped.
void InputDataFile::decodeUtf16(const std::uint8_t* head, std::size_t headSize,
                                std::size_t byteCount) {
    std::size_t count = (byteCount - 2) / 2;
    std::shared_ptr<char16_t[]> units(new char16_t[count + 1]);
    auto* bytes = reinterpret_cast<std::uint8_t*>(units.get());
    std::size_t got = std::min(headSize - 2, 2 * count);
    std::copy_n(head + 2, got, bytes);
    got += readFully(bytes + got, 2 * count - got);
    count = got / 2;
    if constexpr (std::endian::native == std::endian::big) {
        for (std::size_t i = 0; i < count; ++i)
            units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    units[count] = u'\0';
    text = std::move(units);
    textLength = count;
}

// UTF-8 after its mark, `byteCount` bytes. The bytes are read and decoded piece by piece, each
// piece cut just after a line feed: a line feed byte is always the character LF, never part of
// a longer sequence, so every decoder finishes whatever came before it there and decodes the
// rest as it would the whole file. A decoder gives at most one code unit per byte (a four-byte
// character is two units), so the text buffer is sized once by the byte count.
void InputDataFile::decodeUtf8(std::size_t byteCount) {
    std::size_t capacity = byteCount;
    std::shared_ptr<char16_t[]> units(new char16_t[capacity + 1]);
    std::size_t n = 0;

    std::size_t pieceSize = std::min(utf8PieceBytes, std::max<std::size_t>(byteCount, 1));
    std::unique_ptr<std::uint8_t[]> piece(new std::uint8_t[pieceSize]);
    std::size_t held = 0;         // bytes in `piece` not yet decoded
    std::size_t left = byteCount; // bytes of the file not yet read
    for (;;) {
        const std::size_t wanted = std::min(pieceSize - held, left);
        const std::size_t got = readFully(piece.get() + held, wanted);
        held += got;
        left -= got;
        const bool atEnd = left == 0 || got < wanted;
        std::size_t cut = held;
        if (!atEnd) {
            while (cut > 0 && piece[cut - 1] != '\n')
                --cut;
            if (cut == 0) { // a line longer than the piece: read on with a larger one
                std::unique_ptr<std::uint8_t[]> larger(new std::uint8_t[2 * pieceSize]);
                std::copy_n(piece.get(), held, larger.get());
                piece = std::move(larger);
                pieceSize *= 2;
                continue;
            }
        }
        std::u16string decoded = platform::decodeUtf8(piece.get(), cut);
        if (decoded.size() > capacity - n) { // not for any decoder known, but never overrun
            capacity = std::max(2 * capacity, n + decoded.size());
            std::shared_ptr<char16_t[]> larger(new char16_t[capacity + 1]);
            std::copy_n(units.get(), n, larger.get());
            units = std::move(larger);
        }
        std::copy(decoded.begin(), decoded.end(), units.get() + n);
        n += decoded.size();
        held -= cut;
        std::memmove(piece.get(), piece.get() + cut, held);
        if (atEnd)
            break;
    }
    units[n] = u'\0';
    text = std::move(units);
    textLength = n;
}

// Text in the ANSI code page is decoded whole: in a double-byte code page no single byte value
// is known to end every character, so the file is not cut into pieces.
void InputDataFile::decodeAnsi(const std::uint8_t* head, std::size_t headSize,
                               std::size_t byteCount) {
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[byteCount]);
    std::copy_n(head, headSize, bytes.get());
    const std::size_t got = headSize + readFully(bytes.get() + headSize, byteCount - headSize);
    auto owner = std::make_shared<std::u16string>(platform::decodeAnsi(bytes.get(), got));
    bytes.reset();
    text = std::shared_ptr<char16_t[]>(owner, owner->data());
    textLength = owner->size();
}
