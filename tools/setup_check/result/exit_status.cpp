#include "tools/setup_check/result/exit_status.h"

#include "platform/msi_api.h"

namespace setupcheck {

ExitStatus runStatus(const CheckResult& result) {
    if (!result.started())
        return ExitStatus::LauncherRefuses;
    return msi::installSucceeded(result.run.exitCode) ? ExitStatus::Succeeds
                                                      : ExitStatus::InstallerFails;
}

bool warningsCount(const std::vector<CheckResult>& results, Strictness strictness) {
    for (const CheckResult& r : results)
        for (const Warning& w : r.warnings)
            if (strictness == Strictness::All ||
                (strictness == Strictness::Medium && w.kind().scope == Scope::Medium))
                return true;
    return false;
}

ExitStatus checkStatus(const std::vector<CheckResult>& results, Strictness strictness) {
    bool fails = false;
    for (const CheckResult& r : results) {
        const ExitStatus status = runStatus(r);
        if (status == ExitStatus::LauncherRefuses)
            return status;
        fails = fails || status == ExitStatus::InstallerFails;
    }
    if (fails)
        return ExitStatus::InstallerFails;
    return warningsCount(results, strictness) ? ExitStatus::StrictWarnings : ExitStatus::Succeeds;
}

const char* statusName(ExitStatus status) {
    static const char* const names[] = {"succeeds", "launcher_refuses", "usage_error",
                                        "installer_fails", "strict_warnings"};
    return names[static_cast<int>(status)];
}

std::string exitStatusHelp() {
    return "Exit status (with several profiles, the first that applies to any of them, in the\n"
           "order 1, 3, 4):\n"
           "  0  the installer is called and predicted to succeed (0, 3010 or 1641)\n"
           "  1  the launcher refuses: it ends without calling the installer\n"
           "  2  usage error of setup-check itself\n"
           "  3  the installer is called and predicted to fail (e.g. 1619, 1624, 1638)\n"
           "  4  predicted to succeed, but --strict counts warnings\n";
}

} // namespace setupcheck
