// The launcher file on a medium, as setup-check reads it: any bytes are read as a Windows
// program image without a read outside them (AddressSanitizer), and what comes back holds
// together.
//
// Checked on every input:
//  - a file that is no program has a reason, and no machine, version or strings;
//  - a program's strings come from its version resource, which a file shorter than a PE header
//    cannot hold.
#include "fuzz/fuzz_input.h"
#include "tools/setup_check/medium/launcher_image.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

using fuzzinput::check;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const setupcheck::LauncherImage image = setupcheck::readLauncherImage(bytes);
    if (!image.isProgram()) {
        check(!image.problem.empty(), "a file that is no program says why");
        check(image.machine == 0 && image.strings.empty() && !image.fileVersion,
              "a file that is no program has no fields");
    } else {
        check(size >= 64 + 4 + 20 + 2, "a program has its headers");
    }
    for (const auto& entry : image.strings)
        check(image.string(entry.first).has_value(), "every string can be looked up");
    return 0;
}
