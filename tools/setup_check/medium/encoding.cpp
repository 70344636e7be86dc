#include "tools/setup_check/medium/encoding.h"

#include <algorithm>

namespace setupcheck {

bool hasByteOrderMark(const std::string& bytes) {
    return bytes.rfind("\xFF\xFE", 0) == 0 || bytes.rfind("\xFE\xFF", 0) == 0 ||
           bytes.rfind("\xEF\xBB\xBF", 0) == 0;
}

Utf16Order utf16WithoutMark(const std::string& bytes) {
    if (bytes.size() < 2 || hasByteOrderMark(bytes))
        return Utf16Order::none;
    // Over the first units: one byte of each nearly always zero, the other nearly never.
    const std::size_t units = std::min<std::size_t>(bytes.size(), 4096) / 2;
    std::size_t zeroLow = 0, zeroHigh = 0; // as little-endian units
    for (std::size_t i = 0; i < units; ++i) {
        zeroLow += bytes[2 * i] == '\0' ? 1 : 0;
        zeroHigh += bytes[2 * i + 1] == '\0' ? 1 : 0;
    }
    const auto mostly = [units](std::size_t n) { return 2 * n >= units; };
    const auto rarely = [units](std::size_t n) { return 8 * n < units; };
    if (mostly(zeroHigh) && rarely(zeroLow))
        return Utf16Order::littleEndian;
    if (mostly(zeroLow) && rarely(zeroHigh))
        return Utf16Order::bigEndian;
    return Utf16Order::none;
}

} // namespace setupcheck
