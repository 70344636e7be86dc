// Reads a configuration file whole and decodes it to UTF-16 by its first bytes.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <memory>
#include <string>

// The reason a file could not be opened, as the C runtime words it for errno.
class InputDataFileException {
public:
    explicit InputDataFileException(std::u16string message) : message(std::move(message)) {}
    std::u16string message;
};

class InputDataFile {
public:
    // Opens the file; throws InputDataFileException when it cannot be opened (a file that
    // begins with the UTF-16 big-endian mark FE FF is refused as an invalid argument).
    explicit InputDataFile(const std::u16string& path);

    // Reads and decodes the whole file, in text mode as the C runtime reads a text stream (CR LF
    // is one LF, Ctrl-Z ends the text). An empty file leaves the text absent.
    void read();
    // The same without text mode: every CR and Ctrl-Z stays where the file has it. A reader
    // that takes a CR before an LF as white space and stops at Ctrl-Z reads the same thing
    // from it without the extra pass.
    void readUntranslated();
    // The decoded text followed by U+0000, or null.
    std::shared_ptr<char16_t[]> getText() const { return text; }
    // Number of code units in the text, without the terminator.
    std::size_t getTextLength() const { return textLength; }

private:
    // Reads up to `size` bytes, fewer only at the end of the file.
    std::size_t readFully(std::uint8_t* buffer, std::size_t size);
    void decodeUtf16(const std::uint8_t* head, std::size_t headSize, std::size_t byteCount);
    void decodeUtf8(std::size_t byteCount);
    void decodeAnsi(const std::uint8_t* head, std::size_t headSize, std::size_t byteCount);

    platform::InputFile file;
    std::shared_ptr<char16_t[]> text;
    std::size_t textLength = 0;
};
