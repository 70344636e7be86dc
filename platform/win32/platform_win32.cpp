// The real platform: thin wrappers over the Win32 calls the launcher makes.
#include <string>

#include "platform/platform.h"
#include "platform/win32/windows_inc.h"

#include <objbase.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace platform {

namespace {

std::u16string fromWide(const wchar_t* text, std::size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

// Owner of a LocalAlloc'ed block.
struct LocalMemory {
    HLOCAL block = nullptr;
    ~LocalMemory() {
        if (block)
            LocalFree(block);
    }
};

std::u16string systemFolderPath() {
    wchar_t buffer[MAX_PATH + 1] = {};
    UINT n = GetSystemDirectoryW(buffer, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH)
        return {};
    return fromWide(buffer, n);
}

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

// LOAD_LIBRARY_SEARCH_* flags exist only where SetDefaultDllDirectories does (Windows 8, or
// Vista/7 with KB2533623); elsewhere they fail with ERROR_INVALID_PARAMETER.
bool searchFlagsAvailable() {
    static const bool available =
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories") != nullptr;
    return available;
}

constexpr DWORD loadLibrarySearchSystem32 = 0x00000800;

HMODULE loadFromSystemFolder(const std::u16string& name) {
    std::u16string folder = systemFolderPath();
    if (folder.empty())
        return nullptr;
    std::u16string path = folder + u"\\" + name;
    if (searchFlagsAvailable())
        return LoadLibraryExW(wide(path), nullptr, loadLibrarySearchSystem32);
    return LoadLibraryExW(wide(path), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace

std::u16string commandLine() {
    const wchar_t* line = GetCommandLineW();
    return line ? fromWide(line, std::wcslen(line)) : std::u16string();
}

bool moduleFileName(std::u16string& path) {
    HMODULE module = GetModuleHandleW(nullptr);
    if (!module)
        return false;
    std::wstring buffer;
    for (DWORD capacity = 1024;; capacity *= 2) {
        buffer.assign(capacity, L'\0');
        SetLastError(ERROR_SUCCESS);
        DWORD n = GetModuleFileNameW(module, buffer.data(), capacity);
        // A path that does not fit fills the buffer completely: Windows XP returns the size
        // without a NUL and without an error, later systems set ERROR_INSUFFICIENT_BUFFER.
        if (n < capacity || capacity >= 32768) {
            path = fromWide(buffer.c_str(), std::wcslen(buffer.c_str()));
            return true;
        }
    }
}

void protectDllSearch() {
    auto fn = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (fn)
        fn(loadLibrarySearchSystem32);
}

bool fileExists(const std::u16string& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(wide(path), &data);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    FindClose(find);
    return true;
}

InputFile::~InputFile() {
    close();
}

InputFile::InputFile(InputFile&& other) noexcept : handle_(other.handle_) {
    other.handle_ = nullptr;
}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
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
    return f ? std::fread(buffer, 1, size, f) : 0;
}

void InputFile::close() {
    if (handle_)
        std::fclose(static_cast<FILE*>(handle_));
    handle_ = nullptr;
}

std::u16string errnoText(int errnoValue) {
    const wchar_t* text = _wcserror(errnoValue);
    return text ? fromWide(text, std::wcslen(text)) : std::u16string();
}

namespace {
std::u16string decode(UINT codePage, const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return {};
    // MultiByteToWideChar takes an int length; decode very large inputs in slices cut at a
    // character boundary (an ASCII byte, or before a UTF-8 lead byte).
    std::u16string out;
    const char* bytes = reinterpret_cast<const char*>(data);
    std::size_t pos = 0;
    constexpr std::size_t slice = 1u << 26;
    while (pos < size) {
        std::size_t n = size - pos;
        if (n > slice) {
            n = slice;
            while (n > 0 && static_cast<unsigned char>(bytes[pos + n]) >= 0x80 &&
                   (codePage != CP_UTF8 ||
                    (static_cast<unsigned char>(bytes[pos + n]) & 0xC0) == 0x80))
                --n;
            if (n == 0)
                n = slice;
        }
        int chars = MultiByteToWideChar(codePage, 0, bytes + pos, int(n), nullptr, 0);
        if (chars > 0) {
            std::size_t at = out.size();
            out.resize(at + std::size_t(chars));
            MultiByteToWideChar(codePage, 0, bytes + pos, int(n),
                                reinterpret_cast<wchar_t*>(&out[at]), chars);
        }
        pos += n;
    }
    return out;
}
} // namespace

std::u16string decodeAnsi(const std::uint8_t* data, std::size_t size) {
    return decode(CP_ACP, data, size);
}

std::u16string decodeUtf8(const std::uint8_t* data, std::size_t size) {
    return decode(CP_UTF8, data, size);
}

bool isAlnum(char16_t c) {
    return iswalnum(static_cast<wint_t>(c)) != 0;
}

bool isSpace(char16_t c) {
    WORD type = 0;
    wchar_t w = static_cast<wchar_t>(c);
    return GetStringTypeW(CT_CTYPE1, &w, 1, &type) && (type & C1_SPACE);
}

int messageBox(const std::u16string& text, const std::u16string* caption, std::uint32_t style) {
    return MessageBoxW(nullptr, wide(text), caption ? wide(*caption) : nullptr, style);
}

void writeStdout(const std::u16string& text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0;
    if (GetConsoleMode(out, &mode)) {
        DWORD written = 0;
        WriteConsoleW(out, wide(text), DWORD(text.size()), &written, nullptr);
        return;
    }
    // A redirected output gets UTF-8, so every character arrives whole whatever the code
    // page, with CR LF line ends as a text-mode stream writes them.
    std::u16string crlf;
    crlf.reserve(text.size() + text.size() / 16);
    for (char16_t c : text) {
        if (c == u'\n')
            crlf.push_back(u'\r');
        crlf.push_back(c);
    }
    int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide(crlf), int(crlf.size()), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return;
    std::string utf8(std::size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide(crlf), int(crlf.size()), utf8.data(), bytes, nullptr,
                        nullptr);
    DWORD written = 0;
    WriteFile(out, utf8.data(), DWORD(utf8.size()), &written, nullptr);
}

std::uint16_t userDefaultLangId() {
    return GetUserDefaultLangID();
}
std::uint16_t systemDefaultLangId() {
    return GetSystemDefaultLangID();
}

bool getVersionEx(OsVersion& version) {
    OSVERSIONINFOW info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = 276;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info))
        return false;
#pragma GCC diagnostic pop
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.build = info.dwBuildNumber;
    return true;
}

int getLocaleInfoNumber(std::uint32_t locale, std::uint32_t type, std::uint32_t& value,
                        int bufferChars) {
    DWORD number = value;
    int result = GetLocaleInfoW(locale, type, reinterpret_cast<LPWSTR>(&number), bufferChars);
    value = number;
    return result;
}

bool getLocaleInfoText(std::uint32_t locale, std::uint32_t type, std::u16string& text) {
    wchar_t buffer[512] = {};
    int n = GetLocaleInfoW(locale, type, buffer, 512);
    if (n <= 0)
        return false;
    text = fromWide(buffer, std::size_t(n - 1));
    return true;
}

bool keyboardLayouts(std::vector<std::uintptr_t>& layouts) {
    int count = GetKeyboardLayoutList(0, nullptr);
    LocalMemory memory;
    memory.block = LocalAlloc(LMEM_ZEROINIT, sizeof(HKL) * std::size_t(count > 0 ? count : 1));
    if (!memory.block)
        return false;
    HKL* list = static_cast<HKL*>(memory.block);
    int filled = count > 0 ? GetKeyboardLayoutList(count, list) : 0;
    layouts.clear();
    for (int i = 0; i < count; ++i)
        layouts.push_back(reinterpret_cast<std::uintptr_t>(list[i]));
    (void)filled;
    return true;
}

std::int32_t userGeoId(std::uint32_t geoClass) {
    return GetUserGeoID(geoClass);
}

std::uint64_t verSetConditionMask(std::uint64_t mask, std::uint32_t typeBit,
                                  std::uint8_t condition) {
    return VerSetConditionMask(mask, typeBit, condition);
}

bool verifyVersionInfo(const VersionRequirement& required, std::uint32_t typeMask,
                       std::uint64_t conditionMask) {
    OSVERSIONINFOEXW info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = 284;
    info.dwMajorVersion = required.major;
    info.dwMinorVersion = required.minor;
    info.dwBuildNumber = required.build;
    info.wServicePackMajor = required.servicePackMajor;
    info.wServicePackMinor = required.servicePackMinor;
    return VerifyVersionInfoW(&info, typeMask, conditionMask) != FALSE;
}

bool runProcessAndWait(const std::u16string& path) {
    STARTUPINFOW startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = 68;
    PROCESS_INFORMATION process;
    std::memset(&process, 0, sizeof process);
    if (!CreateProcessW(wide(path), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

ModuleHandle loadSystemLibrary(const std::u16string& name) {
    return loadFromSystemFolder(name);
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

bool systemDllProductVersion(const std::u16string& name, std::uint32_t& versionMs,
                             std::uint32_t& versionLs) {
    // version.dll is not a known DLL on every Windows, so it is bound here, by full path,
    // rather than imported.
    using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
    using InfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
    using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
    HMODULE version = loadFromSystemFolder(u"version.dll");
    if (!version)
        return false;
    auto sizeFn = reinterpret_cast<SizeFn>(
        reinterpret_cast<void*>(GetProcAddress(version, "GetFileVersionInfoSizeW")));
    auto infoFn = reinterpret_cast<InfoFn>(
        reinterpret_cast<void*>(GetProcAddress(version, "GetFileVersionInfoW")));
    auto queryFn = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(version, "VerQueryValueW")));
    bool ok = false;
    std::u16string path = systemFolderPath() + u"\\" + name;
    if (sizeFn && infoFn && queryFn) {
        DWORD handle = 0;
        DWORD size = sizeFn(wide(path), &handle);
        if (size > 0) {
            std::string buffer(size, '\0');
            VS_FIXEDFILEINFO* fixed = nullptr;
            UINT fixedSize = 0;
            if (infoFn(wide(path), 0, size, buffer.data()) &&
                queryFn(buffer.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) &&
                fixed && fixedSize >= sizeof(VS_FIXEDFILEINFO)) {
                versionMs = fixed->dwProductVersionMS;
                versionLs = fixed->dwProductVersionLS;
                ok = true;
            }
        }
    }
    FreeLibrary(version);
    return ok;
}

bool systemErrorText(std::uint32_t code, std::u16string& text) {
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                                 FORMAT_MESSAGE_FROM_SYSTEM,
                             nullptr, code, 0x400, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    bool ok = n > 0 && buffer;
    if (ok)
        text = fromWide(buffer, n);
    if (buffer)
        LocalFree(buffer);
    return ok;
}

std::int32_t coInitialize() {
    return CoInitialize(nullptr);
}

} // namespace platform
