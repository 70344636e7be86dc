// exitwith: writes its own command line (GetCommandLineW, as UTF-8, nothing added) to the
// standard output and exits with the unsigned decimal number that forms the command line's
// last blank-separated word (0 when that word is not such a number, modulo 2^32).
//
// Tests use it to see exactly what a started program receives: the text the harness or the
// launcher passed, and the full 32-bit exit code on the way back.
#include <windows.h>

#include <string>

namespace {

bool blank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

DWORD trailingNumber(const wchar_t* line) {
    std::wstring text(line);
    std::size_t end = text.size();
    while (end > 0 && blank(text[end - 1]))
        --end;
    std::size_t begin = end;
    while (begin > 0 && !blank(text[begin - 1]))
        --begin;
    if (begin == end)
        return 0;
    DWORD value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return 0;
        value = value * 10 + static_cast<DWORD>(text[i] - L'0');
    }
    return value;
}

} // namespace

int main() {
    const wchar_t* line = GetCommandLineW();
    int length = lstrlenW(line);
    if (length > 0) {
        int n = WideCharToMultiByte(CP_UTF8, 0, line, length, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<std::size_t>(n), '\0');
        WideCharToMultiByte(CP_UTF8, 0, line, length, text.data(), n, nullptr, nullptr);
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(n), &written,
                  nullptr);
    }
    ExitProcess(trailingNumber(line));
}
