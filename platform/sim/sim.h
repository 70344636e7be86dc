// The simulated Windows: a test or tool scripts the machine here, runs the core, and reads
// back what the core did. Everything lives in one process-wide Machine, reset between cases.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct MessageBoxCall {
    std::u16string text;
    bool captionIsNull = false;
    std::u16string caption;
    std::uint32_t style = 0;
};

// What one system-folder library exports: name -> address. A missing name is a missing export.
struct Library {
    std::map<std::string, void*> exports;
};

struct Machine {
    // The program.
    std::u16string commandLine = u"\"C:\\media\\setup.exe\"";
    bool hasModuleHandle = true;
    std::u16string modulePath = u"C:\\media\\setup.exe";
    // When set, GetModuleFileNameW behaves as on Windows XP: a path that does not fit comes
    // back cut to the buffer, without a NUL and without an error.
    bool moduleFileNameXpStyle = false;
    bool hasSetDefaultDllDirectories = true;

    // Language and region.
    std::uint16_t userLangId = 0x0409;
    std::uint16_t systemLangId = 0x0409;
    // GetACP: the code page text without a byte-order mark is decoded in (CP_ACP). Windows takes
    // it from the system locale; a test or tool scripting another system language sets it too.
    std::uint32_t ansiCodePage = 1252;
    bool getVersionSucceeds = true;
    platform::OsVersion version{6, 1, 7601, 1, 0};
    // GetLocaleInfoW(0x7F, 0x2000006D, ...) for a custom user locale: the call's result and
    // the value it leaves.
    int customLocaleResult = 1;
    std::uint32_t customLocaleValue = 0x0409;
    std::vector<std::uintptr_t> keyboardLayouts{0x04090409};
    bool keyboardListSucceeds = true;
    // LOCALE_ICOUNTRY of a language; languages not listed fail the query.
    std::map<std::uint16_t, std::uint32_t> countryCodeOfLanguage;
    std::optional<std::u16string> currency = u"$";
    std::optional<std::uint32_t> userCountryCode = 1;
    std::int32_t geoId = 244;

    // System services.
    std::int32_t coInitializeResult = 0;
    std::map<std::uint32_t, std::u16string> errorTexts;
    // Starting a program: whether it can be created, and what it does while it runs.
    bool processCreationSucceeds = true;
    std::function<void(const std::u16string& path)> onProcessRun;
    // Libraries of the system folder by lower-case name ("msi.dll").
    std::map<std::u16string, Library> libraries;
    // Product versions of system DLLs by lower-case name.
    std::map<std::u16string, std::pair<std::uint32_t, std::uint32_t>> dllProductVersions;

    // Recorded.
    std::vector<MessageBoxCall> messageBoxes;
    std::u16string standardOutput;
    std::vector<std::u16string> processesRun;
    std::vector<std::u16string> librariesLoaded; // full paths
    int librariesOpen = 0;
    // The order of what happened to libraries, programs and packages: "load msi.dll",
    // "free msi.dll", "run <path>" for a program started, "open <path>" for a package database.
    std::vector<std::u16string> events;
    bool dllSearchProtected = false;
};

Machine& machine();

// A fresh machine and an empty file system.
void reset();

// The simulated file system. Paths are Windows paths; names match without regard to ASCII
// case. A file can hold bytes in memory, or a Windows folder prefix can be mapped onto a
// folder of the host (`mount`), the way the medium-check tool sees a real medium.
void addFile(const std::u16string& path, const std::string& bytes);
void addDirectory(const std::u16string& path);
void removeFile(const std::u16string& path);
// Makes a length query on the file answer `length` whatever its bytes: more than it holds is a
// file that shrinks while it is read, a huge one a file too large to hold.
void setReportedLength(const std::u16string& path, std::uint64_t length);
// Makes the file at `path` fail to be read from byte `offset` on, as a locked region, a bad
// sector of a CD or a share that goes away make a read fail after the open: the file opens, a
// read gives the bytes before `offset`, and any read that reaches it fails with the system
// error `systemError` (GetLastError's code, such as platform::errorLockViolation).
void failReadsFrom(const std::u16string& path, std::uint64_t offset, std::uint32_t systemError);
void mount(const std::u16string& windowsFolder, const std::string& hostFolder);
// `path` as Windows makes a full path of it (GetFullPathNameW): "/" read as a backslash, "."
// and ".." components resolved by their names alone, never above the drive or the share, letter
// case kept. Every path the simulated file system is given is resolved so.
std::u16string fullPath(const std::u16string& path);
// The host file a mounted Windows path names (matched as FindFirstFileW matches), if any.
std::optional<std::string> hostFileOf(const std::u16string& windowsPath);

// Whether text in `codePage` (a Windows code page number, 1251) can be decoded by this build of
// the simulation, and so be the machine's ANSI code page.
bool codePageAvailable(std::uint32_t codePage);

// The folder that stands for the system folder ("C:\windows\system32").
std::u16string systemFolder();

} // namespace sim
