// Signatures of the Windows Installer entry points the launcher binds at run time, written
// with portable types of the same size and layout as the Win32 ones, so the binding code
// compiles unchanged against the real msi.dll and against the simulated installer.
#pragma once

#include <cstdint>

#if defined(_WIN32) && defined(__i386__)
#define SETUP_WINAPI __attribute__((stdcall))
#else
#define SETUP_WINAPI
#endif

namespace msi {

using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using MSIHANDLE = std::uint32_t;
using LPCWSTR = const char16_t*;
using LPWSTR = char16_t*;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

using OpenDatabaseW = UINT(SETUP_WINAPI*)(LPCWSTR path, LPCWSTR persist, MSIHANDLE* database);
using OpenProductW = UINT(SETUP_WINAPI*)(LPCWSTR product, MSIHANDLE* handle);
using OpenPackageW = UINT(SETUP_WINAPI*)(LPCWSTR packagePath, MSIHANDLE* handle);
using GetProductPropertyW = UINT(SETUP_WINAPI*)(MSIHANDLE product, LPCWSTR property, LPWSTR buffer,
                                                DWORD* size);
using GetProductInfoW = UINT(SETUP_WINAPI*)(LPCWSTR product, LPCWSTR attribute, LPWSTR buffer,
                                            DWORD* size);
using SummaryInfoGetPropertyW = UINT(SETUP_WINAPI*)(MSIHANDLE summary, UINT property,
                                                    UINT* dataType, std::int32_t* intValue,
                                                    FILETIME* fileTime, LPWSTR buffer, DWORD* size);
using GetSummaryInformationW = UINT(SETUP_WINAPI*)(MSIHANDLE database, LPCWSTR path,
                                                   UINT updateCount, MSIHANDLE* summary);
using DatabaseOpenViewW = UINT(SETUP_WINAPI*)(MSIHANDLE database, LPCWSTR query, MSIHANDLE* view);
using InstallProductW = UINT(SETUP_WINAPI*)(LPCWSTR packagePath, LPCWSTR commandLine);
using CloseHandle = UINT(SETUP_WINAPI*)(MSIHANDLE handle);
using ViewFetch = UINT(SETUP_WINAPI*)(MSIHANDLE view, MSIHANDLE* record);
using ViewClose = UINT(SETUP_WINAPI*)(MSIHANDLE view);
using RecordGetStringW = UINT(SETUP_WINAPI*)(MSIHANDLE record, UINT field, LPWSTR buffer,
                                             DWORD* size);
using ViewExecute = UINT(SETUP_WINAPI*)(MSIHANDLE view, MSIHANDLE params);
using ViewGetColumnInfo = UINT(SETUP_WINAPI*)(MSIHANDLE view, std::int32_t columnInfo,
                                              MSIHANDLE* record);
using RecordGetFieldCount = UINT(SETUP_WINAPI*)(MSIHANDLE record);
using SetInternalUI = std::int32_t(SETUP_WINAPI*)(std::int32_t uiLevel, void** window);
using EnableLogW = UINT(SETUP_WINAPI*)(DWORD logMode, LPCWSTR logFile, DWORD attributes);

constexpr UINT errorSuccess = 0;
constexpr UINT errorInvalidFunction = 1;
constexpr UINT errorFileNotFound = 2;
constexpr UINT errorMoreData = 234;
constexpr UINT errorNoMoreItems = 259;
constexpr UINT errorUnknownProduct = 1605;
constexpr UINT errorInstallUserExit = 1602;

} // namespace msi
