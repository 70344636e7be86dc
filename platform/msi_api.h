// The Windows Installer entry points the launcher binds at run time: their one list, their
// signatures and the constants passed to them. The signatures use portable types of the same
// size and layout as the Win32 ones, so the binding code compiles unchanged against the real
// msi.dll and against the simulated installer, which builds its export table from the list.
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

// The entry points, in binding order: the export name and its pointer type above. The binding
// (installer/msi_library.h) makes one slot of each; the simulated msi.dll one export of each.
#define SETUP_MSI_ENTRY_POINTS(X)                                                                  \
    X(MsiOpenDatabaseW, OpenDatabaseW)                                                             \
    X(MsiOpenProductW, OpenProductW)                                                               \
    X(MsiOpenPackageW, OpenPackageW)                                                               \
    X(MsiGetProductPropertyW, GetProductPropertyW)                                                 \
    X(MsiGetProductInfoW, GetProductInfoW)                                                         \
    X(MsiSummaryInfoGetPropertyW, SummaryInfoGetPropertyW)                                         \
    X(MsiGetSummaryInformationW, GetSummaryInformationW)                                           \
    X(MsiDatabaseOpenViewW, DatabaseOpenViewW)                                                     \
    X(MsiInstallProductW, InstallProductW)                                                         \
    X(MsiCloseHandle, CloseHandle)                                                                 \
    X(MsiViewFetch, ViewFetch)                                                                     \
    X(MsiViewClose, ViewClose)                                                                     \
    X(MsiRecordGetStringW, RecordGetStringW)                                                       \
    X(MsiViewExecute, ViewExecute)                                                                 \
    X(MsiViewGetColumnInfo, ViewGetColumnInfo)                                                     \
    X(MsiRecordGetFieldCount, RecordGetFieldCount)                                                 \
    X(MsiSetInternalUI, SetInternalUI)                                                             \
    X(MsiEnableLogW, EnableLogW)

#define SETUP_MSI_COUNT_ONE(name, type) +1
constexpr int entryPointCount = 0 SETUP_MSI_ENTRY_POINTS(SETUP_MSI_COUNT_ONE);
#undef SETUP_MSI_COUNT_ONE

// MsiOpenDatabaseW's persistence argument MSIDBOPEN_READONLY: a null pointer.
inline constexpr LPCWSTR openReadOnly = nullptr;

// Summary-information property ids (PID_TEMPLATE, PID_REVNUMBER) and the types of their values
// (PROPVARIANT's VT_EMPTY, VT_I4, VT_LPSTR, VT_FILETIME).
enum SummaryProperty : UINT { pidTemplate = 7, pidRevisionNumber = 9 };
enum ValueType : UINT { vtEmpty = 0, vtI4 = 3, vtLpstr = 30, vtFiletime = 64 };

// MsiSetInternalUI's levels: INSTALLUILEVEL_DEFAULT (before anyone sets one), _NONE (a silent
// installation) and _FULL.
constexpr std::int32_t uiLevelDefault = 1;
constexpr std::int32_t uiLevelNone = 2;
constexpr std::int32_t uiLevelFull = 5;

// MsiEnableLogW: INSTALLLOGMODE_VERBOSE, and INSTALLLOGATTRIBUTES_FLUSHEACHLINE, so that the
// log is whole even when the installation ends abruptly.
constexpr DWORD logModeVerbose = 0x1000;
constexpr DWORD logFlushEachLine = 2;

// The results the binding, the simulated installer and the Windows Installer answer with, under
// their Windows names (ERROR_* in winerror.h).
constexpr UINT errorSuccess = 0;
constexpr UINT errorInvalidFunction = 1;
constexpr UINT errorFileNotFound = 2;
constexpr UINT errorInvalidHandle = 6;
constexpr UINT errorInvalidParameter = 87;
constexpr UINT errorOpenFailed = 110;
constexpr UINT errorMoreData = 234;
constexpr UINT errorNoMoreItems = 259;
constexpr UINT errorInstallServiceFailure = 1601;
constexpr UINT errorInstallUserExit = 1602;
constexpr UINT errorInstallFailure = 1603;
constexpr UINT errorInstallSuspend = 1604;
constexpr UINT errorUnknownProduct = 1605;
constexpr UINT errorUnknownProperty = 1608;
constexpr UINT errorBadQuerySyntax = 1615;
constexpr UINT errorInstallAlreadyRunning = 1618;
constexpr UINT errorInstallPackageOpenFailed = 1619;
constexpr UINT errorInstallPackageInvalid = 1620;
constexpr UINT errorInstallLogFailure = 1622;
constexpr UINT errorInstallTransformFailure = 1624;
constexpr UINT errorInstallPackageRejected = 1625;
constexpr UINT errorFunctionFailed = 1627;
constexpr UINT errorInstallPlatformUnsupported = 1633;
constexpr UINT errorProductVersion = 1638;
constexpr UINT errorInvalidCommandLine = 1639;
constexpr UINT errorSuccessRebootInitiated = 1641;
constexpr UINT errorSuccessRebootRequired = 3010;

