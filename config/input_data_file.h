// Reads a configuration file whole and decodes it to UTF-16 by its first bytes.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <memory>
#include <string>

// Why a file could not be read, or `none`.
enum class InputDataFault {
    none,
    cannotOpen,    // the system refused to open it; errnoValue says why
    bigEndianMark, // it begins with the UTF-16 big-endian mark FE FF, which is not decoded
    tooLarge,      // its length is more than any decoded text of it could be held for
    readFailed,    // it opened, but a read failed; systemError says why
};

struct InputDataResult {
    InputDataFault fault = InputDataFault::none;
    int errnoValue = 0;            // for cannotOpen
    std::uint32_t systemError = 0; // for readFailed: GetLastError's code

    bool ok() const { return fault == InputDataFault::none; }
    // Why, in words: for cannotOpen the C runtime's text for errnoValue ("Permission
    // denied"), for readFailed the system's text for systemError ("The process cannot access
    // the file because another process has locked a portion of the file."), for the others the
    // reader's own; empty when nothing went wrong.
    std::u16string reason() const;
};

class InputDataFile {
public:
    // Opens the file; result() tells whether it could be. A file that begins with the UTF-16
    // big-endian mark FE FF is not opened.
    explicit InputDataFile(const std::u16string& path);

    // How opening and reading went so far.
    const InputDataResult& result() const { return result_; }

    // Reads and decodes the whole file, in text mode as the C runtime reads a text stream (CR LF
    // is one LF, Ctrl-Z ends the text). An empty file, and one that was not opened, leave the
    // text absent; so do one too large to hold and one whose read fails on the way, which
    // result() then tells: a read that fails is never taken for the end of the file.
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
    // Reads up to `size` bytes, fewer only at the end of the file or where a read fails (the
    // result then says so).
    std::size_t readFully(std::uint8_t* buffer, std::size_t size);
    // Takes note of a read of `file` that failed; true when one did.
    bool noteReadFailure();
    void decodeUtf16(const std::uint8_t* head, std::size_t headSize, std::size_t byteCount);
    void decodeUtf8(std::size_t byteCount);
    void decodeAnsi(const std::uint8_t* head, std::size_t headSize, std::size_t byteCount);

    platform::InputFile file;
    InputDataResult result_;
    std::shared_ptr<char16_t[]> text;
    std::size_t textLength = 0;
};
