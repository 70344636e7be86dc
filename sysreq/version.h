// Version numbers: up to four decimal components, -1 for a component not given.
#pragma once

#include <cstdint>
#include <string>

struct VersionQuad {
    std::int32_t major = -1;
    std::int32_t minor = -1;
    std::int32_t build = -1;
    std::int32_t revision = -1;

    bool operator==(const VersionQuad&) const = default;
};

// Never fails: what cannot be read becomes -1, and so does every component after it.
VersionQuad parseVersion(const std::u16string& text);

// Negative when `a` is older, positive when newer, 0 when all four components are equal.
int compareVersions(const VersionQuad& a, const VersionQuad& b);
