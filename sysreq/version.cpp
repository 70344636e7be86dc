#include "sysreq/version.h"

#include "platform/wtext.h"

VersionQuad parseVersion(const std::u16string& text) {
    std::int32_t parts[4] = {-1, -1, -1, -1};
    std::size_t pos = 0;
    for (int i = 0; i < 4 && pos <= text.size(); ++i) {
        // The first three components end at the next dot; the fourth takes the rest.
        std::size_t end = i < 3 ? text.find(u'.', pos) : std::u16string::npos;
        if (end == std::u16string::npos)
            end = text.size();
        std::u16string_view component(text.data() + pos, end - pos);
        std::size_t consumed = 0;
        std::int32_t value = wtext::parseLong(component, &consumed);
        if (component.empty() || consumed != component.size())
            break;
        parts[i] = value;
        if (end == text.size())
            break;
        pos = end + 1;
    }
    return VersionQuad{parts[0], parts[1], parts[2], parts[3]};
}

int compareVersions(const VersionQuad& a, const VersionQuad& b) {
    const std::int32_t left[4] = {a.major, a.minor, a.build, a.revision};
    const std::int32_t right[4] = {b.major, b.minor, b.build, b.revision};
    for (int i = 0; i < 4; ++i) {
        if (left[i] != right[i])
            return left[i] < right[i] ? -1 : 1;
    }
    return 0;
}
