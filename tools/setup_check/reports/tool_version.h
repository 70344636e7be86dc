// The tool's version, and the version of its JSON report's shape.
#pragma once

namespace setupcheck {

#ifndef SETUP_CHECK_VERSION
#define SETUP_CHECK_VERSION "unknown"
#endif

inline constexpr const char* toolVersion = SETUP_CHECK_VERSION;
// Raised whenever a field of the JSON report changes meaning or moves (docs/setup-check.md).
inline constexpr int jsonSchemaVersion = 2;

} // namespace setupcheck
