#include "tests/support/test_files.h"

#include "platform/win32/windows_inc.h"
#include "platform/wtext.h"

#include <cstdio>
#include <memory>

namespace testfiles {

std::u16string freshFolder() {
    static int counter = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    std::u16string base(reinterpret_cast<const char16_t*>(temp));
    // Wine gives each run of the tests one of a few small process ids, so a folder of this
    // name may be left from an earlier run, with a file there as a folder: a new one is taken.
    std::u16string folder;
    do
        folder = base + u"setup-tests-" + wtext::formatDecimal(GetCurrentProcessId()) + u"-" +
                 wtext::formatDecimal(++counter);
    while (!CreateDirectoryW(wide(folder), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
    return folder + u"\\";
}

std::u16string write(const std::u16string& folder, const std::u16string& name,
                     const std::string& bytes) {
    std::u16string path = folder + name;
    FILE* f = _wfopen(wide(path), L"wb");
    if (f) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

std::u16string makeFolder(const std::u16string& folder, const std::u16string& name) {
    CreateDirectoryW(wide(folder + name), nullptr);
    return folder + name;
}

LockedRegion::LockedRegion(const std::u16string& path, std::uint64_t offset) {
    HANDLE lock = CreateFileW(wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (lock == INVALID_HANDLE_VALUE)
        return;
    handle_ = lock;
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    if (!LockFileEx(lock, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                    MAXDWORD, &at))
        return;
    // Whether the system holds other handles to the lock: read the region through one.
    HANDLE probe = CreateFileW(wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
        return;
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    char byte = 0;
    DWORD got = 0;
    refusesReads_ = SetFilePointerEx(probe, position, nullptr, FILE_BEGIN) &&
                    !ReadFile(probe, &byte, 1, &got, nullptr) &&
                    GetLastError() == ERROR_LOCK_VIOLATION;
    CloseHandle(probe);
}

LockedRegion::~LockedRegion() {
    // Closing the handle releases its locks.
    if (handle_)
        CloseHandle(static_cast<HANDLE>(handle_));
}

FileFailingFromItsStart::FileFailingFromItsStart(const std::u16string& folder,
                                                 const std::string& bytes) {
    const std::u16string written = write(folder, u"failing.ini", bytes);
    lock_ = std::make_unique<LockedRegion>(written, 0);
    if (lock_->refusesReads()) {
        path_ = written;
        systemError_ = ERROR_LOCK_VIOLATION;
        return;
    }
    const std::u16string device = u"Z:\\sys\\class\\net\\lo\\speed";
    HANDLE probe = CreateFileW(wide(device), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
        return;
    char buffer[16];
    DWORD got = 0;
    if (!ReadFile(probe, buffer, sizeof buffer, &got, nullptr)) {
        path_ = device;
        systemError_ = GetLastError();
    }
    CloseHandle(probe);
}

} // namespace testfiles
