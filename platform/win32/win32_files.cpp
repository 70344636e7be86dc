// Files: existence as FindFirstFileW sees it, and reading a file's bytes through the C runtime.
#include "platform/platform.h"
#include "platform/win32/win32_support.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace platform {

bool fileExists(const std::u16string& path) {
    WIN32_FIND_DATAW data;
    win32::UniqueFindHandle find(FindFirstFileW(wide(path), &data));
    return bool(find);
}

bool InputFile::open(const std::u16string& path, int& errnoValue) {
    close();
    errno = 0;
    FILE* f = _wfopen(wide(path), L"rb");
    if (!f) {
        errnoValue = errno ? errno : errnoInvalidArgument;
        return false;
    }
    handle_ = f;
    return true;
}

bool InputFile::length(std::uint64_t& size) {
    FILE* f = static_cast<FILE*>(handle_);
    if (!f || _fseeki64(f, 0, SEEK_END) != 0)
        return false;
    long long end = _ftelli64(f);
    if (end < 0 || _fseeki64(f, 0, SEEK_SET) != 0)
        return false;
    size = static_cast<std::uint64_t>(end);
    return true;
}

std::size_t InputFile::read(std::uint8_t* buffer, std::size_t size) {
    FILE* f = static_cast<FILE*>(handle_);
    if (!f)
        return 0;
    // fread answers a failed ReadFile as it answers the end of the file, with fewer bytes; only
    // the stream's error flag tells them apart, and the C runtime keeps the system's code in
    // _doserrno (its errno would say "Permission denied" for a locked region).
    _doserrno = 0;
    const std::size_t n = std::fread(buffer, 1, size, f);
    if (n < size && std::ferror(f) && readError_ == 0)
        readError_ = _doserrno != 0 ? static_cast<std::uint32_t>(_doserrno) : errorReadFault;
    return n;
}

void InputFile::close() {
    if (handle_)
        std::fclose(static_cast<FILE*>(handle_));
    handle_ = nullptr;
    readError_ = 0;
}

std::u16string errnoText(int errnoValue) {
    const wchar_t* text = _wcserror(errnoValue);
    return text ? win32::fromWide(text, std::wcslen(text)) : std::u16string();
}

} // namespace platform
