// runexact: starts a program with exactly the command line in SETUP_EXACT_CMDLINE and writes
// the program's full 32-bit exit code, in decimal, to the file named by SETUP_EXACT_RESULT.
//
// Starting a Windows program from a Unix shell through wine re-quotes every argument, and a
// Unix exit status keeps only the low byte of the exit code; the end-to-end tests need both
// exact. The child inherits this process's standard handles and current folder, and runexact
// ends with the child's exit code as well. When the child cannot be started nothing is
// written and runexact ends with 255.
//
// SETUP_EXACT_RESULT may be a Windows path or, as the test harness passes it, a Unix path:
// under Wine a path starting with "/" is translated with wine_get_dos_file_name.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr DWORD maxVariable = 32767;

bool variable(const wchar_t* name, std::wstring& value) {
    std::vector<wchar_t> buffer(maxVariable + 1);
    SetLastError(ERROR_SUCCESS);
    DWORD n = GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND)
        return false;
    if (n >= buffer.size())
        return false;
    value.assign(buffer.data(), n);
    return true;
}

std::string utf8(const std::wstring& text) {
    if (text.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

void fail(const char* what, DWORD error) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = text ? utf8(text) : std::string();
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    std::fprintf(stderr, "runexact: %s failed with error %lu: %s\n", what,
                 static_cast<unsigned long>(error), message.c_str());
    std::fflush(stderr);
    if (text)
        LocalFree(text);
}

// The Windows path of a file the harness named by its Unix path. wine_get_dos_file_name takes
// the name in the Unix code page, which is UTF-8 under the test bed's locales.
std::wstring windowsPath(const std::wstring& path) {
    if (path.empty() || path[0] != L'/')
        return path;
    using ToDos = WCHAR*(CDECL*)(const char*);
    auto toDos = reinterpret_cast<ToDos>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (!toDos)
        return path;
    WCHAR* dos = toDos(utf8(path).c_str());
    if (!dos)
        return path;
    std::wstring result(dos);
    HeapFree(GetProcessHeap(), 0, dos);
    return result;
}

bool writeResult(const std::wstring& path, DWORD code) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char text[16];
    int n = std::snprintf(text, sizeof text, "%lu\n", static_cast<unsigned long>(code));
    DWORD written = 0;
    BOOL ok = WriteFile(file, text, static_cast<DWORD>(n), &written, nullptr);
    return CloseHandle(file) && ok && written == static_cast<DWORD>(n);
}

} // namespace

int main() {
    std::wstring commandLine;
    std::wstring resultPath;
    if (!variable(L"SETUP_EXACT_CMDLINE", commandLine)) {
        std::fprintf(stderr, "runexact: SETUP_EXACT_CMDLINE is not set\n");
        return 255;
    }
    bool reportToFile = variable(L"SETUP_EXACT_RESULT", resultPath) && !resultPath.empty();

    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        fail("CreateProcessW", GetLastError());
        return 255;
    }
    CloseHandle(process.hThread);

    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.hProcess, &code)) {
        fail("waiting for the program", GetLastError());
        CloseHandle(process.hProcess);
        return 255;
    }
    CloseHandle(process.hProcess);

    if (reportToFile && !writeResult(windowsPath(resultPath), code)) {
        fail("writing SETUP_EXACT_RESULT", GetLastError());
        return 255;
    }
    return static_cast<int>(code);
}
