// The launcher's whole sequence: usage parser, setup object, init, run, exit code.
#pragma once

#include <cstdint>

// Returns the process exit code: 1 when the installation could not be started, otherwise
// the installer's own result.
std::uint32_t runSetup();
