// installer_probe: one installer operation of the launcher per run, against the real msi.dll,
// printing "key=value" lines (UTF-8) on the standard output.
//
//   installer_probe inspect <package>        MsiPackage::inspect and every field it read
//   installer_probe install <package> <mode> <property string>
//                                            inspect, MsiSetInternalUI(2), MsiPackage::install
//   installer_probe state <code> <version> [<instance code>]
//                                            installedProductState
//   installer_probe runtime                  msiRuntimeVersion
//   installer_probe runsetup <path>          runRuntimeSetup, and what could be seen after it
//   installer_probe loaded                   the file the binding loaded
//   installer_probe loadbare                 LoadLibraryW("msi.dll") without the search
//                                            protection, as the launcher must never load it
//
// INSTALLER_PROBE_UNPROTECTED set: the DLL search is left as the system sets it.
//
// Started without arguments (as runRuntimeSetup starts a program), it plays the runtime's
// setup program: it sleeps INSTALLER_PROBE_SLEEP_MS milliseconds, then creates the file
// INSTALLER_PROBE_MARKER.
#include "installer/msi_library.h"
#include "installer/msi_package.h"
#include "installer/msi_runtime.h"
#include "platform/platform.h"

#include <windows.h>

#include <string>

namespace {

std::u16string u16(const wchar_t* s) {
    return std::u16string(reinterpret_cast<const char16_t*>(s));
}

void print(const std::u16string& key, const std::u16string& value) {
    std::wstring line(key.begin(), key.end());
    line += L"=";
    line.append(value.begin(), value.end());
    line += L"\n";
    int n = WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string bytes(std::size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), bytes.data(), n, nullptr,
                        nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), DWORD(n), &written, nullptr);
}

void print(const std::u16string& key, unsigned long value) {
    std::wstring text = std::to_wstring(value);
    print(key, std::u16string(text.begin(), text.end()));
}

std::wstring environment(const wchar_t* name) {
    wchar_t buffer[1024] = {};
    DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
    return n > 0 && n < 1024 ? std::wstring(buffer, n) : std::wstring();
}

int playSetupProgram() {
    std::wstring sleep = environment(L"INSTALLER_PROBE_SLEEP_MS");
    std::wstring marker = environment(L"INSTALLER_PROBE_MARKER");
    if (!sleep.empty())
        Sleep(DWORD(std::stoul(sleep)));
    if (!marker.empty()) {
        HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    return 0;
}

void printPackage(const MsiPackage& package) {
    print(u"productCode", package.packageProductCode());
    print(u"packageCode", package.packageCodeValue());
    print(u"productVersion", package.packageProductVersion());
    print(u"keyFileVersion", package.packageKeyFileVersion());
    print(u"instanceName", package.instanceName());
    print(u"instanceProductCode", package.instanceProductCode());
    print(u"databaseOpen", package.databaseHandle() != 0 ? 1ul : 0ul);
}

std::u16string modulePath(HMODULE module) {
    wchar_t path[MAX_PATH * 4] = {};
    DWORD n = GetModuleFileNameW(module, path, MAX_PATH * 4);
    return std::u16string(reinterpret_cast<const char16_t*>(path), n);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring command = argc >= 2 ? argv[1] : L"";
    // As the launcher does at start. "loadbare" shows what an unprotected bare-name load does;
    // INSTALLER_PROBE_UNPROTECTED shows that the binding's full-path load is safe on its own.
    if (command != L"loadbare" && environment(L"INSTALLER_PROBE_UNPROTECTED").empty())
        platform::protectDllSearch();
    if (argc < 2)
        return playSetupProgram();

    if (command == L"inspect" && argc == 3) {
        MsiPackage package;
        std::uint32_t r = package.inspect(u16(argv[2]));
        print(u"result", r);
        printPackage(package);
        return int(r);
    }
    if (command == L"install" && argc == 5) {
        MsiPackage package;
        print(u"inspect", package.inspect(u16(argv[2])));
        msiLibrary().setInternalUI(msi::uiLevelNone);
        std::uint32_t r = package.install(InstallMode(std::stoi(argv[3])), u16(argv[4]));
        print(u"result", r);
        print(u"databaseOpen", package.databaseHandle() != 0 ? 1ul : 0ul);
        return int(r);
    }
    if (command == L"state" && (argc == 4 || argc == 5)) {
        int state = int(installedProductState(u16(argv[2]), parseVersion(u16(argv[3])),
                                              argc == 5 ? u16(argv[4]) : std::u16string()));
        print(u"state", state == -1 ? std::u16string(u"-1") : std::u16string(1, u'0' + state));
        print(u"bindingLoaded", msiLibrary().isLoaded() ? 1ul : 0ul);
        return 0;
    }
    if (command == L"runtime" && argc == 2) {
        print(u"version", msiRuntimeVersion());
        return 0;
    }
    if (command == L"runsetup" && argc == 3) {
        std::wstring marker = environment(L"INSTALLER_PROBE_MARKER");
        msiLibrary().load();
        DWORD started = GetTickCount();
        bool ran = runRuntimeSetup(u16(argv[2]));
        DWORD elapsed = GetTickCount() - started;
        print(u"started", ran ? 1ul : 0ul);
        print(u"elapsedMs", elapsed);
        print(u"markerSeen",
              !marker.empty() && GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES
                  ? 1ul
                  : 0ul);
        print(u"bindingLoaded", msiLibrary().isLoaded() ? 1ul : 0ul);
        return 0;
    }
    if (command == L"loaded" && argc == 2) {
        bool loaded = msiLibrary().load();
        print(u"loaded", loaded ? 1ul : 0ul);
        print(u"path",
              loaded ? modulePath(static_cast<HMODULE>(msiLibrary().moduleHandle())) : u"");
        print(u"bound", static_cast<unsigned long>(msiLibrary().boundCount()));
        return 0;
    }
    if (command == L"loadbare" && argc == 2) {
        HMODULE module = LoadLibraryW(L"msi.dll");
        print(u"path", module ? modulePath(module) : u"");
        return 0;
    }
    print(u"error", u"unknown command or wrong arguments");
    return 87;
}
