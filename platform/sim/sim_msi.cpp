// The simulated installer's exports and the state behind them.
#include "platform/sim/sim_msi.h"

#include "platform/platform.h"
#include "platform/sim/sim.h"

#include <algorithm>
#include <memory>

namespace sim {

namespace {

using msi::DWORD;
using msi::LPCWSTR;
using msi::LPWSTR;
using msi::MSIHANDLE;
using msi::UINT;

constexpr UINT errorInvalidHandle = 6;
constexpr UINT errorInvalidParameter = 87;
constexpr UINT errorOpenFailed = 110;
constexpr UINT errorUnknownProperty = 1608;
constexpr UINT errorBadQuerySyntax = 1615;
constexpr UINT errorPackageOpenFailed = 1619;
constexpr UINT errorPackageInvalid = 1620;
constexpr UINT errorFunctionFailed = 1627;

struct HandleObject {
    MsiHandleKind kind = MsiHandleKind::Database;
    std::u16string package;                        // key into packages (database, summary)
    std::vector<std::vector<std::u16string>> rows; // view: the selected values
    bool executed = false;
    std::size_t nextRow = 0;
    std::vector<std::u16string> fields; // record
    std::u16string column;              // view: the selected column's name
};

struct Handles {
    std::map<MSIHANDLE, HandleObject> open;
    MSIHANDLE next = 1000;
};

MsiState& state() {
    static MsiState s;
    return s;
}

Handles& handles() {
    static Handles h;
    return h;
}

std::u16string key(std::u16string_view text) {
    std::u16string k(text);
    for (char16_t& c : k) {
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c + 32);
        else if (c == u'/')
            c = u'\\';
    }
    return k;
}

// Scripted maps are keyed as the test wrote them; lookups ignore ASCII case and the kind of
// slash, as the installer does for paths and product codes.
template <typename Map> auto findNoCase(Map& map, std::u16string_view name) {
    std::u16string wanted = key(name);
    for (auto it = map.begin(); it != map.end(); ++it)
        if (key(it->first) == wanted)
            return it;
    return map.end();
}

std::u16string text(LPCWSTR s) {
    return s ? std::u16string(s) : std::u16string();
}

// Counts the call and answers a forced failure, if one is scripted for this export.
std::optional<UINT> enter(const char* name) {
    auto& s = state();
    ++s.calls[name];
    auto it = s.failures.find(name);
    if (it != s.failures.end())
        return it->second;
    return std::nullopt;
}

MSIHANDLE make(HandleObject object) {
    MSIHANDLE h = handles().next++;
    handles().open.emplace(h, std::move(object));
    return h;
}

HandleObject* find(MSIHANDLE h, MsiHandleKind kind) {
    auto it = handles().open.find(h);
    if (it == handles().open.end() || it->second.kind != kind)
        return nullptr;
    return &it->second;
}

// The installer's rule for text outputs: the value (cut to fit, with its NUL) is copied when a
// buffer is given; the size comes back as the value's length; a buffer that cannot hold the
// value and its NUL gives ERROR_MORE_DATA.
UINT copyOut(const std::u16string& value, LPWSTR buffer, DWORD* size) {
    if (!size)
        return buffer ? errorInvalidParameter : 0;
    UINT result = 0;
    if (buffer) {
        if (*size > 0) {
            std::size_t n = std::min<std::size_t>(value.size(), *size - 1);
            std::copy_n(value.data(), n, buffer);
            buffer[n] = u'\0';
        }
        if (*size <= value.size())
            result = msi::errorMoreData;
    }
    *size = DWORD(value.size());
    return result;
}

// A tiny reader of the one query shape the launcher uses:
//   SELECT column FROM table [WHERE column = 'literal']
// Keywords ignore case, names do not, names may be quoted with backticks.
struct Query {
    std::u16string column, table, whereColumn, whereValue;
    bool hasWhere = false;
};

struct Lexer {
    std::u16string_view s;
    std::size_t i = 0;
    void blanks() {
        while (i < s.size() && (s[i] == u' ' || s[i] == u'\t' || s[i] == u'\r' || s[i] == u'\n'))
            ++i;
    }
    bool keyword(std::u16string_view word) {
        blanks();
        if (s.size() - i < word.size())
            return false;
        for (std::size_t k = 0; k < word.size(); ++k) {
            char16_t c = s[i + k];
            if (c >= u'a' && c <= u'z')
                c = char16_t(c - 32);
            if (c != word[k])
                return false;
        }
        std::size_t end = i + word.size();
        if (end < s.size() && s[end] != u' ' && s[end] != u'\t' && s[end] != u'\r' &&
            s[end] != u'\n')
            return false;
        i = end;
        return true;
    }
    bool name(std::u16string& out) {
        blanks();
        out.clear();
        if (i < s.size() && s[i] == u'`') {
            std::size_t end = s.find(u'`', i + 1);
            if (end == std::u16string_view::npos)
                return false;
            out = s.substr(i + 1, end - i - 1);
            i = end + 1;
            return !out.empty();
        }
        while (i < s.size() && (s[i] == u'_' || s[i] == u'.' || (s[i] >= u'0' && s[i] <= u'9') ||
                                (s[i] >= u'A' && s[i] <= u'Z') || (s[i] >= u'a' && s[i] <= u'z')))
            out.push_back(s[i++]);
        return !out.empty();
    }
    bool literal(std::u16string& out) {
        blanks();
        if (i >= s.size() || s[i] != u'\'')
            return false;
        std::size_t end = s.find(u'\'', i + 1);
        if (end == std::u16string_view::npos)
            return false;
        out = s.substr(i + 1, end - i - 1);
        i = end + 1;
        return true;
    }
    bool symbol(char16_t c) {
        blanks();
        if (i < s.size() && s[i] == c) {
            ++i;
            return true;
        }
        return false;
    }
    bool atEnd() {
        blanks();
        return i == s.size();
    }
};

bool parseQuery(std::u16string_view sql, Query& q) {
    Lexer lex{sql};
    if (!lex.keyword(u"SELECT") || !lex.name(q.column) || !lex.keyword(u"FROM") ||
        !lex.name(q.table))
        return false;
    if (lex.atEnd())
        return true;
    q.hasWhere = true;
    return lex.keyword(u"WHERE") && lex.name(q.whereColumn) && lex.symbol(u'=') &&
           lex.literal(q.whereValue) && lex.atEnd();
}

// The rows of a table as column -> value maps.
bool tableRows(const MsiPackageData& package, const std::u16string& table,
               std::vector<std::u16string>& columns,
               std::vector<std::map<std::u16string, std::u16string>>& rows) {
    const std::map<std::u16string, std::u16string>* source = nullptr;
    if (table == u"Property") {
        columns = {u"Property", u"Value"};
        source = &package.properties;
    } else if (table == u"File") {
        columns = {u"File", u"Version"};
        source = &package.fileVersions;
    } else {
        return false;
    }
    for (const auto& [k, v] : *source)
        rows.push_back({{columns[0], k}, {columns[1], v}});
    return true;
}

// --- The exports ------------------------------------------------------------------------------

UINT SETUP_WINAPI openDatabase(LPCWSTR path, LPCWSTR persist, MSIHANDLE* database) {
    if (auto forced = enter("MsiOpenDatabaseW"))
        return *forced;
    if (!path || !database)
        return errorInvalidParameter;
    auto it = findNoCase(state().packages, path);
    if (it == state().packages.end() && state().onOpen) {
        if (std::optional<MsiPackageData> answered = state().onOpen(path))
            it = state().packages.emplace(path, std::move(*answered)).first;
    }
    if (it == state().packages.end())
        return platform::fileExists(path) ? errorPackageInvalid : errorOpenFailed;
    // A null persistence argument (MSIDBOPEN_READONLY) opens for reading only; any other mode
    // wants to write, which a package on read-only media cannot take.
    state().openModes.push_back(persist ? OpenMode::Writable : OpenMode::ReadOnly);
    if (persist && it->second.onReadOnlyMedia)
        return errorOpenFailed;
    machine().events.push_back(u"open " + std::u16string(path));
    HandleObject object;
    object.kind = MsiHandleKind::Database;
    object.package = it->first;
    *database = make(std::move(object));
    return 0;
}

UINT SETUP_WINAPI openProduct(LPCWSTR product, MSIHANDLE* handle) {
    if (auto forced = enter("MsiOpenProductW"))
        return *forced;
    if (!product || !handle)
        return errorInvalidParameter;
    // Installed products are known by their properties only; their packages are not modelled.
    return findNoCase(state().products, product) != state().products.end()
               ? errorPackageOpenFailed
               : msi::errorUnknownProduct;
}

UINT SETUP_WINAPI openPackage(LPCWSTR packagePath, MSIHANDLE* handle) {
    if (auto forced = enter("MsiOpenPackageW"))
        return *forced;
    if (!packagePath || !handle)
        return errorInvalidParameter;
    return errorPackageOpenFailed;
}

UINT SETUP_WINAPI getProductProperty(MSIHANDLE, LPCWSTR, LPWSTR, DWORD*) {
    if (auto forced = enter("MsiGetProductPropertyW"))
        return *forced;
    return errorInvalidHandle;
}

UINT SETUP_WINAPI getProductInfo(LPCWSTR product, LPCWSTR attribute, LPWSTR buffer, DWORD* size) {
    if (auto forced = enter("MsiGetProductInfoW"))
        return *forced;
    if (!product || !*product || !attribute)
        return errorInvalidParameter;
    auto it = findNoCase(state().products, product);
    if (it == state().products.end())
        return msi::errorUnknownProduct;
    std::u16string name(attribute);
    if (name == u"VersionString")
        return copyOut(it->second.version, buffer, size);
    if (name == u"InstallLocation")
        return it->second.location ? copyOut(*it->second.location, buffer, size)
                                   : errorUnknownProperty;
    return errorUnknownProperty;
}

UINT SETUP_WINAPI summaryInfoGetProperty(MSIHANDLE summary, UINT property, UINT* dataType,
                                         std::int32_t* intValue, msi::FILETIME* fileTime,
                                         LPWSTR buffer, DWORD* size) {
    if (auto forced = enter("MsiSummaryInfoGetPropertyW"))
        return *forced;
    HandleObject* object = find(summary, MsiHandleKind::Summary);
    if (!object)
        return errorInvalidHandle;
    const MsiPackageData& package = state().packages[object->package];
    auto it = package.summary.find(property);
    if (it == package.summary.end()) {
        if (dataType)
            *dataType = 0; // VT_EMPTY
        return 0;
    }
    if (dataType)
        *dataType = it->second.type;
    if (it->second.type == 30)
        return copyOut(it->second.text, buffer, size);
    if (it->second.type == 64) {
        if (fileTime)
            *fileTime = msi::FILETIME{DWORD(it->second.intValue), 0};
    } else if (intValue) {
        *intValue = it->second.intValue;
    }
    return 0;
}

UINT SETUP_WINAPI getSummaryInformation(MSIHANDLE database, LPCWSTR path, UINT,
                                        MSIHANDLE* summary) {
    if (auto forced = enter("MsiGetSummaryInformationW"))
        return *forced;
    if (!summary)
        return errorInvalidParameter;
    HandleObject object;
    object.kind = MsiHandleKind::Summary;
    if (database != 0) {
        HandleObject* db = find(database, MsiHandleKind::Database);
        if (!db)
            return errorInvalidHandle;
        object.package = db->package;
    } else {
        auto it = findNoCase(state().packages, text(path));
        if (it == state().packages.end())
            return errorOpenFailed;
        object.package = it->first;
    }
    *summary = make(std::move(object));
    return 0;
}

UINT SETUP_WINAPI databaseOpenView(MSIHANDLE database, LPCWSTR query, MSIHANDLE* view) {
    if (auto forced = enter("MsiDatabaseOpenViewW"))
        return *forced;
    if (!query || !view)
        return errorInvalidParameter;
    state().queries.push_back(query);
    HandleObject* db = find(database, MsiHandleKind::Database);
    if (!db)
        return errorInvalidHandle;
    Query q;
    std::vector<std::u16string> columns;
    std::vector<std::map<std::u16string, std::u16string>> rows;
    if (!parseQuery(query, q) ||
        !tableRows(state().packages[db->package], q.table, columns, rows) ||
        std::find(columns.begin(), columns.end(), q.column) == columns.end() ||
        (q.hasWhere && std::find(columns.begin(), columns.end(), q.whereColumn) == columns.end()))
        return errorBadQuerySyntax;
    HandleObject object;
    object.kind = MsiHandleKind::View;
    object.column = q.column;
    for (auto& row : rows)
        if (!q.hasWhere || row[q.whereColumn] == q.whereValue)
            object.rows.push_back({row[q.column]});
    *view = make(std::move(object));
    return 0;
}

UINT SETUP_WINAPI installProduct(LPCWSTR packagePath, LPCWSTR commandLine) {
    if (auto forced = enter("MsiInstallProductW"))
        return *forced;
    auto& s = state();
    MsiInstallCall call;
    call.packagePath = text(packagePath);
    call.commandLine = text(commandLine);
    call.uiLevel = s.uiLevel;
    call.logEnabled = s.logEnabled;
    call.logMode = s.logMode;
    call.logFile = s.logFile;
    call.logAttributes = s.logAttributes;
    call.handlesOpen = msiHandlesOpen();
    s.installs.push_back(call);
    return s.onInstall ? s.onInstall(call) : s.installResult;
}

UINT SETUP_WINAPI closeHandle(MSIHANDLE handle) {
    if (auto forced = enter("MsiCloseHandle"))
        return *forced;
    if (handle == 0)
        return 0;
    if (handles().open.erase(handle) == 0) {
        ++state().badCloses;
        return errorInvalidHandle;
    }
    return 0;
}

UINT SETUP_WINAPI viewFetch(MSIHANDLE view, MSIHANDLE* record) {
    if (auto forced = enter("MsiViewFetch"))
        return *forced;
    HandleObject* object = find(view, MsiHandleKind::View);
    if (!object || !record)
        return errorInvalidHandle;
    if (!object->executed)
        return errorFunctionFailed;
    if (object->nextRow >= object->rows.size())
        return msi::errorNoMoreItems;
    HandleObject r;
    r.kind = MsiHandleKind::Record;
    r.fields = object->rows[object->nextRow++];
    *record = make(std::move(r));
    return 0;
}

UINT SETUP_WINAPI viewClose(MSIHANDLE view) {
    if (auto forced = enter("MsiViewClose"))
        return *forced;
    HandleObject* object = find(view, MsiHandleKind::View);
    if (!object)
        return errorInvalidHandle;
    object->executed = false;
    return 0;
}

UINT SETUP_WINAPI recordGetString(MSIHANDLE record, UINT field, LPWSTR buffer, DWORD* size) {
    if (auto forced = enter("MsiRecordGetStringW"))
        return *forced;
    HandleObject* object = find(record, MsiHandleKind::Record);
    if (!object)
        return errorInvalidHandle;
    std::u16string value;
    if (field >= 1 && field <= object->fields.size())
        value = object->fields[field - 1];
    return copyOut(value, buffer, size);
}

UINT SETUP_WINAPI viewExecute(MSIHANDLE view, MSIHANDLE) {
    if (auto forced = enter("MsiViewExecute"))
        return *forced;
    HandleObject* object = find(view, MsiHandleKind::View);
    if (!object)
        return errorInvalidHandle;
    object->executed = true;
    object->nextRow = 0;
    return 0;
}

UINT SETUP_WINAPI viewGetColumnInfo(MSIHANDLE view, std::int32_t columnInfo, MSIHANDLE* record) {
    if (auto forced = enter("MsiViewGetColumnInfo"))
        return *forced;
    HandleObject* object = find(view, MsiHandleKind::View);
    if (!object || !record)
        return errorInvalidHandle;
    HandleObject r;
    r.kind = MsiHandleKind::Record;
    r.fields = {columnInfo == 0 ? object->column : std::u16string(u"s72")};
    *record = make(std::move(r));
    return 0;
}

UINT SETUP_WINAPI recordGetFieldCount(MSIHANDLE record) {
    if (auto forced = enter("MsiRecordGetFieldCount"))
        return *forced;
    HandleObject* object = find(record, MsiHandleKind::Record);
    return object ? UINT(object->fields.size()) : UINT(-1);
}

std::int32_t SETUP_WINAPI setInternalUI(std::int32_t uiLevel, void** window) {
    auto& s = state();
    ++s.calls["MsiSetInternalUI"];
    std::int32_t previous = s.uiLevel;
    s.uiLevel = uiLevel;
    s.uiWindowGiven = window != nullptr;
    return previous;
}

UINT SETUP_WINAPI enableLog(DWORD logMode, LPCWSTR logFile, DWORD attributes) {
    if (auto forced = enter("MsiEnableLogW"))
        return *forced;
    auto& s = state();
    s.logEnabled = logFile != nullptr;
    s.logMode = logMode;
    s.logFile = text(logFile);
    s.logAttributes = attributes;
    return s.enableLogResult;
}

template <typename Signature> void* exported(Signature function) {
    return reinterpret_cast<void*>(function);
}

// The machine a program starts on already has the installer, as reset() leaves it.
struct RegisterAtStart {
    RegisterAtStart() { resetMsi(); }
} registerAtStart;

} // namespace

