// The one way from the launcher's core into the operating system. Two implementations are
// chosen at link time: platform/win32 (the real calls) and platform/sim (a scriptable
// Windows for native tests and tools). Nothing here includes <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// ---- The program --------------------------------------------------------------------------

// GetCommandLineW as one text (empty when the system gives none).
std::u16string commandLine();

// GetModuleHandleW(NULL) and GetModuleFileNameW. False when there is no module handle.
// The buffer grows until the path fits (up to 32,768 characters), so long paths are whole.
bool moduleFileName(std::u16string& path);

// Called once at process start: restricts the DLL search to the system folder where the
// system offers SetDefaultDllDirectories.
void protectDllSearch();

// ---- Files --------------------------------------------------------------------------------

// FindFirstFileW semantics: ASCII case-insensitive names, a folder counts as found.
bool fileExists(const std::u16string& path);

// A file opened for reading its bytes. Move-only; closes on destruction.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens for reading. On failure returns false and stores the errno value.
    bool open(const std::u16string& path, int& errnoValue);
    bool isOpen() const { return handle_ != nullptr; }
    // Length in bytes (seek to the end, tell, seek back). False when it cannot be found.
    bool length(std::uint64_t& size);
    // Reads up to `size` bytes at the current position; returns how many were read: fewer at
    // the end of the file, and where a read failed, which readFailed() then tells.
    std::size_t read(std::uint8_t* buffer, std::size_t size);
    // Whether a read of the open file failed (a locked region, a device error, a share that
    // went away), with the system's code for it (GetLastError's) in `systemError`. It stays
    // failed until the file is closed.
    bool readFailed(std::uint32_t& systemError) const;
    void close();

private:
    void* handle_ = nullptr;
    std::uint32_t readError_ = 0; // the system's code of the read that failed; 0: none did
};

constexpr int errnoNoEntry = 2;          // ENOENT
constexpr int errnoAccessDenied = 13;    // EACCES
constexpr int errnoInvalidArgument = 22; // EINVAL

// System error codes (GetLastError) of reads that fail after the open.
constexpr std::uint32_t errorCrc = 23;                // ERROR_CRC: a medium's bad sector
constexpr std::uint32_t errorReadFault = 30;          // ERROR_READ_FAULT
constexpr std::uint32_t errorLockViolation = 33;      // ERROR_LOCK_VIOLATION: a locked region
constexpr std::uint32_t errorNetworkNameDeleted = 64; // ERROR_NETNAME_DELETED: a share gone

// The C runtime's standard text for an errno value ("No such file or directory", ...).
std::u16string errnoText(int errnoValue);

// ---- Text ---------------------------------------------------------------------------------

// MultiByteToWideChar with CP_ACP / CP_UTF8 and no flags: invalid sequences are replaced.
std::u16string decodeAnsi(const std::uint8_t* data, std::size_t size);
std::u16string decodeUtf8(const std::uint8_t* data, std::size_t size);

// iswalnum.
bool isAlnum(char16_t c);
// GetStringTypeW(CT_CTYPE1) has C1_SPACE.
bool isSpace(char16_t c);

// ---- User interface -----------------------------------------------------------------------

constexpr std::uint32_t mbIconError = 0x10;
constexpr std::uint32_t mbIconInformation = 0x40;
constexpr std::uint32_t mbSystemModal = 0x1000;

// MessageBoxW without an owner window. A null caption is passed as NULL.
int messageBox(const std::u16string& text, const std::u16string* caption, std::uint32_t style);

// Writes text to the standard output as it stands; each LF reaches a file as CR LF.
void writeStdout(const std::u16string& text);

// ---- Language, region, Windows version ----------------------------------------------------

// GetUserDefaultLangID answers this for a custom user locale, whose language it cannot name.
constexpr std::uint16_t langIdCustomUserLocale = 0x0C00;

std::uint16_t userDefaultLangId();
std::uint16_t systemDefaultLangId();

