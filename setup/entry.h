// The launcher's whole sequence: usage parser, setup object, init, run, exit code.
#pragma once

#include <cstdint>

struct DecisionRecord;

// Returns the process exit code: 1 when the installation could not be started, otherwise
// the installer's own result. `record`, when given, receives every decision made on the way.
std::uint32_t runSetup(DecisionRecord* record = nullptr);
