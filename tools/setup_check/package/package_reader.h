// A Windows Installer package, and the transforms for it, read and applied by a real installer
// engine: natively libmsi, the library of Debian's msitools (the one wixl is built on), with
// libgsf for the storages inside a package; in the Windows build the system's msi.dll, the
// engine that installs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setupcheck {

enum class ReadStatus {
    read,
    missing,     // no such file
    notAPackage, // the file is there but is no Windows Installer database
    unavailable, // no engine to read it with (msi.dll cannot be loaded)
};

// One row of a sequence table: the action, the condition it runs under and its number.
struct SequenceAction {
    std::string action;
    std::string condition; // empty: the action always runs
    int sequence = 0;
};

struct PackageFacts {
    ReadStatus status = ReadStatus::unavailable;
    std::string problem; // why it was not read
    // Property rows; absent when the package has none.
    std::optional<std::string> productCode, productVersion, upgradeCode, productLanguage;
    std::optional<std::string> productName, manufacturer, allUsers;
    // MSIINSTALLPERUSER (with ALLUSERS=2: a per-user installation), ARPNOREPAIR (no repair
    // offered).
    std::optional<std::string> msiInstallPerUser, arpNoRepair;
    // The launcher's key file row (keyFileName): its version; absent when there is no row.
    std::optional<std::string> keyFileVersion;
    std::string packageCode;  // summary information: the revision number
    std::string templateText; // "Intel;1033": the platform and the languages
    int schema = 0;           // the page count: the lowest installer version, major*100+minor
    std::vector<std::string> storages; // transforms stored in the package (_Storages)
    // InstallExecuteSequence's actions that run (a number above 0), in the order they run.
    std::vector<SequenceAction> executeSequence;
};

// What a transform's summary information says it was made for and asks the installer to check.
struct TransformFacts {
    ReadStatus status = ReadStatus::unavailable;
    std::string problem;
    std::string templateText;     // "platform;language" of the package it was made from
    std::string revision;         // "{code}version;{code}version;{upgrade code}": from, to, upgrade
    std::uint32_t characters = 0; // validation flags (high word) and error conditions (low word)
};

// The installer version a schema asks for: 405 is "4.5".
[[nodiscard]] inline std::string schemaVersionText(int schema) {
    return std::to_string(schema / 100) + "." + std::to_string(schema % 100);
}

// One change a transform makes to the package: a table added or removed, a row added or
// removed (with its values), or one value of a row changed.
enum class ChangeKind { tableAdded, tableRemoved, rowAdded, rowRemoved, valueChanged };

struct TableChange {
    ChangeKind kind = ChangeKind::valueChanged;
    std::string table;
    std::vector<std::string> row;    // the row's primary key, one value per key column
    std::string column;              // valueChanged: the column
    std::optional<std::string> from; // valueChanged: the value before (absent: null)
    std::optional<std::string> to;   // valueChanged: the value after
    // rowAdded, rowRemoved: the row's other columns and their values (absent: null).
    std::vector<std::pair<std::string, std::optional<std::string>>> values;
};

// A transform to apply: a file on the host, or (stored) a storage inside the package.
struct TransformSource {
    std::string name;     // as the launcher hands it over: 1049.mst, :Inst2.mst
    std::string hostPath; // the file; empty for a stored transform
    std::string storage;  // the storage inside the package (Inst2.mst); empty for a file
};

// What the engine did with one transform.
struct TransformApplication {
    std::string name;
    bool applied = false;
    std::string problem; // the engine's reason when it did not apply the transform
    std::vector<TableChange> changes;
    // How the changes were found: "transform_view" (the engine listed them itself, as msi.dll
    // does with MSITRANSFORM_ERROR_VIEWTRANSFORM), "table_comparison" (every table compared
    // before and after).
    std::string listedBy;
    // Whether the engine checked the error conditions the transform does not suppress (adding a
    // row that exists, updating a missing one, ...); where it did, `applied` is its answer.
    bool errorConditionsChecked = false;
};

// The package after the transforms, applied in order to one copy of it: each transform's
// changes are those to the package as the transforms before it left it.
struct TransformedPackage {
    PackageFacts facts; // the package as read before any transform
    std::vector<TransformApplication> steps;
    PackageFacts after; // its identity after every transform that applied
    // The engine, as the report names it ("libmsi 0.101", "Wine's msi.dll 8.0").
    std::string engine;
};

[[nodiscard]] bool packageReadingAvailable();
// The engine that reads and applies, as the report names it ("libmsi 0.101").
[[nodiscard]] std::string packageEngine();
[[nodiscard]] PackageFacts readPackage(const std::string& hostPath);
[[nodiscard]] TransformFacts readTransform(const std::string& hostPath);
// The summary information of a transform stored in the package at `hostPath`.
[[nodiscard]] TransformFacts readStoredTransform(const std::string& hostPath,
                                                 const std::string& storage);
// The package at `hostPath` with `transforms` applied in order. A transform that does not apply
// leaves the package as it was, and the next is applied to that.
[[nodiscard]] TransformedPackage applyTransforms(const std::string& hostPath,
                                                 const std::vector<TransformSource>& transforms);

} // namespace setupcheck
