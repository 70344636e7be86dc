// The configuration document: sections of key/value pairs read from Setup.ini or a language
// file. Names match exactly, as unsigned 16-bit code units; absence reads as empty.
//
// How the reader fails: by its results, never by an exception. InputDataFile tells through
// result() whether the file could be opened and read (and if not, why); IniFile::load returns
// an IniLoadResult that says whether the file was read, could not be opened or read (with the
// reason), was empty, or held a text that cannot be split into sections (with the line and
// the problem). Whatever the result, the document holds every section added before it: an
// unreadable or empty file leaves it unchanged, and a malformed text leaves the sections
// before the fault. What a failure means for a run (refuse it, or read the file as absent) is
// the caller's choice; describe() gives the one line that names the file and the reason.
#pragma once

#include "config/ini_section.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

enum class IniLoadStatus {
    read,       // the file's sections are in the document
    unreadable, // the file cannot be opened or read; `problem` says why
    empty,      // the file holds no bytes
    malformed,  // the text cannot be split into sections; `line` and `problem` say where, why
};

struct IniLoadResult {
    IniLoadStatus status = IniLoadStatus::read;
    std::u16string path;
    // For malformed: the line at fault, counted from 1 after CR LF has been read as LF. A text
    // without any section header is at fault on its last line.
    std::size_t line = 0;
    std::u16string problem;

    bool isRead() const { return status == IniLoadStatus::read; }
    // "<path>, line <n>: <problem>" for a malformed text, "<path>: <problem>" for a file that
    // cannot be read, "<path>: the file is empty" for an empty one, and empty when it was read.
    std::u16string describe() const;
};

class IniFile {
public:
    // Reads the file and adds its sections; a section already present stays as it is. A
    // section header is a line whose first non-blank character is "["; a "[" anywhere else is
    // an ordinary character of a key, value or comment. `observer`, when given, is told of
    // every header and key line the reader meets; the document is the same either way.
    IniLoadResult load(const std::u16string& path, const IniObserver* observer = nullptr);

    // The section of that name, or an empty section. It shares the text it was read from and
    // stays valid when the document is gone.
    IniSection getSection(const std::u16string& name) const;

private:
    // Moves the sections of one read file (in file order, every header met) into the document:
    // the first of a name is taken unless the document already has that name. `ordered`: the
    // names of `read` increase strictly.
    void adopt(std::vector<IniSection>& read, bool ordered);
    // Splits `size` units of `text` into sections and adopts them, telling `observer`.
    IniLoadResult parseText(const std::u16string& path, std::shared_ptr<char16_t[]> text,
                            std::size_t size, const IniObserver* observer);

    std::vector<IniSection> sections; // sorted by name as unsigned code units, each name once
};
