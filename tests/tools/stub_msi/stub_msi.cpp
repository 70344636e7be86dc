// A recording stand-in for msi.dll: the 18 entry points the launcher binds, each writing one
// JSON line per call to the file named by STUB_MSI_LOG and answering from the key=value
// script named by STUB_MSI_SCRIPT. Formats and keys are described in README.md.
//
// Wine's own installer cannot produce a cancelled or failed installation on demand, nor an
// administrative one, and its log does not show the command line it was given; this DLL,
// copied over the msi.dll in a throwaway prefix's system folder, lets the end-to-end tests see
// and steer all of that.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

using MSIHANDLE = unsigned long;

namespace {

constexpr UINT errorSuccess = 0;
constexpr UINT errorInvalidFunction = 1;
constexpr UINT errorInvalidHandle = 6;
constexpr UINT errorInvalidParameter = 87;
constexpr UINT errorOpenFailed = 110;
constexpr UINT errorMoreData = 234;
constexpr UINT errorNoMoreItems = 259;
constexpr UINT errorUnknownProduct = 1605;
constexpr UINT errorUnknownProperty = 1608;
constexpr UINT errorBadQuerySyntax = 1615;
constexpr UINT errorFunctionFailed = 1627;

constexpr UINT vtEmpty = 0;
constexpr UINT vtI2 = 2;
constexpr UINT vtI4 = 3;
constexpr UINT vtLpstr = 30;
constexpr UINT vtFiletime = 64;

enum class Kind { Database, Summary, View, Record };

const char* kindName(Kind kind) {
    switch (kind) {
    case Kind::Database: return "database";
    case Kind::Summary: return "summary";
    case Kind::View: return "view";
    case Kind::Record: return "record";
    }
    return "?";
}

struct Object {
    explicit Object(Kind k) : kind(k) {}
    Kind kind;
    bool hasRow = false;   // view: the query matched a row
    bool executed = false; // view
    bool fetched = false;  // view: its one row was handed out
    std::wstring text;     // view: the row's value; record: field 1
};

struct State {
    CRITICAL_SECTION lock;
    std::wstring logPath;
    bool scriptRead = false;
    std::map<std::wstring, std::wstring> script;
    std::map<MSIHANDLE, Object> handles;
    MSIHANDLE nextHandle = 1;
    // INSTALLUILEVEL_DEFAULT, where the real library starts too; a program that never sets a
    // level is then told apart from one that sets 5.
    int uiLevel = 1;
    HWND uiWindow = nullptr;
};

State* state = nullptr;

// ---- JSON lines --------------------------------------------------------------------------

void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// A JSON string literal of UTF-16 text. A lone surrogate is written as a \u escape, which
// Python's json module reads back unchanged, so even malformed text is logged exactly.
std::string jsonString(const wchar_t* text, std::size_t length) {
    std::string out = "\"";
    char escape[8];
    for (std::size_t i = 0; i < length; ++i) {
        std::uint32_t c = static_cast<std::uint16_t>(text[i]);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < length) {
            std::uint32_t low = static_cast<std::uint16_t>(text[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || (c >= 0xD800 && c < 0xE000)) {
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            appendUtf8(out, c);
        }
    }
    return out + "\"";
}

class LogLine {
public:
    explicit LogLine(const char* function) { text_ = "{\"fn\":\"" + std::string(function) + "\""; }

    LogLine& text(const char* key, const wchar_t* value) {
        return raw(key, value ? jsonString(value, lstrlenW(value)) : "null");
    }
    LogLine& text(const char* key, const std::wstring& value) {
        return raw(key, jsonString(value.data(), value.size()));
    }
    LogLine& number(const char* key, long long value) { return raw(key, std::to_string(value)); }
    LogLine& unsignedNumber(const char* key, unsigned long long value) {
        return raw(key, std::to_string(value));
    }
    LogLine& null(const char* key) { return raw(key, "null"); }
    LogLine& boolean(const char* key, bool value) { return raw(key, value ? "true" : "false"); }
    // The value behind an optional size argument, or null for a null pointer.
    LogLine& size(const char* key, const DWORD* value) {
        return value ? unsignedNumber(key, *value) : null(key);
    }

    LogLine& raw(const char* key, const std::string& json) {
        text_ += ",\"" + std::string(key) + "\":" + json;
        return *this;
    }

    // Appends the line to the log. Opened and closed per line, so the log stays complete
    // however the process ends and several processes can append to one log.
    void write() {
        if (!state || state->logPath.empty())
            return;
        std::string line = text_ + "}\n";
        HANDLE file = CreateFileW(state->logPath.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
    }

private:
    std::string text_;
};

// ---- The script --------------------------------------------------------------------------

std::wstring environmentVariable(const wchar_t* name) {
    wchar_t buffer[32768];
    DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
    return n > 0 && n < 32768 ? std::wstring(buffer, n) : std::wstring();
}

std::wstring fromUtf8(const std::string& bytes) {
    if (bytes.empty())
        return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

void readScript() {
    if (state->scriptRead)
        return;
    state->scriptRead = true;
    std::wstring path = environmentVariable(L"STUB_MSI_SCRIPT");
    if (path.empty())
        return;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    std::wstring text = fromUtf8(bytes);

    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (line.empty() || line[0] == L'#')
            continue;
        std::size_t equals = line.find(L'=');
        if (equals == std::wstring::npos)
            continue;
        state->script[line.substr(0, equals)] = line.substr(equals + 1);
    }
}

bool scripted(const std::wstring& key, std::wstring& value) {
    auto it = state->script.find(key);
    if (it == state->script.end())
        return false;
    value = it->second;
    return true;
}

// A scripted number: decimal, or hexadecimal with 0x.
bool scriptedNumber(const std::wstring& key, long long& value) {
    std::wstring text;
    if (!scripted(key, text) || text.empty())
        return false;
    value = static_cast<long long>(std::wcstoll(text.c_str(), nullptr, 0));
    return true;
}

// ---- Calls -------------------------------------------------------------------------------

// Serialises the calls and reads the script on the first one.
class Call {
public:
    explicit Call(const char* function) : line(function) {
        EnterCriticalSection(&state->lock);
        readScript();
        long long value = 0;
        forced_ = scriptedNumber(L"result." + std::wstring(function, function + lstrlenA(function)),
                                 value);
        forcedResult_ = static_cast<UINT>(value);
    }
    ~Call() { LeaveCriticalSection(&state->lock); }

    // A result the script imposes on this function: the call then does nothing else.
    bool forced() const { return forced_; }
    UINT forcedResult() {
        line.boolean("forced", true);
        return finish(forcedResult_);
    }

    UINT finish(UINT result) {
        line.unsignedNumber("result", result);
        line.write();
        return result;
    }

    LogLine line;

private:
    bool forced_ = false;
    UINT forcedResult_ = 0;
};

MSIHANDLE newHandle(Object object) {
    MSIHANDLE handle = state->nextHandle++;
    state->handles.emplace(handle, std::move(object));
    return handle;
}

Object* find(MSIHANDLE handle, Kind kind) {
    auto it = state->handles.find(handle);
    return it != state->handles.end() && it->second.kind == kind ? &it->second : nullptr;
}

// The installer's rule for text results: the size is in characters and counts the NUL on the
// way in, not on the way out; a value that does not fit is cut, and the call answers
// ERROR_MORE_DATA with the size the whole value needs.
UINT giveText(const std::wstring& value, LPWSTR buffer, DWORD* size, LogLine& line) {
    line.size("size_in", size);
    if (!size)
        return buffer ? errorInvalidParameter : errorSuccess;
    DWORD length = static_cast<DWORD>(value.size());
    DWORD capacity = *size;
    *size = length;
    line.unsignedNumber("size_out", length);
    if (!buffer)
        return errorSuccess;
    if (capacity == 0)
        return errorMoreData;
    DWORD copied = length < capacity ? length : capacity - 1;
    value.copy(buffer, copied);
    buffer[copied] = L'\0';
    line.text("text", std::wstring(buffer, copied));
    return length < capacity ? errorSuccess : errorMoreData;
}

bool isGuid(const wchar_t* text) {
    if (lstrlenW(text) != 38 || text[0] != L'{' || text[37] != L'}')
        return false;
    for (int i = 1; i < 37; ++i) {
        wchar_t c = text[i];
        bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        bool hex = (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
        if (dash ? c != L'-' : !hex)
            return false;
    }
    return true;
}

std::wstring upperAscii(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    return text;
}

// ---- The three queries -------------------------------------------------------------------

// Splits "SELECT Value FROM Property WHERE Property = 'ProductCode'" into words: names (bare
// or in back quotes), string literals (kept with their quote) and "=".
bool queryWords(const wchar_t* query, std::wstring (&words)[8]) {
    int count = 0;
    const wchar_t* p = query;
    while (*p) {
        if (*p == L' ' || *p == L'\t' || *p == L'\r' || *p == L'\n') {
            ++p;
            continue;
        }
        if (count == 8)
            return false;
        std::wstring& word = words[count++];
        if (*p == L'=') {
            word = L"=";
            ++p;
        } else if (*p == L'\'' || *p == L'`') {
            wchar_t quote = *p++;
            const wchar_t* end = p;
            while (*end && *end != quote)
                ++end;
            if (!*end)
                return false;
            word.assign(p, end);
            if (quote == L'\'')
                word.insert(word.begin(), L'\'');
            p = end + 1;
        } else {
            const wchar_t* end = p;
            while (*end && *end != L' ' && *end != L'\t' && *end != L'=' && *end != L'\'' &&
                   *end != L'`')
                ++end;
            word.assign(p, end);
            p = end;
        }
    }
    return count == 8;
}

// The script key that answers a query, or false for a query this stand-in does not know.
bool queryKey(const wchar_t* query, std::wstring& key) {
    std::wstring w[8];
    if (!query || !queryWords(query, w))
        return false;
    if (upperAscii(w[0]) != L"SELECT" || upperAscii(w[2]) != L"FROM" ||
        upperAscii(w[4]) != L"WHERE" || w[6] != L"=" || w[7].empty() || w[7][0] != L'\'')
        return false;
    std::wstring value = w[7].substr(1);
    if (w[3] == L"Property" && w[1] == L"Value" && w[5] == L"Property") {
        key = L"property." + value;
        return true;
    }
    if (w[3] == L"File" && w[1] == L"Version" && w[5] == L"File") {
        key = L"file." + value;
        return true;
    }
    return false;
}

} // namespace

// ---- Exports -----------------------------------------------------------------------------

extern "C" {

UINT WINAPI MsiOpenDatabaseW(LPCWSTR path, LPCWSTR persist, MSIHANDLE* database) {
    Call call("MsiOpenDatabaseW");
    call.line.text("path", path);
    // The persistence argument is a text or one of the MSIDBOPEN_* constants, small numbers
    // cast to a pointer.
    if (reinterpret_cast<std::uintptr_t>(persist) < 0x10000)
        call.line.unsignedNumber("persist", reinterpret_cast<std::uintptr_t>(persist));
    else
        call.line.text("persist", persist);
    if (call.forced())
        return call.forcedResult();
    if (!path || !database)
        return call.finish(errorInvalidParameter);
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        return call.finish(errorOpenFailed);
    *database = newHandle(Object(Kind::Database));
    call.line.unsignedNumber("handle", *database);
    return call.finish(errorSuccess);
}

UINT WINAPI MsiOpenProductW(LPCWSTR product, MSIHANDLE* handle) {
    Call call("MsiOpenProductW");
    call.line.text("product", product);
    if (call.forced())
        return call.forcedResult();
    if (handle)
        *handle = 0;
    return call.finish(errorInvalidFunction);
}

UINT WINAPI MsiOpenPackageW(LPCWSTR path, MSIHANDLE* handle) {
    Call call("MsiOpenPackageW");
    call.line.text("path", path);
    if (call.forced())
        return call.forcedResult();
    if (handle)
        *handle = 0;
    return call.finish(errorInvalidFunction);
}

UINT WINAPI MsiGetProductPropertyW(MSIHANDLE product, LPCWSTR property, LPWSTR, DWORD* size) {
    Call call("MsiGetProductPropertyW");
    call.line.unsignedNumber("product", product).text("property", property).size("size_in", size);
    if (call.forced())
        return call.forcedResult();
    return call.finish(errorInvalidFunction);
}

UINT WINAPI MsiGetProductInfoW(LPCWSTR product, LPCWSTR attribute, LPWSTR buffer, DWORD* size) {
    Call call("MsiGetProductInfoW");
    call.line.text("product", product).text("attribute", attribute);
    if (call.forced())
        return call.forcedResult();
    if (!product || !attribute || !isGuid(product))
        return call.finish(errorInvalidParameter);
    std::wstring prefix = L"product." + upperAscii(product) + L".";
    bool known = false;
    for (const auto& entry : state->script) {
        if (upperAscii(entry.first.substr(0, prefix.size())) == upperAscii(prefix)) {
            known = true;
            if (entry.first.compare(prefix.size(), std::wstring::npos, attribute) == 0)
                return call.finish(giveText(entry.second, buffer, size, call.line));
        }
    }
    return call.finish(known ? errorUnknownProperty : errorUnknownProduct);
}

UINT WINAPI MsiGetSummaryInformationW(MSIHANDLE database, LPCWSTR path, UINT updateCount,
                                      MSIHANDLE* summary) {
    Call call("MsiGetSummaryInformationW");
    call.line.unsignedNumber("database", database).text("path", path);
    call.line.unsignedNumber("update_count", updateCount);
    if (call.forced())
        return call.forcedResult();
    if (!summary)
        return call.finish(errorInvalidParameter);
    if (database ? !find(database, Kind::Database)
                 : !path || GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        return call.finish(errorInvalidHandle);
    *summary = newHandle(Object(Kind::Summary));
    call.line.unsignedNumber("handle", *summary);
    return call.finish(errorSuccess);
}

UINT WINAPI MsiSummaryInfoGetPropertyW(MSIHANDLE summary, UINT property, UINT* dataType,
                                       INT* intValue, FILETIME* fileTime, LPWSTR buffer,
                                       DWORD* size) {
    Call call("MsiSummaryInfoGetPropertyW");
    call.line.unsignedNumber("summary", summary).unsignedNumber("property", property);
    if (call.forced())
        return call.forcedResult();
    if (!find(summary, Kind::Summary))
        return call.finish(errorInvalidHandle);
    std::wstring value;
    bool present = scripted(L"summary." + std::to_wstring(property), value);
    UINT type = vtEmpty;
    if (present) {
        switch (property) {
        case 1: type = vtI2; break;
        case 10: case 11: case 12: case 13: type = vtFiletime; break;
        case 14: case 15: case 16: case 19: type = vtI4; break;
        default: type = vtLpstr; break;
        }
    }
    if (dataType)
        *dataType = type;
    call.line.unsignedNumber("type", type);
    UINT result = errorSuccess;
    if (type == vtI2 || type == vtI4) {
        INT number = static_cast<INT>(std::wcstol(value.c_str(), nullptr, 10));
        if (intValue)
            *intValue = number;
        call.line.number("int_value", number);
    } else if (type == vtFiletime) {
        ULONGLONG ticks = std::wcstoull(value.c_str(), nullptr, 10);
        if (fileTime) {
            fileTime->dwLowDateTime = static_cast<DWORD>(ticks);
            fileTime->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
        }
        call.line.unsignedNumber("filetime", ticks);
    } else if (type == vtLpstr) {
        result = giveText(value, buffer, size, call.line);
    }
    return call.finish(result);
}

UINT WINAPI MsiDatabaseOpenViewW(MSIHANDLE database, LPCWSTR query, MSIHANDLE* view) {
    Call call("MsiDatabaseOpenViewW");
    call.line.unsignedNumber("database", database).text("query", query);
    if (call.forced())
        return call.forcedResult();
    if (!find(database, Kind::Database))
        return call.finish(errorInvalidHandle);
    if (!view)
        return call.finish(errorInvalidParameter);
    std::wstring key;
    if (!queryKey(query, key))
        return call.finish(errorBadQuerySyntax);
    Object object(Kind::View);
    object.hasRow = scripted(key, object.text);
    *view = newHandle(std::move(object));
    call.line.unsignedNumber("handle", *view);
    return call.finish(errorSuccess);
}

UINT WINAPI MsiViewExecute(MSIHANDLE view, MSIHANDLE params) {
    Call call("MsiViewExecute");
    call.line.unsignedNumber("view", view).unsignedNumber("params", params);
    if (call.forced())
        return call.forcedResult();
    Object* object = find(view, Kind::View);
    if (!object)
        return call.finish(errorInvalidHandle);
    object->executed = true;
    object->fetched = false;
    return call.finish(errorSuccess);
}

UINT WINAPI MsiViewFetch(MSIHANDLE view, MSIHANDLE* record) {
    Call call("MsiViewFetch");
    call.line.unsignedNumber("view", view);
    if (call.forced())
        return call.forcedResult();
    if (record)
        *record = 0;
    Object* object = find(view, Kind::View);
    if (!object)
        return call.finish(errorInvalidHandle);
    if (!record)
        return call.finish(errorInvalidParameter);
    if (!object->executed)
        return call.finish(errorFunctionFailed);
    if (!object->hasRow || object->fetched)
        return call.finish(errorNoMoreItems);
    object->fetched = true;
    Object row(Kind::Record);
    row.text = object->text;
    *record = newHandle(std::move(row));
    call.line.unsignedNumber("handle", *record);
    return call.finish(errorSuccess);
}

UINT WINAPI MsiViewClose(MSIHANDLE view) {
    Call call("MsiViewClose");
    call.line.unsignedNumber("view", view);
    if (call.forced())
        return call.forcedResult();
    Object* object = find(view, Kind::View);
    if (!object)
        return call.finish(errorInvalidHandle);
    object->executed = false;
    return call.finish(errorSuccess);
}

UINT WINAPI MsiViewGetColumnInfo(MSIHANDLE view, int columnInfo, MSIHANDLE* record) {
    Call call("MsiViewGetColumnInfo");
    call.line.unsignedNumber("view", view).number("column_info", columnInfo);
    if (call.forced())
        return call.forcedResult();
    if (record)
        *record = 0;
    return call.finish(errorInvalidFunction);
}

UINT WINAPI MsiRecordGetStringW(MSIHANDLE record, UINT field, LPWSTR buffer, DWORD* size) {
    Call call("MsiRecordGetStringW");
    call.line.unsignedNumber("record", record).unsignedNumber("field", field);
    if (call.forced())
        return call.forcedResult();
    Object* object = find(record, Kind::Record);
    if (!object)
        return call.finish(errorInvalidHandle);
    // Field 0 (the format template) and fields past the one column read as empty.
    return call.finish(giveText(field == 1 ? object->text : std::wstring(), buffer, size,
                                call.line));
}

UINT WINAPI MsiRecordGetFieldCount(MSIHANDLE record) {
    Call call("MsiRecordGetFieldCount");
    call.line.unsignedNumber("record", record);
    if (call.forced())
        return call.forcedResult();
    return call.finish(find(record, Kind::Record) ? 1 : static_cast<UINT>(-1));
}

UINT WINAPI MsiCloseHandle(MSIHANDLE handle) {
    Call call("MsiCloseHandle");
    call.line.unsignedNumber("handle", handle);
    if (call.forced())
        return call.forcedResult();
    if (handle == 0)
        return call.finish(errorSuccess);
    auto it = state->handles.find(handle);
    if (it == state->handles.end())
        return call.finish(errorInvalidHandle);
    call.line.raw("kind", std::string("\"") + kindName(it->second.kind) + "\"");
    state->handles.erase(it);
    return call.finish(errorSuccess);
}

UINT WINAPI MsiInstallProductW(LPCWSTR path, LPCWSTR commandLine) {
    Call call("MsiInstallProductW");
    call.line.text("path", path).text("cmdline", commandLine);
    call.line.number("ui_level", state->uiLevel);
    call.line.unsignedNumber("open_handles", state->handles.size());
    if (call.forced())
        return call.forcedResult();
    return call.finish(errorSuccess);
}

// INSTALLUILEVEL is an enumeration; its values fit an int.
int WINAPI MsiSetInternalUI(int level, HWND* window) {
    Call call("MsiSetInternalUI");
    call.line.number("level", level);
    if (window)
        call.line.unsignedNumber("window", reinterpret_cast<std::uintptr_t>(*window));
    else
        call.line.null("window");
    if (call.forced())
        return static_cast<int>(call.forcedResult());
    int previous = state->uiLevel;
    if (level != 0) // INSTALLUILEVEL_NOCHANGE
        state->uiLevel = level;
    if (window) {
        HWND old = state->uiWindow;
        state->uiWindow = *window;
        *window = old;
    }
    return static_cast<int>(call.finish(static_cast<UINT>(previous)));
}

UINT WINAPI MsiEnableLogW(DWORD mode, LPCWSTR file, DWORD attributes) {
    Call call("MsiEnableLogW");
    call.line.unsignedNumber("mode", mode).text("file", file).unsignedNumber("attributes",
                                                                           attributes);
    if (call.forced())
        return call.forcedResult();
    return call.finish(errorSuccess);
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(module);
        state = new State;
        InitializeCriticalSection(&state->lock);
        state->logPath = environmentVariable(L"STUB_MSI_LOG");
        wchar_t path[MAX_PATH + 1] = {};
        GetModuleFileNameW(module, path, MAX_PATH + 1);
        LogLine("attach").text("module", path).unsignedNumber("pid", GetCurrentProcessId()).write();
    } else if (reason == DLL_PROCESS_DETACH && state) {
        // Every handle still open here was never closed by the program.
        LogLine("detach")
            .unsignedNumber("open_handles", state->handles.size())
            .raw("reason", reserved ? "\"exit\"" : "\"unload\"")
            .unsignedNumber("pid", GetCurrentProcessId())
            .write();
        if (!reserved) {
            DeleteCriticalSection(&state->lock);
            delete state;
            state = nullptr;
        }
    }
    return TRUE;
}

} // extern "C"
