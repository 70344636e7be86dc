// The instance description: a "setup.ini" in the package's folder that names an installed
// instance of the product and that instance's product code. It has its own simple rules (not
// those of the launcher's configuration reader) and is read in one pass, top to bottom.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The names the description is read by, matched without regard to ASCII letter case.
namespace instanceDescriptionName {
inline constexpr char16_t fileName[] = u"setup.ini";
inline constexpr char16_t instances[] = u"Instances"; // each key but count names an instance
inline constexpr char16_t count[] = u"count";
inline constexpr char16_t productCode[] = u"ProductCode"; // in the section the instance names
} // namespace instanceDescriptionName

// The description's path for a package path: the package's drive and folder (everything up
// to and including the last "\" or "/") followed by "setup.ini". No length limit applies.
std::u16string instanceDescriptionPath(const std::u16string& packagePath);

// Decodes the file's bytes as the C runtime's "rt, ccs=utf-8" mode does: UTF-8 (a leading
// byte-order mark skipped), or UTF-16LE when the file starts with that mark; CR LF becomes
// LF. False for a file starting with the UTF-16BE mark, which that mode cannot open.
bool decodeInstanceDescription(const std::uint8_t* data, std::size_t size, std::u16string& text);

// Applies the lines of `text` to the two fields, which keep whatever they held before:
// a line starting with "[" names the current section (without its first and last
// character); a line "key=value" (split at the first "=", nothing trimmed) in section
// "Instances" with a key other than "count" sets `instanceName`; one in the section named
// `instanceName` with the key "ProductCode" sets `instanceProductCode`. Names compare
// without regard to ASCII letter case.
void applyInstanceDescription(const std::u16string& text, std::u16string& instanceName,
                              std::u16string& instanceProductCode);

// Reads the description beside the package, if there is one that can be opened and read. A
// missing or unreadable file changes nothing, also one whose read fails after the open.
void readInstanceDescription(const std::u16string& packagePath, std::u16string& instanceName,
                             std::u16string& instanceProductCode);
