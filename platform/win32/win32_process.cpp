// Processes and libraries: starting the runtime's setup program, binding system-folder DLLs by
// full path, reading a DLL's version and the system's text for an error code.
#include "platform/platform.h"
#include "platform/win32/win32_support.h"

#include <cstring>
#include <iterator>

namespace platform {

namespace win32 {

namespace {

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

SetDefaultDllDirectoriesFn setDefaultDllDirectories() {
    return reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
}

// LOAD_LIBRARY_SEARCH_* flags exist only where SetDefaultDllDirectories does (Windows 8, or
// Vista/7 with KB2533623); elsewhere they fail with ERROR_INVALID_PARAMETER.
bool searchFlagsAvailable() {
    static const bool available = setDefaultDllDirectories() != nullptr;
    return available;
}

} // namespace

std::u16string systemFolderPath() {
    wchar_t buffer[MAX_PATH + 1] = {};
    UINT n = GetSystemDirectoryW(buffer, UINT(std::size(buffer)));
    if (n == 0 || n >= std::size(buffer))
        return {};
    return fromWide(buffer, n);
}

HMODULE loadFromSystemFolder(const std::u16string& name) {
    std::u16string folder = systemFolderPath();
    if (folder.empty())
        return nullptr;
    std::u16string path = folder + u"\\" + name;
    if (searchFlagsAvailable())
        return LoadLibraryExW(wide(path), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return LoadLibraryExW(wide(path), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace win32

void protectDllSearch() {
    if (auto fn = win32::setDefaultDllDirectories())
        fn(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

bool runProcessAndWait(const std::u16string& path) {
    STARTUPINFOW startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    std::memset(&info, 0, sizeof info);
    if (!CreateProcessW(wide(path), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return false;
    win32::UniqueKernelHandle process(info.hProcess);
    win32::UniqueKernelHandle thread(info.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    return true;
}

ModuleHandle loadSystemLibrary(const std::u16string& name) {
    return win32::loadFromSystemFolder(name);
}

void* libraryProc(ModuleHandle module, const char* exportName) {
    if (!module)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), exportName));
}

void freeLibrary(ModuleHandle module) {
    if (module)
        FreeLibrary(static_cast<HMODULE>(module));
}

namespace {

template <typename Function> Function procedure(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The fixed version information of the file at `path`, read with the functions of version.dll.
bool fixedFileInfo(HMODULE version, const std::u16string& path, VS_FIXEDFILEINFO& info) {
    auto sizeFn = procedure<DWORD(WINAPI*)(LPCWSTR, LPDWORD)>(version, "GetFileVersionInfoSizeW");
    auto infoFn =
        procedure<BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID)>(version, "GetFileVersionInfoW");
    auto queryFn =
        procedure<BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT)>(version, "VerQueryValueW");
    if (!sizeFn || !infoFn || !queryFn)
        return false;
    DWORD handle = 0;
    DWORD size = sizeFn(wide(path), &handle);
    if (size == 0)
        return false;
    std::string buffer(size, '\0');
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!infoFn(wide(path), 0, size, buffer.data()) ||
        !queryFn(buffer.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) || !fixed ||
        fixedSize < sizeof(VS_FIXEDFILEINFO))
        return false;
    info = *fixed;
    return true;
}

} // namespace

bool systemDllProductVersion(const std::u16string& name, std::uint32_t& versionMs,
                             std::uint32_t& versionLs) {
    // version.dll is not a known DLL on every Windows, so it is bound here, by full path,
    // rather than imported.
    win32::UniqueModule version(win32::loadFromSystemFolder(u"version.dll"));
    if (!version)
        return false;
    VS_FIXEDFILEINFO fixed;
    if (!fixedFileInfo(version.get(), win32::systemFolderPath() + u"\\" + name, fixed))
        return false;
    versionMs = fixed.dwProductVersionMS;
    versionLs = fixed.dwProductVersionLS;
    return true;
}

bool systemErrorText(std::uint32_t code, std::u16string& text) {
    // With FORMAT_MESSAGE_ALLOCATE_BUFFER the buffer argument receives the address of the text
    // the system allocates, which the owner frees with LocalFree.
    win32::UniqueLocalMemory buffer;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                                 FORMAT_MESSAGE_FROM_SYSTEM,
                             nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             reinterpret_cast<LPWSTR>(buffer.put()), 0, nullptr);
    if (n == 0 || !buffer)
        return false;
    text = win32::fromWide(static_cast<const wchar_t*>(buffer.get()), n);
    return true;
}

} // namespace platform