// Locales and query types of GetLocaleInfoW, as the launcher passes them.
constexpr std::uint32_t localeUserDefault = 0x0400;        // LOCALE_USER_DEFAULT
constexpr std::uint32_t localeNoUserOverride = 0x80000000; // the locale's own value, not the user's
constexpr std::uint32_t localeCurrencySymbol = 0x14;       // LOCALE_SCURRENCY
constexpr std::uint32_t localeCountryNumber = 0x20000005;  // LOCALE_RETURN_NUMBER | LOCALE_ICOUNTRY
// Asked of the invariant locale with a one-character buffer, Windows Vista and later leave the
// language of a custom user locale in the buffer's low 16 bits.
constexpr std::uint32_t localeInvariant = 0x007F;
constexpr std::uint32_t localeCustomLanguageQuery = 0x2000006D;

// GetUserGeoID's class of nations.
constexpr std::uint32_t geoClassNation = 16;

// A Windows version: what GetVersionExW reports, what VerifyVersionInfoW compares against.
struct OsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint16_t servicePackMajor = 0;
    std::uint16_t servicePackMinor = 0;
};

// GetVersionExW with an OSVERSIONINFOW.
bool getVersionEx(OsVersion& version);

// GetLocaleInfoW with a numeric output (LOCALE_RETURN_NUMBER types): `value` is the buffer,
// `bufferChars` its length in characters as passed. Returns the call's result.
int getLocaleInfoNumber(std::uint32_t locale, std::uint32_t type, std::uint32_t& value,
                        int bufferChars);
// GetLocaleInfoW into a zeroed 512-character buffer; on success `text` is the value without
// its terminating NUL.
bool getLocaleInfoText(std::uint32_t locale, std::uint32_t type, std::u16string& text);

// GetKeyboardLayoutList into a zeroed LocalAlloc'ed list: the layout handles as numbers.
// False when the list cannot be had.
bool keyboardLayouts(std::vector<std::uintptr_t>& layouts);

// GetUserGeoID.
std::int32_t userGeoId(std::uint32_t geoClass);

// VerSetConditionMask and VerifyVersionInfoW with an OSVERSIONINFOEXW holding the version asked
// for.
using VersionRequirement = OsVersion;
constexpr std::uint32_t verMinorVersion = 0x01;
constexpr std::uint32_t verMajorVersion = 0x02;
constexpr std::uint32_t verBuildNumber = 0x04;
constexpr std::uint32_t verServicePackMinor = 0x10;
constexpr std::uint32_t verServicePackMajor = 0x20;
// The conditions VER_EQUAL .. VER_LESS_EQUAL.
enum VersionCondition : std::uint8_t {
    verEqual = 1,
    verGreater = 2,
    verGreaterEqual = 3,
    verLess = 4,
    verLessEqual = 5
};
std::uint64_t verSetConditionMask(std::uint64_t mask, std::uint32_t typeBit,
                                  std::uint8_t condition);
bool verifyVersionInfo(const VersionRequirement& required, std::uint32_t typeMask,
                       std::uint64_t conditionMask);

// ---- Processes, libraries, system services ------------------------------------------------

// CreateProcessW with `path` as the application name and no command line, then an unlimited
// wait; both handles closed. False when the process could not be created.
bool runProcessAndWait(const std::u16string& path);

using ModuleHandle = void*;
// Loads a DLL of the system folder by its full path, never through the search path.
ModuleHandle loadSystemLibrary(const std::u16string& name);
void* libraryProc(ModuleHandle module, const char* exportName);
void freeLibrary(ModuleHandle module);

// The product version of a system-folder DLL's fixed version information
// (dwProductVersionMS, dwProductVersionLS). False when it cannot be read.
bool systemDllProductVersion(const std::u16string& name, std::uint32_t& versionMs,
                             std::uint32_t& versionLs);

// FormatMessageW (FROM_SYSTEM | IGNORE_INSERTS | ALLOCATE_BUFFER, language 0x400).
bool systemErrorText(std::uint32_t code, std::u16string& text);

// CoInitialize(NULL); the HRESULT.
std::int32_t coInitialize();

} // namespace platform
