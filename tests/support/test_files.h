// Files for portable tests: written where the platform under test reads them (the simulated
// file system natively, a real temporary folder under Windows).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace testfiles {

// A fresh, empty folder for one test, as a Windows path ending in a backslash.
std::u16string freshFolder();
// Writes `bytes` to `folder` + `name` and returns the full path.
std::u16string write(const std::u16string& folder, const std::u16string& name,
                     const std::string& bytes);
// Makes a folder `folder` + `name` and returns its full path.
std::u16string makeFolder(const std::u16string& folder, const std::u16string& name);

// The file at `path` locked from byte `offset` to its end (and beyond) while this lives, as
// another program locks a region: the file still opens, but a read that reaches the region
// fails with ERROR_LOCK_VIOLATION. Natively the simulation makes those reads fail; under
// Windows LockFileEx holds the lock through a handle of its own.
class LockedRegion {
public:
    LockedRegion(const std::u16string& path, std::uint64_t offset);
    ~LockedRegion();
    LockedRegion(const LockedRegion&) = delete;
    LockedRegion& operator=(const LockedRegion&) = delete;

    // Whether a read of the region fails on this system. Wine takes the lock but lets every
    // handle read through it (8.0 enforces no byte-range lock), so there it does not.
    bool refusesReads() const { return refusesReads_; }

private:
    void* handle_ = nullptr;
    bool refusesReads_ = false;
};

// A file that opens but fails its very first read, while this lives: natively `bytes` in
// `folder` with every read failing (ERROR_LOCK_VIOLATION); under Windows the same, locked whole
// through a handle of its own. Wine enforces no lock, and there it is Linux's
// /sys/class/net/lo/speed through drive Z:, whose read the kernel refuses (EINVAL, which Wine
// answers as ERROR_INVALID_PARAMETER) for a loopback device, which has no speed.
class FileFailingFromItsStart {
public:
    FileFailingFromItsStart(const std::u16string& folder, const std::string& bytes);

    // Empty when this system offers no such file.
    const std::u16string& path() const { return path_; }
    // The system error (GetLastError's) its read fails with.
    std::uint32_t systemError() const { return systemError_; }

private:
    std::u16string path_;
    std::uint32_t systemError_ = 0;
    std::unique_ptr<LockedRegion> lock_;
};

// About 20 KB of settings: more than one buffer of the C runtime's stream holds, so a region
// locked from the middle on is met by a read after several that succeeded.
inline std::string longSettings() {
    std::string text = "[Startup]\r\nProductCode={P}\r\n";
    while (text.size() < 20000)
        text += "; a comment line that only takes room in the file\r\n";
    return text + "[Late]\r\nk=v\r\n";
}

} // namespace testfiles
