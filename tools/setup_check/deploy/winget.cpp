// The deployment as a winget package: the medium as a zip whose nested installer is the
// launcher, and the multi-file manifest (version, installer, default locale) in the schema it
// declares, each file named as the community repository names it.
#include "tools/setup_check/deploy/archive.h"
#include "tools/setup_check/deploy/forms.h"
#include "tools/setup_check/reports/json_writer.h"
#include "tools/setup_check/reports/tool_version.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace setupcheck {

namespace fs = std::filesystem;

namespace {

constexpr char manifestVersion[] = "1.12.0";
constexpr char defaultLocale[] = "en-US";

// What winget's manifest schema says of each exit code it does not count a failure plainly.
const char* wingetResponse(std::uint32_t code) {
    switch (code) {
    case msi::errorInstallUserExit:
        return "cancelledByUser";
    case msi::errorInstallAlreadyRunning:
        return "installInProgress";
    case msi::errorInstallPackageRejected:
        return "blockedByPolicy";
    case msi::errorInstallPlatformUnsupported:
        return "systemNotSupported";
    case msi::errorProductVersion:
        return "alreadyInstalled";
    case msi::errorInvalidCommandLine:
        return "invalidParameter";
    case msi::errorSuccessRebootRequired:
        return "rebootRequiredToFinish";
    case msi::errorSuccessRebootInitiated:
        return "rebootInitiated";
    default:
        return "contactSupport";
    }
}

// A YAML scalar in double quotes: JSON's string literal is one.
std::string quoted(const std::string& text) {
    return JsonWriter::quoted(text);
}

std::string head(const char* type, const std::string& id, const std::string& version) {
    return std::string("# yaml-language-server: $schema=https://aka.ms/winget-manifest.") + type +
           "." + manifestVersion + ".schema.json\n# Made by setup-check " + toolVersion +
           " from the medium's own launcher run.\n\nPackageIdentifier: " + id +
           "\nPackageVersion: " + quoted(version) + "\n";
}

std::string tail(const char* type) {
    return std::string("ManifestType: ") + type + "\nManifestVersion: " + manifestVersion + "\n";
}

std::string returnCodes() {
    std::string success = "InstallerSuccessCodes:\n", expected = "ExpectedReturnCodes:\n";
    for (const msi::ExitCodeRow& row : msi::exitCodes) {
        if (row.code == msi::errorSuccess)
            continue;
        if (msi::installSucceeded(row.code))
            success += "- " + std::to_string(row.code) + "\n";
        expected += "- InstallerReturnCode: " + std::to_string(row.code) +
                    "\n  ReturnResponse: " + wingetResponse(row.code) + "\n";
    }
    return success + expected;
}

const char* wingetArchitecture(const std::string& platform) {
    if (platform == "x64" || platform == "AMD64")
        return "x64";
    if (platform == "Arm64")
        return "arm64";
    if (platform == "Arm")
        return "arm";
    return "x86";
}

std::string installerManifest(const Deployment& d, const std::string& id,
                              const WingetRequest& request, const std::string& sha256) {
    std::ostringstream m;
    m << head("installer", id, d.version);
    m << "MinimumOSVersion: 10.0." << d.oldestRelease.build << ".0\n";
    m << "InstallerType: zip\nNestedInstallerType: exe\nNestedInstallerFiles:\n";
    m << "- RelativeFilePath: " << quoted(d.install.program) << "\n";
    const bool perUser = d.context == InstallContext::perUser;
    m << "Scope: " << (perUser ? "user" : "machine") << "\n";
    m << "InstallModes:\n- silent\n- silentWithProgress\nInstallerSwitches:\n";
    m << "  Silent: " << quoted(d.install.arguments) << "\n";
    m << "  SilentWithProgress: " << quoted(d.install.arguments) << "\n";
    m << returnCodes();
    m << "ProductCode: " << quoted(d.productCode) << "\n";
    m << "AppsAndFeaturesEntries:\n- DisplayName: " << quoted(d.productName)
      << "\n  Publisher: " << quoted(d.publisher) << "\n  DisplayVersion: " << quoted(d.version)
      << "\n  ProductCode: " << quoted(d.productCode) << "\n";
    if (!d.upgradeCode.empty())
        m << "  UpgradeCode: " << quoted(d.upgradeCode) << "\n";
    m << "  InstallerType: msi\n";
    if (!perUser)
        m << "ElevationRequirement: elevationRequired\n";
    m << "Installers:\n- Architecture: " << wingetArchitecture(d.platform)
      << "\n  InstallerUrl: " << quoted(request.url) << "\n  InstallerSha256: " << sha256 << "\n";
    m << tail("installer");
    return m.str();
}

std::string localeManifest(const Deployment& d, const std::string& id) {
    std::ostringstream m;
    m << head("defaultLocale", id, d.version);
    m << "PackageLocale: " << defaultLocale << "\nPublisher: " << quoted(d.publisher)
      << "\nPackageName: " << quoted(d.productName) << "\n";
    m << "# The package states neither its licence nor a description: put them here.\n";
    m << "License: " << quoted("not stated in the package") << "\n";
    m << "ShortDescription: " << quoted(d.productName) << "\n";
    m << tail("defaultLocale");
    return m.str();
}

Status writeFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return out ? Status() : Status(Failure{path.string() + " could not be written"});
}

