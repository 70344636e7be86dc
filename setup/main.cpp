// Process entry of setup.exe: a GUI program without a window of its own.
#include "platform/platform.h"
#include "setup/setup_app.h"

#include "platform/win32/windows_inc.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    platform::protectDllSearch();
    SetupApp app;
    return 1;
}
