#include "installer/msi_runtime.h"

#include "installer/msi_library.h"
#include "platform/platform.h"
#include "platform/wtext.h"

std::u16string msiRuntimeVersion() {
    if (!msiLibrary().isLoaded() && !msiLibrary().load())
        return {};
    // The same system-folder file that was loaded, never whichever msi.dll a search finds.
    std::uint32_t ms = 0;
    std::uint32_t ls = 0;
    if (!platform::systemDllProductVersion(u"msi.dll", ms, ls))
        return {};
    return wtext::formatDecimal(ms >> 16) + u"." + wtext::formatDecimal(ms & 0xFFFF) + u"." +
           wtext::formatDecimal(ls >> 16) + u"." + wtext::formatDecimal(ls & 0xFFFF);
}

bool runRuntimeSetup(const std::u16string& path) {
    if (!platform::fileExists(path))
        return false;
    // The runtime's setup replaces msi.dll, so the launcher must not hold it while it runs.
    msiLibrary().unload();
    bool started = platform::runProcessAndWait(path);
    msiLibrary().load();
    return started;
}

RuntimeUpdate updateRuntimeIfOlder(const VersionQuad& required,
                                   const std::u16string& setupProgramPath) {
    RuntimeUpdate update;
    update.installedVersion = msiRuntimeVersion();
    update.older = compareVersions(parseVersion(update.installedVersion), required) < 0;
    update.setupStarted = update.older && runRuntimeSetup(setupProgramPath);
    return update;
}
