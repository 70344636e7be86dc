// Version numbers: texts read with parseVersion and compared with compareVersions.
// The input is split at its first byte 0x00 into up to three texts; a leading byte 'W' takes
// the rest as UTF-16LE code units, otherwise every byte is one code unit.
//
// Checked on every input: parsing never throws and always gives the same answer; a parsed
// version written back as "a.b.c.d" reads back the same; the comparison is reflexive,
// antisymmetric, zero exactly for equal versions, and transitive over the three texts.
#include "fuzz/fuzz_input.h"
#include "platform/wtext.h"
#include "sysreq/version.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using fuzzinput::check;

int sign(int v) {
    return (v > 0) - (v < 0);
}

std::u16string written(const VersionQuad& v) {
    return wtext::formatDecimal(v.major) + u"." + wtext::formatDecimal(v.minor) + u"." +
           wtext::formatDecimal(v.build) + u"." + wtext::formatDecimal(v.revision);
}

VersionQuad parsed(const std::u16string& text) {
    VersionQuad v = parseVersion(text);
    check(parseVersion(text) == v, "parsing is deterministic");
    check(parseVersion(written(v)) == v, "a written version reads back the same");
    // What cannot be read ends the version: a component given as nothing (or as text that is
    // no number) is -1 and so is every later one.
    const std::int32_t parts[4] = {v.major, v.minor, v.build, v.revision};
    for (int i = 0; i < 3; ++i)
        if (parts[i] == -1 && parts[i + 1] != -1)
            check(text.find(u'-') != std::u16string::npos, "an unread component ends the version");
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string all;
    if (size > 0 && data[0] == 'W') {
        for (std::size_t i = 1; i + 1 < size; i += 2)
            all.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    } else {
        for (std::size_t i = 0; i < size; ++i)
            all.push_back(static_cast<char16_t>(data[i]));
    }
    std::vector<std::u16string> texts;
    std::size_t start = 0;
    while (texts.size() < 2) {
        std::size_t zero = all.find(u'\0', start);
        if (zero == std::u16string::npos)
            break;
        texts.push_back(all.substr(start, zero - start));
        start = zero + 1;
    }
    texts.push_back(all.substr(start));

    std::vector<VersionQuad> versions;
    for (const std::u16string& text : texts)
        versions.push_back(parsed(text));
    versions.push_back(VersionQuad{});

    for (const VersionQuad& a : versions) {
        check(compareVersions(a, a) == 0, "comparison is reflexive");
        for (const VersionQuad& b : versions) {
            int ab = compareVersions(a, b);
            check(sign(ab) == -sign(compareVersions(b, a)), "comparison is antisymmetric");
            check((ab == 0) == (a == b), "zero exactly for equal versions");
            for (const VersionQuad& c : versions) {
                if (ab < 0 && compareVersions(b, c) < 0)
                    check(compareVersions(a, c) < 0, "comparison is transitive");
            }
        }
    }
    return 0;
}
