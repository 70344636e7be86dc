#include "tools/setup_check/run/launcher_run.h"

#include "platform/sim/sim.h"
#include "platform/sim/sim_msi.h"
#include "setup/entry.h"
#include "tools/setup_check/basics/text.h"

namespace setupcheck {

namespace {

void collect(const SimulatedMachine& machine, LauncherRun& run) {
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
    run.packageFound = machine.isRegularFile(run.record.package.path);
}

} // namespace

LauncherRun runLauncher(SimulatedMachine& machine, const std::string& arguments) {
    LauncherRun run;
    PredictedInstaller installer(machine);
    const std::u16string launcher = utf16(machine.placement().launcherPath());
    sim::machine().commandLine =
        u"\"" + launcher + u"\"" + (arguments.empty() ? u"" : u" " + utf16(arguments));
    // The installer's answers read the record the launcher is writing; they end with the run.
    sim::msi().onOpen = [&installer, &run](const std::u16string& path) {
        return installer.open(path, run.record);
    };
    sim::msi().onInstall = [&installer, &run](const sim::MsiInstallCall& call) {
        return installer.install(call, run.record);
    };
    run.exitCode = runSetup(&run.record);
    sim::msi().onOpen = nullptr;
    sim::msi().onInstall = nullptr;
    collect(machine, run);
    run.package = installer.identity();
    run.verdict = installer.verdict();
    run.installs = installer.installs();
    return run;
}

} // namespace setupcheck