MsiState& msi() {
    return state();
}

void resetMsi() {
    state() = MsiState{};
    handles() = Handles{};
    // The static_casts make the compiler check every export against the real signature.
    Library library;
    library.exports = {
        {"MsiOpenDatabaseW", exported(static_cast<msi::OpenDatabaseW>(openDatabase))},
        {"MsiOpenProductW", exported(static_cast<msi::OpenProductW>(openProduct))},
        {"MsiOpenPackageW", exported(static_cast<msi::OpenPackageW>(openPackage))},
        {"MsiGetProductPropertyW",
         exported(static_cast<msi::GetProductPropertyW>(getProductProperty))},
        {"MsiGetProductInfoW", exported(static_cast<msi::GetProductInfoW>(getProductInfo))},
        {"MsiSummaryInfoGetPropertyW",
         exported(static_cast<msi::SummaryInfoGetPropertyW>(summaryInfoGetProperty))},
        {"MsiGetSummaryInformationW",
         exported(static_cast<msi::GetSummaryInformationW>(getSummaryInformation))},
        {"MsiDatabaseOpenViewW", exported(static_cast<msi::DatabaseOpenViewW>(databaseOpenView))},
        {"MsiInstallProductW", exported(static_cast<msi::InstallProductW>(installProduct))},
        {"MsiCloseHandle", exported(static_cast<msi::CloseHandle>(closeHandle))},
        {"MsiViewFetch", exported(static_cast<msi::ViewFetch>(viewFetch))},
        {"MsiViewClose", exported(static_cast<msi::ViewClose>(viewClose))},
        {"MsiRecordGetStringW", exported(static_cast<msi::RecordGetStringW>(recordGetString))},
        {"MsiViewExecute", exported(static_cast<msi::ViewExecute>(viewExecute))},
        {"MsiViewGetColumnInfo", exported(static_cast<msi::ViewGetColumnInfo>(viewGetColumnInfo))},
        {"MsiRecordGetFieldCount",
         exported(static_cast<msi::RecordGetFieldCount>(recordGetFieldCount))},
        {"MsiSetInternalUI", exported(static_cast<msi::SetInternalUI>(setInternalUI))},
        {"MsiEnableLogW", exported(static_cast<msi::EnableLogW>(enableLog))},
    };
    machine().libraries[u"msi.dll"] = std::move(library);
    machine().dllProductVersions[u"msi.dll"] = {(5u << 16) | 0u, (7601u << 16) | 17514u};
}

void addMsiPackage(const std::u16string& path, const MsiPackageData& package) {
    state().packages[path] = package;
    addFile(path, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"); // a compound file's signature
}

MsiPackageData samplePackage(const std::u16string& productCode, const std::u16string& version,
                             const std::u16string& keyFileVersion) {
    MsiPackageData p;
    p.summary[7] = SummaryValue{30, 0, u"Intel;1033"};
    p.summary[9] = SummaryValue{30, 0, u"{6F330B47-2577-43AD-9095-1861BA25889B}"};
    p.properties[u"ProductCode"] = productCode;
    p.properties[u"ProductVersion"] = version;
    p.fileVersions[u"vorta.dll"] = keyFileVersion;
    return p;
}

void hideMsiExport(const std::string& name) {
    machine().libraries[u"msi.dll"].exports.erase(name);
}

int msiHandlesOpen() {
    return int(handles().open.size());
}

int msiHandlesOpen(MsiHandleKind kind) {
    return int(std::count_if(handles().open.begin(), handles().open.end(),
                             [&](const auto& entry) { return entry.second.kind == kind; }));
}

} // namespace sim
