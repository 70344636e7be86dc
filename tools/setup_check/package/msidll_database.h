// The Windows build's engine: the system's msi.dll, bound at run time by full path from the
// system folder as the launcher binds it, its handles held by owners, and the few ways the tool
// reads a database through it.
#pragma once

#include "platform/msi_api.h"
#include "platform/unique_handle.h"
#include "tools/setup_check/package/table_snapshot.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setupcheck::msidll {

using msi::DWORD;
using msi::LPCWSTR;
using msi::LPWSTR;
using msi::MSIHANDLE;
using msi::UINT;

// The entry points the engine calls, null where msi.dll lacks one.
struct Api {
    msi::OpenDatabaseW openDatabase = nullptr;
    msi::CloseHandle closeHandle = nullptr;
    msi::DatabaseOpenViewW openView = nullptr;
    msi::ViewExecute execute = nullptr;
    msi::ViewFetch fetch = nullptr;
    msi::ViewGetColumnInfo columnInfo = nullptr;
    msi::RecordGetStringW recordString = nullptr;
    msi::RecordGetFieldCount fieldCount = nullptr;
    msi::GetSummaryInformationW summaryInformation = nullptr;
    msi::SummaryInfoGetPropertyW summaryProperty = nullptr;
    UINT(SETUP_WINAPI* recordIsNull)(MSIHANDLE record, UINT field) = nullptr;
    UINT(SETUP_WINAPI* primaryKeys)(MSIHANDLE database, LPCWSTR table, MSIHANDLE* record) = nullptr;
    UINT(SETUP_WINAPI* applyTransform)
    (MSIHANDLE database, LPCWSTR transform, std::int32_t errorConditions) = nullptr;
};

// msi.dll of the system folder, bound once for the process; null when it cannot be loaded or
// lacks an entry point the engine needs (`problem` says which).
const Api* api(std::string& problem);

struct MsiHandleTraits {
    using Handle = MSIHANDLE;
    static Handle empty() { return 0; }
    static void release(Handle handle);
};
using Handle = UniqueHandle<MsiHandleTraits>;

// The engine as the report names it: "Wine 8.0's msi.dll" under Wine, else "msi.dll of
// Windows". Wine's applies a transform without checking its error conditions.
std::string engineName();
bool checksErrorConditions();

// An installer result in words: "1624 (Error applying transforms. ...)".
std::string resultText(UINT result);

// Field `field` of `record` as text; nothing for a null field.
std::optional<std::string> fieldText(MSIHANDLE record, UINT field);
// Field 1 of every row the query finds; nothing when it fails.
std::vector<std::string> selectColumn(MSIHANDLE database, const std::string& sql);
// Every table of the database, as it reads now.
DatabaseSnapshot snapshot(MSIHANDLE database);

} // namespace setupcheck::msidll
