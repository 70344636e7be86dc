// What the files of the simulated platform share beyond the scripting API of sim.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sim {

// MultiByteToWideChar of `size` bytes in `codePage`, without flags.
std::u16string decodeCodePage(std::uint32_t codePage, const std::uint8_t* data, std::size_t size);

// Empties the simulated file system (files, folders and mounts).
void resetFiles();

} // namespace sim
