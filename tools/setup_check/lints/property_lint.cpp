#include "tools/setup_check/lints/property_lint.h"

#include "installer/msi_package.h"
#include "platform/wtext.h"
#include "setup/property_string.h"
#include "setup/setup_ini.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/medium/settings_read.h"
#include "tools/setup_check/run/installer_properties.h"

namespace setupcheck {

namespace {

struct LauncherProperty {
    const char16_t* name; // the launcher's own constant
    const char* when;     // the runs in which the launcher sets it
};

// The runs in which the launcher adds each of its properties (SetupApp::run and
// installerCommandLine).
const LauncherProperty launcherProperties[] = {
    {installerProperty::transforms,
     "in every run that finds a language transform beside it or an installed instance"},
    {installerProperty::country,
     "in a run without /l whose machine the Ukraine rule points to Ukraine"},
    {installerProperty::action, "with /a, an administrative installation (ACTION=ADMIN)"},
    {installerProperty::remove, "with /x, a removal (REMOVE=ALL)"},
    {installerProperty::setupExeDir, "with /a, an administrative installation"},
    {installerProperty::setupExeName, "with /a, an administrative installation"},
};

} // namespace

void lintLauncherProperties(Lint& lint, const IniReading& settings, const DecisionRecord& record) {
    for (const PropertySetting& setting :
         propertySettings(lookedUp(record, setupIni::startup, setupIni::cmdLine)))
        for (const LauncherProperty& own : launcherProperties) {
            if (!wtext::equalsNoCaseAscii(setting.name, own.name))
                continue;
            const std::string name = utf8(own.name);
            lint.add(WarningId::propertySetByLauncher, settingsFileName(),
                     settings.positions.keyLine(setupIni::startup, setupIni::cmdLine),
                     "CmdLine sets " + utf8(setting.name) + ", which the launcher sets itself " +
                         own.when + ": CmdLine reaches the installer in every run, so in those " +
                         "runs " + name + " stands twice on the installer's command line, and " +
                         "in all others CmdLine's " + name + "=" + utf8(setting.value) +
                         " takes effect");
        }
}

} // namespace setupcheck
