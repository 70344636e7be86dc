// The instance description beside the package: the first byte picks the package path and
// whether the two fields start empty; the rest is the bytes of the description file.
//
// Checked on every input:
//  - the description's path is the package's folder (or drive) followed by "setup.ini";
//  - a file starting with the UTF-16BE mark is refused, any other decodes;
//  - reading the file through the simulated file system gives the same fields as decoding
//    and applying its bytes directly;
//  - each field keeps its earlier value or takes a value that stands in the text after an
//    "=" and up to the end of its line.
#include "fuzz/fuzz_input.h"
#include "installer/instance_description.h"
#include "platform/sim/sim.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using fuzzinput::check;

const char16_t* const packagePaths[] = {
    u"C:\\media\\product.msi",
    u"C:\\media\\data/product.msi",
    u"\\\\server\\share\\product.msi",
    u"D:product.msi",
};

// True when `value` stands in `text` as everything after an "=" up to a line feed or the end.
bool standsAsValue(const std::u16string& text, const std::u16string& value) {
    for (std::size_t at = text.find(u'='); at != std::u16string::npos;
         at = text.find(u'=', at + 1)) {
        std::size_t end = text.find(u'\n', at + 1);
        if (end == std::u16string::npos)
            end = text.size();
        if (text.compare(at + 1, end - at - 1, value) == 0)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    sim::reset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::u16string packagePath = packagePaths[data[0] & 3];
    const bool preset = (data[0] & 4) != 0;
    ++data;
    --size;

    std::u16string path = instanceDescriptionPath(packagePath);
    check(path.size() >= 9 && path.compare(path.size() - 9, 9, u"setup.ini") == 0,
          "the description is named setup.ini");
    check(packagePath.compare(0, path.size() - 9, path, 0, path.size() - 9) == 0,
          "the description lies in the package's folder");

    std::u16string text;
    bool decoded = decodeInstanceDescription(data, size, text);
    check(decoded == !(size >= 2 && data[0] == 0xFE && data[1] == 0xFF),
          "only the UTF-16BE mark is refused");

    const std::u16string initialName = preset ? u"Before" : u"";
    const std::u16string initialCode = preset ? u"{00000000-0000-0000-0000-000000000000}" : u"";
    std::u16string name = initialName;
    std::u16string code = initialCode;
    if (decoded) {
        applyInstanceDescription(text, name, code);
        check(name == initialName || standsAsValue(text, name), "the name comes from the text");
        check(code == initialCode || standsAsValue(text, code), "the code comes from the text");
    }

    sim::removeFile(path);
    sim::addFile(path, std::string(reinterpret_cast<const char*>(data), size));
    std::u16string readName = initialName;
    std::u16string readCode = initialCode;
    readInstanceDescription(packagePath, readName, readCode);
    check(readName == name && readCode == code, "reading the file equals decoding its bytes");
    sim::removeFile(path);
    return 0;
}
