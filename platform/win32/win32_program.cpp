// The program: its command line and module path, its boxes and standard output, COM.
#include "platform/platform.h"
#include "platform/win32/win32_support.h"

#include <objbase.h>

#include <cwchar>

namespace platform {

std::u16string commandLine() {
    const wchar_t* line = GetCommandLineW();
    return line ? win32::fromWide(line, std::wcslen(line)) : std::u16string();
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
            path = win32::fromWide(buffer.c_str(), std::wcslen(buffer.c_str()));
            return true;
        }
    }
}

int messageBox(const std::u16string& text, const std::u16string* caption, std::uint32_t style) {
    return MessageBoxW(nullptr, wide(text), caption ? wide(*caption) : nullptr, style);
}

namespace {

// A redirected output gets UTF-8, so every character arrives whole whatever the code page,
// with CR LF line ends as a text-mode stream writes them.
std::string redirectedBytes(const std::u16string& text) {
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
        return {};
    std::string utf8(std::size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide(crlf), int(crlf.size()), utf8.data(), bytes, nullptr,
                        nullptr);
    return utf8;
}

} // namespace

void writeStdout(const std::u16string& text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, wide(text), DWORD(text.size()), &written, nullptr);
        return;
    }
    std::string utf8 = redirectedBytes(text);
    if (!utf8.empty())
        WriteFile(out, utf8.data(), DWORD(utf8.size()), &written, nullptr);
}

std::int32_t coInitialize() {
    return CoInitialize(nullptr);
}

} // namespace platform
