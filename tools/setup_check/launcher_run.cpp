#include "tools/setup_check/launcher_run.h"

#include "config/ini_file.h"
#include "installer/msi_library.h"
#include "installer/msi_package.h"
#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_msi.h"
#include "platform/wtext.h"
#include "setup/entry.h"
#include "tools/setup_check/predicted_installer.h"
#include "tools/setup_check/text.h"

#include <algorithm>
#include <cctype>

namespace {

// A fresh simulated machine scripted with the profile, the medium mapped onto the launcher's
// folder.
void prepare(const std::string& hostFolder, const Profile& profile, const std::string& arguments,
             const Placement& at, LauncherRun& run) {
    // The process-wide binding points into the simulated library; drop it before the
    // machine is made anew.
    msiLibrary().unload();
    sim::reset();
    applyToMachine(profile);
    // A drive's root is mapped as "C:": the simulated file system resolves a mapped folder
    // only when a backslash follows its name, which "C:\" never has.
    const std::u16string folder = at.windowsFolder();
    sim::mount(folder.size() == 3 ? folder.substr(0, 2) : folder.substr(0, folder.size() - 1),
               hostFolder);
    const std::u16string launcher = utf16(at.launcherPath());
    sim::machine().modulePath = launcher;
    sim::machine().commandLine =
        u"\"" + launcher + u"\"" + (arguments.empty() ? u"" : u" " + utf16(arguments));
    predictInstaller(profile, folder, run.package, run.record, run.verdict);
}

void collect(LauncherRun& run) {
    for (const sim::MessageBoxCall& call : sim::machine().messageBoxes)
        run.boxes.push_back({utf8(call.caption), call.captionIsNull, call.style, utf8(call.text)});
    if (!sim::msi().installs.empty()) {
        const sim::MsiInstallCall& call = sim::msi().installs.back();
        run.installer = InstallerCall{utf8(call.packagePath), utf8(call.commandLine), call.uiLevel,
                                      call.logEnabled ? utf8(call.logFile) : std::string()};
    }
    run.standardOutput = utf8(sim::machine().standardOutput);
    for (const std::u16string& path : sim::machine().processesRun)
        run.processesRun.push_back(utf8(path));
}

} // namespace

std::u16string Placement::windowsFolder() const {
    const std::u16string path = utf16(folder);
    return !path.empty() && path.back() == u'\\' ? path : path + u"\\";
}

std::string Placement::launcherPath() const {
    return utf8(windowsFolder()) + exe;
}

bool normalisePlacement(Placement& placement, std::string& error) {
    std::string& folder = placement.folder;
    std::replace(folder.begin(), folder.end(), '/', '\\');
    const bool drive = folder.size() >= 3 && std::isalpha(static_cast<unsigned char>(folder[0])) &&
                       folder[1] == ':' && folder[2] == '\\';
    if (!drive || folder.find("\\\\") != std::string::npos) {
        error = "--at needs an absolute Windows folder such as C:\\media or C:\\, not \"" + folder +
                "\"";
        return false;
    }
    while (folder.size() > 3 && folder.back() == '\\')
        folder.pop_back();
    const std::string& exe = placement.exe;
    if (exe.empty() || exe.find_first_of("\\/:\"") != std::string::npos) {
        error = "--exe needs a file name such as setup.exe, not \"" + exe + "\"";
        return false;
    }
    return true;
}

LauncherRun runLauncher(const std::string& hostFolder, const Profile& profile,
                        const std::string& arguments, const Placement& placement) {
    LauncherRun run;
    prepare(hostFolder, profile, arguments, placement, run);
    run.exitCode = runSetup(&run.record);
    collect(run);
    msiLibrary().unload();
    // The installer's answers hold on to this run; no later run may reach them.
    sim::msi().onOpen = nullptr;
    sim::msi().onInstall = nullptr;
    return run;
}