// An installation that went through: done, done with a restart still needed, or done with the
// restart already started. The launcher shows no error box for these, and setup-check counts
// them as a predicted success.
constexpr UINT installSuccesses[] = {errorSuccess, errorSuccessRebootRequired,
                                     errorSuccessRebootInitiated};
constexpr bool installSucceeded(UINT result) {
    for (UINT success : installSuccesses)
        if (result == success)
            return true;
    return false;
}

// What a deployment tool should do when an installation ends with a code: count it a success,
// a success that needs a restart (soft: the user restarts; hard: Windows is restarting), try
// again later, or a failure.
enum class DeploymentAction { success, softReboot, hardReboot, retry, failed };

// One exit code of setup.exe: 1 when the launcher refuses to start, else the Windows
// Installer's own result. The meanings follow the Windows Installer's "Error Codes" and
// "Windows Installer Error Messages" pages, in the launcher's words.
struct ExitCodeRow {
    UINT code;
    const char* name; // the Windows name
    const char* meaning;
    DeploymentAction action;
};

// Every exit code a deployment of setup.exe meets, in the order of their numbers. setup.exe
// itself carries none of this text: only setup-check and its deployment forms read it.
inline constexpr ExitCodeRow exitCodes[] = {
    {errorSuccess, "ERROR_SUCCESS", "installed (or removed)", DeploymentAction::success},
    {errorInvalidFunction, "ERROR_INVALID_FUNCTION",
     "the launcher did not start the installation: Windows is older than Setup.ini accepts, "
     "Setup.ini is missing or cannot be read, or /? was given (msi.dll lacking an entry point "
     "answers the same)",
     DeploymentAction::failed},
    {errorInstallServiceFailure, "ERROR_INSTALL_SERVICE_FAILURE",
     "the Windows Installer service could not be reached", DeploymentAction::failed},
    {errorInstallUserExit, "ERROR_INSTALL_USEREXIT", "the user cancelled the installation",
     DeploymentAction::failed},
    {errorInstallFailure, "ERROR_INSTALL_FAILURE",
     "a fatal error during the installation (the installer's log says which)",
     DeploymentAction::failed},
    {errorInstallSuspend, "ERROR_INSTALL_SUSPEND", "the installation was suspended, incomplete",
     DeploymentAction::failed},
    {errorUnknownProduct, "ERROR_UNKNOWN_PRODUCT",
     "the product is not installed (a removal by product code of a product that is not there)",
     DeploymentAction::failed},
    {errorInstallAlreadyRunning, "ERROR_INSTALL_ALREADY_RUNNING",
     "another installation is in progress: try again when it has ended", DeploymentAction::retry},
    {errorInstallPackageOpenFailed, "ERROR_INSTALL_PACKAGE_OPEN_FAILED",
     "the package could not be opened: it is missing or its path is too long",
     DeploymentAction::failed},
    {errorInstallPackageInvalid, "ERROR_INSTALL_PACKAGE_INVALID",
     "the file is no valid Windows Installer package", DeploymentAction::failed},
    {errorInstallLogFailure, "ERROR_INSTALL_LOG_FAILURE",
     "the log file (/debuglog) could not be opened for writing", DeploymentAction::failed},
    {errorInstallTransformFailure, "ERROR_INSTALL_TRANSFORM_FAILURE",
     "a transform could not be applied", DeploymentAction::failed},
    {errorInstallPackageRejected, "ERROR_INSTALL_PACKAGE_REJECTED",
     "the installation is forbidden by system policy", DeploymentAction::failed},
    {errorInstallPlatformUnsupported, "ERROR_INSTALL_PLATFORM_UNSUPPORTED",
     "the package is not for this processor type", DeploymentAction::failed},
    {errorProductVersion, "ERROR_PRODUCT_VERSION",
     "another version of the product is installed: remove it by its product code first, or "
     "install a package that upgrades it",
     DeploymentAction::failed},
    {errorInvalidCommandLine, "ERROR_INVALID_COMMAND_LINE",
     "the installer cannot read its command line", DeploymentAction::failed},
    {errorSuccessRebootInitiated, "ERROR_SUCCESS_REBOOT_INITIATED",
     "installed; the installer has started a restart", DeploymentAction::hardReboot},
    {errorSuccessRebootRequired, "ERROR_SUCCESS_REBOOT_REQUIRED",
     "installed; a restart is needed to complete it", DeploymentAction::softReboot},
};

} // namespace msi
