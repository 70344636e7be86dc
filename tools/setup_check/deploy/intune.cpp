// The deployment as the JSON body of Microsoft Graph's win32LobApp (beta): what the Intune
// administrator posts to deviceAppManagement/mobileApps once the medium is wrapped as an
// .intunewin file.
#include "tools/setup_check/deploy/forms.h"
#include "tools/setup_check/reports/json_writer.h"

namespace setupcheck {

namespace {

std::string odata(const char* type) {
    return std::string("#microsoft.graph.") + type;
}

const char* packageType(const Deployment& d) {
    if (d.dualPurpose)
        return "dualPurpose";
    return d.context == InstallContext::perUser ? "perUser" : "perMachine";
}

void returnCodes(JsonWriter& j) {
    j.beginArray("returnCodes");
    for (const msi::ExitCodeRow& row : msi::exitCodes)
        j.beginObject()
            .string("@odata.type", odata("win32LobAppReturnCode"))
            .number("returnCode", row.code)
            .string("type", actionName(row.action))
            .endObject();
    j.endArray();
}

void requirements(JsonWriter& j, const Deployment& d) {
    std::string architectures;
    for (Architecture a : d.architectures)
        architectures += (architectures.empty() ? "" : ",") + std::string(architectureName(a));
    j.string("allowedArchitectures", architectures);
    const WindowsRelease release = intuneRelease(d.oldestRelease);
    j.beginObject("minimumSupportedOperatingSystem")
        .string("@odata.type", odata("windowsMinimumOperatingSystem"))
        .boolean(intuneFlagFor(release), true)
        .endObject();
    j.string("minimumSupportedWindowsRelease", release.name);
}

} // namespace

std::string intuneBody(const Deployment& d) {
    JsonWriter j;
    j.beginObject().string("@odata.type", odata("win32LobApp"));
    j.string("displayName", d.productName).string("description", d.productName);
    j.string("publisher", d.publisher).string("displayVersion", d.version);
    // IntuneWinAppUtil names the wrapped medium after its setup file.
    const std::string exe = d.install.program;
    j.string("fileName", exe.substr(0, exe.rfind('.')) + ".intunewin");
    j.string("setupFilePath", exe);
    j.string("installCommandLine", d.install.line());
    j.string("uninstallCommandLine", d.uninstall.line());
    requirements(j, d);
    j.beginObject("installExperience")
        .string("@odata.type", odata("win32LobAppInstallExperience"))
        .string("runAsAccount", d.context == InstallContext::perUser ? "user" : "system")
        .string("deviceRestartBehavior", "basedOnReturnCode")
        .endObject();
    returnCodes(j);
    j.beginArray("detectionRules")
        .beginObject()
        .string("@odata.type", odata("win32LobAppProductCodeDetection"))
        .string("productCode", d.productCode)
        .string("productVersionOperator", "equal")
        .string("productVersion", d.version)
        .endObject()
        .endArray();
    j.beginObject("msiInformation")
        .string("@odata.type", odata("win32LobAppMsiInformation"))
        .string("productCode", d.productCode)
        .string("productVersion", d.version)
        .string("upgradeCode", d.upgradeCode)
        .boolean("requiresReboot", d.restartAsked)
        .string("packageType", packageType(d))
        .string("productName", d.productName)
        .string("publisher", d.publisher)
        .endObject();
    j.endObject();
    return j.text();
}

} // namespace setupcheck
