#include "tests/support/test_files.h"

#include "platform/sim/sim.h"
#include "platform/wtext.h"

namespace testfiles {

std::u16string freshFolder() {
    static int counter = 0;
    std::u16string folder = u"C:\\tests\\case" + wtext::formatDecimal(++counter) + u"\\";
    sim::addDirectory(folder);
    return folder;
}

std::u16string write(const std::u16string& folder, const std::u16string& name,
                     const std::string& bytes) {
    sim::addFile(folder + name, bytes);
    return folder + name;
}

std::u16string makeFolder(const std::u16string& folder, const std::u16string& name) {
    sim::addDirectory(folder + name);
    return folder + name;
}

} // namespace testfiles
