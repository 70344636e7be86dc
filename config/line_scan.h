// One pass over one line of a configuration text: where it ends, its first "=", and where a
// comment cuts it. Two scanners give the same answer: a plain one, a unit at a time, which the
// 32-bit setup.exe runs (its processors need not have SSE2), and one that looks at eight units
// at a time with SSE2, which builds for x86-64 run. Both are callable in every build, so tests
// and the fuzzer hold them to the same answers.
#pragma once

#include <cstddef>
#include <string_view>

struct LineScan {
    static constexpr std::size_t none = std::u16string_view::npos;

    std::size_t end = 0;   // the line's line feed, or where the text ends
    bool lastLine = false; // the text ends at `end`
    std::size_t equals = none;
    // A comment starts at the last "#", or at the last ";" (before that "#" when there is one),
    // so a value may hold either character as long as no comment follows it.
    std::size_t comment = none;

    bool operator==(const LineScan&) const = default;
};

// Scans the line that starts at `pos` of the `size` units at `text`. With `stopAtNul` the text
// also ends at its first U+0000 or Ctrl-Z (U+001A).
LineScan scanLinePlain(const char16_t* text, std::size_t pos, std::size_t size, bool stopAtNul);
// The same with SSE2 on x86 processors (the caller's processor must have it); elsewhere the
// plain scanner.
LineScan scanLineSse2(const char16_t* text, std::size_t pos, std::size_t size, bool stopAtNul);
// The scanner of this build: SSE2 where the compiler may assume it, else the plain one.
LineScan scanLine(const char16_t* text, std::size_t pos, std::size_t size, bool stopAtNul);
