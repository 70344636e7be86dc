// The properties a command line for the Windows Installer sets: PROPERTY=value, separated by
// blanks, a value with blanks in double quotes ("" stands for one quote inside). setup-check
// reads CmdLine's settings for its warnings leniently (propertySettings), and the command line
// handed to the installer whole, as the installer reads it (readInstallerCommandLine).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace setupcheck {

struct PropertySetting {
    std::u16string name;
    std::u16string value; // without its quotes
};

// Every property setting of `commandLine`, in order; text that sets no property is passed over.
[[nodiscard]] std::vector<PropertySetting> propertySettings(std::u16string_view commandLine);

// Whether `commandLine` sets the property `name`. Names are compared without regard to ASCII
// case, so that a name written in lower case is caught too.
[[nodiscard]] bool setsProperty(std::u16string_view commandLine, std::u16string_view name);

// Why the Windows Installer refuses a piece of its command line.
enum class PieceFault {
    bareWord,     // text without "=": it names no property's value (a switch such as /qn too)
    quotedPiece,  // a quote before the name: the whole setting was quoted, not its value
    noName,       // "=value" with no name before it
    unclosedQuote // a value's quote that is never closed
};

// The first piece of a command line the installer cannot read as a property setting.
struct RefusedPiece {
    std::size_t at = 0; // where it starts
    std::u16string text;
    PieceFault fault = PieceFault::bareWord;
};

// A command line for the installer read whole, as MsiInstallProduct reads it: NAME=value
// settings separated by blanks (blanks may stand around the "="), a value holding blanks in
// double quotes with "" for a quote inside them. Any other piece makes the installer refuse the
// whole command line (ERROR_INVALID_COMMAND_LINE).
struct InstallerCommandLine {
    std::vector<PropertySetting> settings; // those before the refused piece
    std::optional<RefusedPiece> refused;

    // The last value the command line gives the property `name` (ASCII case aside), if any.
    std::optional<std::u16string> value(std::u16string_view name) const;
};
InstallerCommandLine readInstallerCommandLine(std::u16string_view commandLine);

} // namespace setupcheck
