// A Windows Installer package, and the transforms for it, read as the installer reads them:
// with libmsi, the library of Debian's msitools (the one wixl is built on). The Windows build of
// the tool has no such library and reads nothing (packageReadingAvailable() is false there).
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
    unavailable, // this build of the tool reads no package
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

[[nodiscard]] bool packageReadingAvailable();
[[nodiscard]] PackageFacts readPackage(const std::string& hostPath);
[[nodiscard]] TransformFacts readTransform(const std::string& hostPath);

} // namespace setupcheck
