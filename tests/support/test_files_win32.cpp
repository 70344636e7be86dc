#include "tests/support/test_files.h"

#include "platform/win32/windows_inc.h"
#include "platform/wtext.h"

#include <cstdio>

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

} // namespace testfiles
