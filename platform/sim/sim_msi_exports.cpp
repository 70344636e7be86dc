// The simulated installer's exports. Each is named after the export it stands for, so its
// call counts and scripted failures are found by its own name (__func__), and the export
// table is built from the launcher's one list of entry points.
#include "platform/sim/sim_msi_internal.h"

#include "platform/platform.h"

namespace sim::msiimpl {

namespace {

// The front of an export that works on one object: the call is counted, a scripted failure
// answers first, a handle that is no open object of `kind` answers ERROR_INVALID_HANDLE, and
// otherwise `body` answers for the object.
template <typename Body>
UINT withObject(const char* name, MSIHANDLE handle, MsiHandleKind kind, Body body) {
    if (auto forced = enter(name))
        return *forced;
    HandleObject* object = find(handle, kind);
    return object ? body(*object) : errorInvalidHandle;
}

} // namespace

namespace exports {

UINT SETUP_WINAPI MsiOpenDatabaseW(LPCWSTR path, LPCWSTR persist, MSIHANDLE* database) {
    if (auto forced = enter(__func__))
        return *forced;
    if (!path || !database)
        return errorInvalidParameter;
    auto it = findNoCase(msi().packages, path);
    if (it == msi().packages.end() && msi().onOpen) {
        if (std::optional<MsiPackageData> answered = msi().onOpen(path))
            it = msi().packages.emplace(path, std::move(*answered)).first;
    }
    if (it == msi().packages.end())
        return platform::fileExists(path) ? errorInstallPackageInvalid : errorOpenFailed;
    // A null persistence argument (MSIDBOPEN_READONLY) opens for reading only; any other mode
    // wants to write, which a package on read-only media cannot take.
    msi().openModes.push_back(persist ? OpenMode::Writable : OpenMode::ReadOnly);
    if (persist && it->second.onReadOnlyMedia)
        return errorOpenFailed;
    machine().events.push_back(u"open " + std::u16string(path));
    HandleObject object;
    object.kind = MsiHandleKind::Database;
    object.package = it->first;
    *database = make(std::move(object));
    return 0;
}

UINT SETUP_WINAPI MsiOpenProductW(LPCWSTR product, MSIHANDLE* handle) {
    if (auto forced = enter(__func__))
        return *forced;
    if (!product || !handle)
        return errorInvalidParameter;
    // Installed products are known by their properties only; their packages are not modelled.
    return findNoCase(msi().products, product) != msi().products.end()
               ? errorInstallPackageOpenFailed
               : errorUnknownProduct;
}

UINT SETUP_WINAPI MsiOpenPackageW(LPCWSTR packagePath, MSIHANDLE* handle) {
    if (auto forced = enter(__func__))
        return *forced;
    if (!packagePath || !handle)
        return errorInvalidParameter;
    return errorInstallPackageOpenFailed;
}

UINT SETUP_WINAPI MsiGetProductPropertyW(MSIHANDLE, LPCWSTR, LPWSTR, DWORD*) {
    if (auto forced = enter(__func__))
        return *forced;
    return errorInvalidHandle;
}

UINT SETUP_WINAPI MsiGetProductInfoW(LPCWSTR product, LPCWSTR attribute, LPWSTR buffer,
                                     DWORD* size) {
    if (auto forced = enter(__func__))
        return *forced;
    if (!product || !*product || !attribute)
        return errorInvalidParameter;
    auto it = findNoCase(msi().products, product);
    if (it == msi().products.end())
        return errorUnknownProduct;
    std::u16string name(attribute);
    if (name == u"VersionString")
        return copyOut(it->second.version, buffer, size);
    if (name == u"InstallLocation")
        return it->second.location ? copyOut(*it->second.location, buffer, size)
                                   : errorUnknownProperty;
    return errorUnknownProperty;
}

UINT SETUP_WINAPI MsiSummaryInfoGetPropertyW(MSIHANDLE summary, UINT property, UINT* dataType,
                                             std::int32_t* intValue, msi::FILETIME* fileTime,
                                             LPWSTR buffer, DWORD* size) {
    return withObject(__func__, summary, MsiHandleKind::Summary, [&](HandleObject& object) {
        const MsiPackageData& package = msi().packages[object.package];
        auto it = package.summary.find(property);
        if (it == package.summary.end()) {
            if (dataType)
                *dataType = vtEmpty;
            return errorSuccess;
        }
        const SummaryValue& value = it->second;
        if (dataType)
            *dataType = value.type;
        if (value.type == vtLpstr)
            return copyOut(value.text, buffer, size);
        if (value.type == vtFiletime) {
            if (fileTime)
                *fileTime = msi::FILETIME{DWORD(value.intValue), 0};
        } else if (intValue) {
            *intValue = value.intValue;
        }
        return errorSuccess;
    });
}

UINT SETUP_WINAPI MsiGetSummaryInformationW(MSIHANDLE database, LPCWSTR path, UINT,
                                            MSIHANDLE* summary) {
    if (auto forced = enter(__func__))
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
        auto it = findNoCase(msi().packages, text(path));
        if (it == msi().packages.end())
            return errorOpenFailed;
        object.package = it->first;
    }
    *summary = make(std::move(object));
    return 0;
}

UINT SETUP_WINAPI MsiDatabaseOpenViewW(MSIHANDLE database, LPCWSTR query, MSIHANDLE* view) {
    if (auto forced = enter(__func__))
        return *forced;
    if (!query || !view)
        return errorInvalidParameter;
    msi().queries.push_back(query);
    HandleObject* db = find(database, MsiHandleKind::Database);
    if (!db)
        return errorInvalidHandle;
    Selection selection;
    if (!select(msi().packages[db->package], query, selection))
        return errorBadQuerySyntax;
    HandleObject object;
    object.kind = MsiHandleKind::View;
    object.column = selection.column;
    object.rows = std::move(selection.rows);
    *view = make(std::move(object));
    return 0;
}

UINT SETUP_WINAPI MsiInstallProductW(LPCWSTR packagePath, LPCWSTR commandLine) {
    if (auto forced = enter(__func__))
        return *forced;
    auto& s = msi();
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

UINT SETUP_WINAPI MsiCloseHandle(MSIHANDLE handle) {
    if (auto forced = enter(__func__))
        return *forced;
    if (handle == 0)
        return 0;
    if (!close(handle)) {
        ++msi().badCloses;
        return errorInvalidHandle;
    }
    return 0;
}

UINT SETUP_WINAPI MsiViewFetch(MSIHANDLE view, MSIHANDLE* record) {
    return withObject(__func__, view, MsiHandleKind::View, [&](HandleObject& object) {
        if (!record)
            return errorInvalidHandle;
        if (!object.executed)
            return errorFunctionFailed;
        if (object.nextRow >= object.rows.size())
            return errorNoMoreItems;
        HandleObject r;
        r.kind = MsiHandleKind::Record;
        r.fields = object.rows[object.nextRow++];
        *record = make(std::move(r));
        return errorSuccess;
    });
}

UINT SETUP_WINAPI MsiViewClose(MSIHANDLE view) {
    return withObject(__func__, view, MsiHandleKind::View, [](HandleObject& object) {
        object.executed = false;
        return errorSuccess;
    });
}

UINT SETUP_WINAPI MsiRecordGetStringW(MSIHANDLE record, UINT field, LPWSTR buffer, DWORD* size) {
    return withObject(__func__, record, MsiHandleKind::Record, [&](HandleObject& object) {
        std::u16string value;
        if (field >= 1 && field <= object.fields.size())
            value = object.fields[field - 1];
        return copyOut(value, buffer, size);
    });
}

UINT SETUP_WINAPI MsiViewExecute(MSIHANDLE view, MSIHANDLE) {
    return withObject(__func__, view, MsiHandleKind::View, [](HandleObject& object) {
        object.executed = true;
        object.nextRow = 0;
        return errorSuccess;
    });
}

UINT SETUP_WINAPI MsiViewGetColumnInfo(MSIHANDLE view, std::int32_t columnInfo, MSIHANDLE* record) {
    return withObject(__func__, view, MsiHandleKind::View, [&](HandleObject& object) {
        if (!record)
            return errorInvalidHandle;
        HandleObject r;
        r.kind = MsiHandleKind::Record;
        r.fields = {columnInfo == 0 ? object.column : std::u16string(u"s72")};
        *record = make(std::move(r));
        return errorSuccess;
    });
}

UINT SETUP_WINAPI MsiRecordGetFieldCount(MSIHANDLE record) {
    if (auto forced = enter(__func__))
        return *forced;
    HandleObject* object = find(record, MsiHandleKind::Record);
    return object ? UINT(object->fields.size()) : UINT(-1);
}

// Its result is the previous level, not an error code: no failure can be scripted for it.
std::int32_t SETUP_WINAPI MsiSetInternalUI(std::int32_t uiLevel, void** window) {
    auto& s = msi();
    ++s.calls[__func__];
    std::int32_t previous = s.uiLevel;
    s.uiLevel = uiLevel;
    s.uiWindowGiven = window != nullptr;
    return previous;
}

UINT SETUP_WINAPI MsiEnableLogW(DWORD logMode, LPCWSTR logFile, DWORD attributes) {
    if (auto forced = enter(__func__))
        return *forced;
    auto& s = msi();
    s.logEnabled = logFile != nullptr;
    s.logMode = logMode;
    s.logFile = text(logFile);
    s.logAttributes = attributes;
    return s.enableLogResult;
}

} // namespace exports

Library installerLibrary() {
    // The static_casts make the compiler check every export against the real signature.
#define SETUP_SIM_EXPORT(name, type)                                                               \
    {#name, reinterpret_cast<void*>(static_cast<msi::type>(exports::name))},
    return Library{{SETUP_MSI_ENTRY_POINTS(SETUP_SIM_EXPORT)}};
#undef SETUP_SIM_EXPORT
}

} // namespace sim::msiimpl
