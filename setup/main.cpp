// Process entry of setup.exe: a GUI program without a window of its own.
#include "platform/platform.h"
#include "setup/entry.h"

#include "platform/win32/windows_inc.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    platform::protectDllSearch();
    return static_cast<int>(runSetup());
}
