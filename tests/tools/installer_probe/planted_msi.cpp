// A stand-in for a msi.dll that someone placed beside a program: it exports nothing and, when
// loaded, creates "planted_msi_loaded.txt" in its own folder.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t path[MAX_PATH * 4] = {};
    DWORD n = GetModuleFileNameW(instance, path, MAX_PATH * 4);
    std::wstring marker(path, n);
    std::size_t slash = marker.find_last_of(L"\\/");
    marker =
        marker.substr(0, slash == std::wstring::npos ? 0 : slash + 1) + L"planted_msi_loaded.txt";
    HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return TRUE;
}
