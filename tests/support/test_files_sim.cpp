#include "tests/support/test_files.h"

#include "platform/platform.h"
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

LockedRegion::LockedRegion(const std::u16string& path, std::uint64_t offset) {
    sim::failReadsFrom(path, offset, platform::errorLockViolation);
    refusesReads_ = true;
}

// The file is a test's own, in a folder of its own: its reads may go on failing.
LockedRegion::~LockedRegion() = default;

FileFailingFromItsStart::FileFailingFromItsStart(const std::u16string& folder,
                                                 const std::string& bytes)
    : path_(write(folder, u"failing.ini", bytes)), systemError_(platform::errorLockViolation),
      lock_(std::make_unique<LockedRegion>(path_, 0)) {}

} // namespace testfiles
