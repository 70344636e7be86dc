#include "tools/setup_check/explain/msiexec_line.h"

#include "installer/msi_package.h"
#include "platform/msi_api.h"
#include "tools/setup_check/basics/text.h"

namespace setupcheck {

namespace {

const char* modeSwitch(InstallMode mode) {
    switch (mode) {
    case InstallMode::Uninstall:
        return "/x";
    case InstallMode::AdminInstall:
        return "/a";
    case InstallMode::Install:
        break;
    }
    return "/i";
}

// msiexec's /q switches for the interface levels the launcher sets.
const char* interfaceSwitch(std::int32_t uiLevel) {
    switch (uiLevel) {
    case msi::uiLevelNone:
        return " /qn";
    case 3: // INSTALLUILEVEL_BASIC
        return " /qb";
    case 4: // INSTALLUILEVEL_REDUCED
        return " /qr";
    default:
        return "";
    }
}

} // namespace

std::string msiexecCommandLine(const DecisionRecord& record) {
    if (!record.installer.called)
        return {};
    const InstallMode mode = record.commandLine.mode;
    std::u16string properties = record.installer.commandLine;
    // The switch stands for the mode's own property, which the launcher put in front.
    const std::u16string prefix = installerCommandLine(mode, u"");
    if (properties.compare(0, prefix.size(), prefix) == 0)
        properties.erase(0, prefix.size());
    std::string line = std::string("msiexec ") + modeSwitch(mode) + " \"" +
                       utf8(record.package.path) + "\"" +
                       interfaceSwitch(std::int32_t(record.commandLine.uiLevel));
    // The launcher logs in verbose mode (INSTALLLOGMODE_VERBOSE), flushing each line.
    if (!record.commandLine.logFile.empty())
        line += " /lv! \"" + utf8(record.commandLine.logFile) + "\"";
    const std::size_t start = properties.find_first_not_of(u' ');
    if (start != std::u16string::npos)
        line += " " + utf8(properties.substr(start));
    return line;
}

} // namespace setupcheck
