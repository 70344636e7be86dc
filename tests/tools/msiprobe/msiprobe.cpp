// msiprobe: loads msi.dll the way the launcher does (full path in the system folder, system
// folder only) and makes a few installer calls, printing "key=value" lines on the standard
// output (UTF-8). Its exit code is the last installer result.
//
//   msiprobe inspect <package>           open, read summary 7 and 9 and the three values the
//                                        launcher reads, closing every handle on every path
//   msiprobe install <package> <level> -- <command line>
//                                        MsiSetInternalUI(level), then MsiInstallProductW with
//                                        the text after "-- " exactly as written
//   msiprobe productinfo <code> <attribute> <size>
//                                        MsiGetProductInfoW with a buffer of <size> characters
//   msiprobe leak <package>              opens the package and never closes it
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using MSIHANDLE = unsigned long;
using OpenDatabaseW = UINT(WINAPI*)(LPCWSTR, LPCWSTR, MSIHANDLE*);
using GetSummaryInformationW = UINT(WINAPI*)(MSIHANDLE, LPCWSTR, UINT, MSIHANDLE*);
using SummaryInfoGetPropertyW = UINT(WINAPI*)(MSIHANDLE, UINT, UINT*, INT*, FILETIME*, LPWSTR,
                                              DWORD*);
using DatabaseOpenViewW = UINT(WINAPI*)(MSIHANDLE, LPCWSTR, MSIHANDLE*);
using ViewExecute = UINT(WINAPI*)(MSIHANDLE, MSIHANDLE);
using ViewFetch = UINT(WINAPI*)(MSIHANDLE, MSIHANDLE*);
using RecordGetStringW = UINT(WINAPI*)(MSIHANDLE, UINT, LPWSTR, DWORD*);
using CloseHandle_ = UINT(WINAPI*)(MSIHANDLE);
using GetProductInfoW = UINT(WINAPI*)(LPCWSTR, LPCWSTR, LPWSTR, DWORD*);
using SetInternalUI = int(WINAPI*)(int, HWND*);
using InstallProductW = UINT(WINAPI*)(LPCWSTR, LPCWSTR);

HMODULE library = nullptr;

template <typename F>
F entry(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

void print(const std::wstring& key, const std::wstring& value) {
    std::wstring line = key + L"=" + value + L"\n";
    int n = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr,
                                0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), bytes.data(), n,
                        nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(n), &written,
              nullptr);
}

void print(const std::wstring& key, unsigned long value) {
    print(key, std::to_wstring(value));
}

bool load() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    constexpr DWORD searchSystem32 = 0x00000800;
    auto protect = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (protect)
        protect(searchSystem32);
    wchar_t folder[MAX_PATH + 1] = {};
    UINT n = GetSystemDirectoryW(folder, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH)
        return false;
    std::wstring path = std::wstring(folder, n) + L"\\msi.dll";
    library = LoadLibraryExW(path.c_str(), nullptr,
                             protect ? searchSystem32 : LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library)
        return false;
    wchar_t loaded[MAX_PATH + 1] = {};
    GetModuleFileNameW(library, loaded, MAX_PATH + 1);
    print(L"loaded", loaded);
    return true;
}

// Closes the installer handle it owns on every path.
struct Handle {
    MSIHANDLE value = 0;
    ~Handle() {
        if (value)
            entry<CloseHandle_>("MsiCloseHandle")(value);
    }
};

UINT query(MSIHANDLE database, const wchar_t* sql, std::wstring& text) {
    Handle view;
    Handle record;
    UINT r = entry<DatabaseOpenViewW>("MsiDatabaseOpenViewW")(database, sql, &view.value);
    if (r == 0)
        r = entry<ViewExecute>("MsiViewExecute")(view.value, 0);
    if (r == 0)
        r = entry<ViewFetch>("MsiViewFetch")(view.value, &record.value);
    if (r == 0) {
        std::vector<wchar_t> buffer(2048, L'\0');
        DWORD size = 2048;
        r = entry<RecordGetStringW>("MsiRecordGetStringW")(record.value, 1, buffer.data(), &size);
        text = buffer.data();
    }
    return r;
}

UINT inspect(const wchar_t* package) {
    Handle database;
    UINT r = entry<OpenDatabaseW>("MsiOpenDatabaseW")(package, nullptr, &database.value);
    print(L"open", r);
    if (r)
        return r;
    Handle summary;
    r = entry<GetSummaryInformationW>("MsiGetSummaryInformationW")(database.value, L"", 0,
                                                                   &summary.value);
    print(L"summary", r);
    if (r)
        return r;
    for (UINT property : {7u, 9u}) {
        std::vector<wchar_t> buffer(2048, L'\0');
        DWORD size = 2048;
        UINT type = 0;
        INT number = 0;
        FILETIME time = {};
        r = entry<SummaryInfoGetPropertyW>("MsiSummaryInfoGetPropertyW")(
            summary.value, property, &type, &number, &time, buffer.data(), &size);
        std::wstring key = L"summary." + std::to_wstring(property);
        print(key + L".result", r);
        print(key + L".type", type);
        print(key, buffer.data());
        if (r)
            return r;
    }
    const wchar_t* queries[][2] = {
        {L"ProductCode", L"SELECT Value FROM Property WHERE Property = 'ProductCode'"},
        {L"ProductVersion", L"SELECT Value FROM Property WHERE Property = 'ProductVersion'"},
        {L"vorta.dll", L"SELECT Version FROM File WHERE File = 'vorta.dll'"},
    };
    for (auto& q : queries) {
        std::wstring text;
        r = query(database.value, q[1], text);
        print(std::wstring(q[0]) + L".result", r);
        print(q[0], text);
        if (r)
            return r;
    }
    return 0;
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3)
        return 255;
    if (!load()) {
        print(L"load_error", GetLastError());
        return 254;
    }
    std::wstring verb = argv[1];
    UINT r = 255;
    if (verb == L"inspect") {
        r = inspect(argv[2]);
    } else if (verb == L"install" && argc >= 4) {
        const wchar_t* line = GetCommandLineW();
        const wchar_t* tail = wcsstr(line, L" -- ");
        int previous = entry<SetInternalUI>("MsiSetInternalUI")(_wtoi(argv[3]), nullptr);
        print(L"previous_ui_level", static_cast<unsigned long>(previous));
        r = entry<InstallProductW>("MsiInstallProductW")(argv[2], tail ? tail + 4 : L"");
    } else if (verb == L"productinfo" && argc >= 5) {
        DWORD size = static_cast<DWORD>(_wtoi(argv[4]));
        std::vector<wchar_t> buffer(size + 1, L'\0');
        r = entry<GetProductInfoW>("MsiGetProductInfoW")(argv[2], argv[3], buffer.data(), &size);
        print(L"size", size);
        print(L"text", buffer.data());
    } else if (verb == L"leak") {
        MSIHANDLE database = 0;
        r = entry<OpenDatabaseW>("MsiOpenDatabaseW")(argv[2], nullptr, &database);
    }
    print(L"result", r);
    LocalFree(argv);
    return static_cast<int>(r);
}
