// The simulated Windows Installer: "msi.dll" of the simulated system folder. Its exports are
// plain functions with the real signatures, so the launcher's binding code runs unchanged.
// A test scripts packages, installed products and failures here, and reads back every call.
#pragma once

#include "platform/msi_api.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sim {

// One summary-information property: its type (msi::vtI4, vtLpstr, vtFiletime) and value.
struct SummaryValue {
    std::uint32_t type = msi::vtLpstr;
    std::int32_t intValue = 0;
    std::u16string text;
};

struct MsiPackageData {
    std::map<std::uint32_t, SummaryValue> summary;
    // The Property table (Property -> Value) and the File table (File -> Version).
    std::map<std::u16string, std::u16string> properties;
    std::map<std::u16string, std::u16string> fileVersions;
    // Names of transforms stored in the package (":Name.mst" on a command line).
    std::set<std::u16string> embeddedTransforms;
    // The package lies on a CD or a read-only share: only a read-only open succeeds.
    bool onReadOnlyMedia = false;
};

struct InstalledProduct {
    std::u16string version; // "VersionString"
    // "InstallLocation"; absent: the installer cannot tell it (the query fails).
    std::optional<std::u16string> location = u"C:\\Program Files\\Product";
};

struct MsiInstallCall {
    std::u16string packagePath;
    std::u16string commandLine;
    std::int32_t uiLevel = 0;
    bool logEnabled = false;
    std::uint32_t logMode = 0;
    std::u16string logFile;
    std::uint32_t logAttributes = 0;
    // Installer handles still open when the installation started.
    int handlesOpen = 0;
};

enum class MsiHandleKind { Database, Summary, View, Record };
enum class OpenMode { ReadOnly, Writable };

struct MsiState {
    // Scripted. Packages by path (ASCII case-insensitive); see addMsiPackage.
    std::map<std::u16string, MsiPackageData> packages;
    // Asked for a package opened by a path not scripted above; what it answers is kept as
    // that path's package. Nothing: the file is no package of the simulation.
    std::function<std::optional<MsiPackageData>(const std::u16string& path)> onOpen;
    // Installed products by product code (ASCII case-insensitive).
    std::map<std::u16string, InstalledProduct> products;
    // Forced results by export name ("MsiViewExecute" -> 1627): that call fails with it.
    std::map<std::string, std::uint32_t> failures;
    // The result of MsiInstallProductW; `onInstall`, when set, decides instead.
    std::uint32_t installResult = 0;
    std::function<std::uint32_t(const MsiInstallCall&)> onInstall;
    std::uint32_t enableLogResult = 0;

    // Recorded.
    std::map<std::string, int> calls; // by export name
    std::vector<std::u16string> queries;
    std::vector<OpenMode> openModes; // of each MsiOpenDatabaseW that found its package
    std::vector<MsiInstallCall> installs;
    std::int32_t uiLevel = msi::uiLevelDefault;
    bool uiWindowGiven = false;
    bool logEnabled = false;
    std::uint32_t logMode = 0;
    std::u16string logFile;
    std::uint32_t logAttributes = 0;
    // Handles closed that were not open (a double close, or a handle never made).
    int badCloses = 0;
};

MsiState& msi();

// Forgets every package, product, handle and record, and registers msi.dll (every entry point)
// in the system folder with product version 5.0.7601.17514.
void resetMsi();

// Scripts a package and adds its file to the simulated file system.
void addMsiPackage(const std::u16string& path, const MsiPackageData& package);
// A package with ProductCode, ProductVersion, a package code and a File row `keyFile` of
// version `keyFileVersion`.
MsiPackageData samplePackage(const std::u16string& productCode, const std::u16string& version,
                             const std::u16string& keyFile, const std::u16string& keyFileVersion);

// Removes exports from the simulated msi.dll (they then look missing to GetProcAddress).
void hideMsiExport(const std::string& name);

// Installer handles open now, in all or of one kind.
int msiHandlesOpen();
int msiHandlesOpen(MsiHandleKind kind);

} // namespace sim
