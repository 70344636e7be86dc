// A reproducible zip of a folder and the SHA-256 of a file: the same folder gives the same
// bytes, whoever makes it and whenever. Entries are stored (the package and its cabinets are
// compressed already), in the order of their paths' bytes, with one fixed time stamp and no
// attributes, owners or extra fields of the host.
#pragma once

#include "tools/setup_check/basics/result.h"

#include <cstdint>
#include <string>

namespace setupcheck {

// The CRC-32 of zip and PNG, continued from `crc` over `size` bytes.
[[nodiscard]] std::uint32_t crc32(std::uint32_t crc, const unsigned char* data, std::size_t size);

// The SHA-256 of `size` bytes, as 64 upper-case hexadecimal digits.
[[nodiscard]] std::string sha256Hex(const unsigned char* data, std::size_t size);
// The SHA-256 of a file's bytes, as above.
[[nodiscard]] Result<std::string> fileSha256(const std::string& path);

// Writes every file below `folder` into the zip `zipPath`. A folder holding what Windows cannot
// name (a symbolic link, a name with a backslash or a character Windows forbids), or more than
// a zip without extensions holds (65535 files, 4 GiB), is refused.
[[nodiscard]] Status writeZip(const std::string& folder, const std::string& zipPath);

} // namespace setupcheck