// The zip's file name: the last part of the URL it will be downloaded from.
Result<std::string> zipName(const std::string& url) {
    const std::string name = url.substr(url.find_last_of('/') + 1);
    const bool safe = name.size() > 4 && name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef"
                                                                "ghijklmnopqrstuvwxyz0123456789._-"
                                                                "+") == std::string::npos;
    if (!safe || name.compare(name.size() - 4, 4, ".zip") != 0)
        return Failure{"--url must end with the zip's own file name (…/vorta-2.5.1.zip), of "
                       "letters, digits and . _ - +"};
    return name;
}

} // namespace

Result<std::vector<std::string>> writeWinget(const Deployment& d, const std::string& mediumFolder,
                                             const WingetRequest& request) {
    Result<std::string> identifier = request.identifier.empty()
                                         ? wingetIdentifier(d.publisher, d.productName)
                                         : Result<std::string>(request.identifier);
    if (!identifier)
        return Failure{identifier.reason()};
    const Result<std::string> name = zipName(request.url);
    if (!name)
        return Failure{name.reason()};
    const std::string& id = *identifier;
    std::error_code ec;
    const fs::path out = fs::absolute(request.outFolder, ec).lexically_normal();
    const fs::path medium = fs::absolute(mediumFolder, ec).lexically_normal();
    const std::string relative = out.lexically_relative(medium).generic_string();
    if (relative == "." || (!relative.empty() && relative.rfind("..", 0) != 0))
        return Failure{"--out lies inside the medium, and the zip of the medium would hold itself"};
    // The community repository's place for the manifest: manifests/<letter>/<Publisher>/<Name>/
    // <version>, the identifier's parts as folders.
    fs::path manifests = out / "manifests" / std::string(1, char(std::tolower(id[0])));
    for (std::size_t start = 0; start <= id.size();) {
        const std::size_t dot = std::min(id.find('.', start), id.size());
        manifests /= id.substr(start, dot - start);
        start = dot + 1;
    }
    manifests /= d.version;
    fs::create_directories(manifests, ec);
    if (ec)
        return Failure{manifests.string() + ": " + ec.message()};
    const fs::path zip = out / *name;
    if (Status zipped = writeZip(mediumFolder, zip.string()); !zipped)
        return Failure{zipped.reason()};
    const Result<std::string> sha256 = fileSha256(zip.string());
    if (!sha256)
        return Failure{sha256.reason()};
    const std::pair<std::string, std::string> files[] = {
        {id + ".yaml", head("version", id, d.version) + "DefaultLocale: " + defaultLocale + "\n" +
                           tail("version")},
        {id + ".installer.yaml", installerManifest(d, id, request, *sha256)},
        {id + ".locale." + defaultLocale + ".yaml", localeManifest(d, id)},
    };
    std::vector<std::string> written{zip.string() + "  SHA-256 " + *sha256};
    for (const auto& [file, text] : files) {
        if (Status done = writeFile(manifests / file, text); !done)
            return Failure{done.reason()};
        written.push_back((manifests / file).string());
    }
    return written;
}

} // namespace setupcheck
