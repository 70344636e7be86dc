#include "tools/setup_check/package/msidll_database.h"

#include "tools/setup_check/basics/text.h"

#include <string>

#include "platform/win32/windows_inc.h"

namespace setupcheck::msidll {

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32, which the headers define for Windows 8 and later only.
constexpr DWORD loadFromSystem32 = 0x00000800;
constexpr std::int32_t columnNames = 0, columnTypes = 1; // MSICOLINFO_NAMES, _TYPES

struct ModuleTraits {
    using Handle = HMODULE;
    static Handle empty() { return nullptr; }
    static void release(Handle handle) { FreeLibrary(handle); }
};

// msi.dll by its full path in the system folder, never by its bare name; where the loader
// lacks the search flags (XP, Vista and 7 without KB2533623 answer ERROR_INVALID_PARAMETER)
// the full path with the altered search path.
UniqueHandle<ModuleTraits> loadMsi() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    const std::wstring path = std::wstring(folder, length) + L"\\msi.dll";
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, loadFromSystem32);
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER)
        module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return UniqueHandle<ModuleTraits>(module);
}

template <typename T> bool bind(HMODULE module, const char* name, T& slot, std::string& missing) {
    slot = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!slot)
        missing += (missing.empty() ? "" : ", ") + std::string(name);
    return slot != nullptr;
}

struct Binding {
    UniqueHandle<ModuleTraits> module;
    Api api;
    std::string problem;
};

Binding makeBinding() {
    Binding b;
    b.module = loadMsi();
    if (!b.module) {
        b.problem = "msi.dll cannot be loaded from the system folder";
        return b;
    }
    HMODULE m = b.module.get();
    std::string missing;
    Api& a = b.api;
    bind(m, "MsiOpenDatabaseW", a.openDatabase, missing);
    bind(m, "MsiCloseHandle", a.closeHandle, missing);
    bind(m, "MsiDatabaseOpenViewW", a.openView, missing);
    bind(m, "MsiViewExecute", a.execute, missing);
    bind(m, "MsiViewFetch", a.fetch, missing);
    bind(m, "MsiViewGetColumnInfo", a.columnInfo, missing);
    bind(m, "MsiRecordGetStringW", a.recordString, missing);
    bind(m, "MsiRecordGetFieldCount", a.fieldCount, missing);
    bind(m, "MsiGetSummaryInformationW", a.summaryInformation, missing);
    bind(m, "MsiSummaryInfoGetPropertyW", a.summaryProperty, missing);
    bind(m, "MsiRecordIsNull", a.recordIsNull, missing);
    bind(m, "MsiDatabaseGetPrimaryKeysW", a.primaryKeys, missing);
    bind(m, "MsiDatabaseApplyTransformW", a.applyTransform, missing);
    if (!missing.empty())
        b.problem = "msi.dll lacks " + missing;
    return b;
}

const Binding& binding() {
    static const Binding bound = makeBinding();
    return bound;
}

std::vector<std::string> fields(MSIHANDLE record) {
    std::vector<std::string> values;
    const UINT count = record ? binding().api.fieldCount(record) : 0;
    for (UINT i = 1; i <= count; ++i)
        values.push_back(fieldText(record, i).value_or(""));
    return values;
}

bool readTable(MSIHANDLE db, const std::string& name, TableSnapshot& table) {
    const Api& a = binding().api;
    Handle view, names, types, keys;
    if (a.openView(db, utf16("SELECT * FROM `" + name + "`").c_str(), view.put()) != 0 ||
        a.execute(view.get(), 0) != 0)
        return false;
    a.columnInfo(view.get(), columnNames, names.put());
    a.columnInfo(view.get(), columnTypes, types.put());
    a.primaryKeys(db, utf16(name).c_str(), keys.put());
    table = tableOf(fields(names.get()), fields(keys.get()));
    const std::vector<bool> binary = binaryColumns(fields(types.get()));
    for (Handle record; a.fetch(view.get(), record.put()) == 0;) {
        std::vector<Cell> cells;
        for (UINT i = 1; i <= table.columns.size(); ++i) {
            if (a.recordIsNull(record.get(), i))
                cells.push_back(std::nullopt);
            else if (i <= binary.size() && binary[i - 1])
                cells.push_back(std::string(binaryCell));
            else
                cells.push_back(fieldText(record.get(), i));
        }
        table.rows[rowKey(table, cells)] = cells;
    }
    return true;
}

} // namespace

void MsiHandleTraits::release(Handle handle) {
    binding().api.closeHandle(handle);
}

const Api* api(std::string& problem) {
    const Binding& b = binding();
    problem = b.problem;
    return b.problem.empty() ? &b.api : nullptr;
}

std::string engineName() {
    using WineVersion = const char*(CDECL*)();
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto wine = ntdll ? reinterpret_cast<WineVersion>(reinterpret_cast<void*>(
                                  GetProcAddress(ntdll, "wine_get_version")))
                            : nullptr;
    return wine ? "Wine " + std::string(wine()) + "'s msi.dll" : "msi.dll of Windows";
}

bool checksErrorConditions() {
    return engineName().rfind("Wine", 0) != 0;
}

std::string resultText(UINT result) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, result, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string words(reinterpret_cast<const char16_t*>(text ? text : L""), length);
    LocalFree(text);
    while (!words.empty() &&
           (words.back() == u'\n' || words.back() == u'\r' || words.back() == u' '))
        words.pop_back();
    return "msi.dll answers " + std::to_string(result) +
           (words.empty() ? "" : " (" + utf8(words) + ")");
}

std::optional<std::string> fieldText(MSIHANDLE record, UINT field) {
    const Api& a = binding().api;
    if (a.recordIsNull(record, field))
        return std::nullopt;
    DWORD size = 0;
    char16_t none[1] = {};
    if (a.recordString(record, field, none, &size) != msi::errorMoreData && size == 0)
        return std::string();
    std::u16string text(size + 1, u'\0');
    DWORD capacity = size + 1;
    if (a.recordString(record, field, text.data(), &capacity) != 0)
        return std::string();
    text.resize(capacity);
    return utf8(text);
}

std::vector<std::string> selectColumn(MSIHANDLE db, const std::string& sql) {
    const Api& a = binding().api;
    std::vector<std::string> values;
    Handle view;
    if (a.openView(db, utf16(sql).c_str(), view.put()) != 0 || a.execute(view.get(), 0) != 0)
        return values;
    for (Handle record; a.fetch(view.get(), record.put()) == 0;)
        values.push_back(fieldText(record.get(), 1).value_or(""));
    return values;
}

DatabaseSnapshot snapshot(MSIHANDLE db) {
    return snapshotOf(
        selectColumn(db, "SELECT `Name` FROM `_Tables`"),
        [db](const std::string& name, TableSnapshot& table) { return readTable(db, name, table); });
}

} // namespace setupcheck::msidll
