// What setup-check tells a publisher to fix or to know. Every text is UTF-8.
//
// Each warning has a stable id a CI job may silence (--ignore), a severity and a scope:
// - error: the installation fails, or never starts, on some machine; warning: the medium
//   probably does not do what was meant.
// - medium: the files themselves, whatever the machine; machine: the medium on the profile
//   checked (counted under --strict=all only).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace setupcheck {

enum class Severity { Error, Warning };
enum class Scope { Medium, Machine };

// X(name, id, severity, scope, what it means)
#define SETUP_CHECK_WARNINGS(X)                                                                    \
    X(noSettings, "no-settings", Error, Medium, "no Setup.ini beside the launcher")                \
    X(settingsUnreadable, "settings-unreadable", Error, Medium,                                    \
      "Setup.ini cannot be read; the launcher refuses to start")                                   \
    X(sectionTwice, "section-twice", Warning, Medium,                                              \
      "a section stands twice; the first counts whole")                                            \
    X(keyTwice, "key-twice", Warning, Medium, "a key stands twice in a section; the last counts")  \
    X(keyNeverRead, "key-never-read", Warning, Medium,                                             \
      "a key the launcher never reads, often a misspelling")                                       \
    X(sectionNeverRead, "section-never-read", Warning, Medium,                                     \
      "a section the launcher never reads")                                                        \
    X(noStartup, "no-startup", Error, Medium, "no [Startup] section")                              \
    X(noProductCode, "no-product-code", Warning, Medium,                                           \
      "no ProductCode: the installed product is never found")                                      \
    X(noProductVersion, "no-product-version", Warning, Medium,                                     \
      "no readable ProductVersion: an installed product never matches")                            \
    X(noPackageLocation, "no-package-location", Error, Medium,                                     \
      "PackageName, its section or its Location is missing")                                       \
    X(packageMissing, "package-missing", Error, Medium, "the package is not on the medium")        \
    X(packageOutsideMedium, "package-outside-medium", Warning, Medium,                             \
      "the package lies outside the medium and every mapped folder: it is not checked")            \
    X(packagePathTooLong, "package-path-too-long", Error, Medium,                                  \
      "the package's path is longer than the installer opens (MAX_PATH)")                          \
    X(noRuntimeRequirement, "no-runtime-requirement", Error, Medium,                               \
      "no [MsiVersion] or an empty one: every start is refused")                                   \
    X(runtimeKeyIgnored, "runtime-key-ignored", Warning, Medium,                                   \
      "a second key in [MsiVersion]; only the first counts")                                       \
    X(runtimeNotAVersion, "runtime-not-a-version", Warning, Medium,                                \
      "the installer version required is not a version number")                                    \
    X(windowsListMissing, "windows-list-missing", Error, Medium,                                   \
      "the Windows list [MsiVersion] names does not exist, or accepts nothing")                    \
    X(windowsEntryValue, "windows-entry-value", Warning, Medium,                                   \
      "a Windows list entry whose value is neither 1 nor 0")                                       \
    X(windowsEntryNeverMet, "windows-entry-never-met", Warning, Medium,                            \
      "a Windows entry whose section or version cannot be read")                                   \
    X(servicePackNotANumber, "service-pack-not-a-number", Warning, Medium,                         \
      "ServicePack is not a number")                                                               \
    X(messageFileUnreadable, "message-file-unreadable", Error, Medium,                             \
      "a message file cannot be read; the launcher refuses to start in its language")              \
    X(messageSectionMissing, "message-section-missing", Warning, Medium,                           \
      "a message file without its section, or without text 1150")                                  \
    X(languageIncomplete, "language-incomplete", Warning, Medium,                                  \
      "a language with a transform but no messages, or messages but no transform")                 \
    X(transformMisplaced, "transform-misplaced", Error, Medium,                                    \
      "a transform where the installer or the launcher does not look for it")                      \
    X(keyFileRowMissing, "key-file-row-missing", Warning, Medium,                                  \
      "the package has no key file row; installed instances go unseen")                            \
    X(notAPackage, "not-a-package", Error, Medium,                                                 \
      "Location names a file that is no Windows Installer package")                                \
    X(identityDiffers, "identity-differs", Error, Medium,                                          \
      "Setup.ini's ProductCode or ProductVersion differs from the package's")                      \
    X(installerTooOld, "installer-too-old", Error, Medium,                                         \
      "the package needs a newer Windows Installer than [MsiVersion] requires")                    \
    X(transformUnreadable, "transform-unreadable", Error, Medium,                                  \
      "a language transform that cannot be read as a transform")                                   \
    X(transformMismatch, "transform-mismatch", Error, Medium,                                      \
      "a transform made for another package than this one")                                        \
    X(instanceTransformMissing, "instance-transform-missing", Error, Medium,                       \
      "an instance whose transform the package does not store")                                    \
    X(instanceWithoutName, "instance-without-name", Error, Medium,                                 \
      "an instance description that gives a product code but no instance name")                    \
    X(transformNotApplied, "transform-not-applied", Error, Medium,                                 \
      "a transform the installer engine does not apply to the package")                            \
    X(valueCutByComment, "value-cut-by-comment", Warning, Medium,                                  \
      "a value cut short at a \";\" or \"#\", which start a comment: the rest is dropped")         \
    X(propertySetByLauncher, "property-set-by-launcher", Warning, Medium,                          \
      "CmdLine sets a property the launcher sets itself")                                          \
    X(servicePackUnscaled, "service-pack-unscaled", Warning, Medium,                               \
      "ServicePack from 1 to 255: a minor number, met by any service pack from SP1 on")            \
    X(utf16WithoutMark, "utf16-without-mark", Error, Medium,                                       \
      "a settings or message file in UTF-16 without a byte-order mark: the launcher cannot read "  \
      "it")                                                                                        \
    X(optionStopsReading, "option-stops-reading", Warning, Medium,                                 \
      "an option the launcher cannot read: it ignores that option and everything after it")        \
    X(languageCodeUnknown, "language-code-unknown", Warning, Medium,                               \
      "/l names no language the launcher knows: the language stays")                               \
    X(runtimeUpdateMissing, "runtime-update-missing", Warning, Machine,                            \
      "the installer is older than required and instmsi30.exe is not on the medium")               \
    X(messagesEmpty, "messages-empty", Warning, Machine,                                           \
      "the chosen language's messages are empty on this machine")                                  \
    X(ansiText, "ansi-text", Warning, Machine,                                                     \
      "text beyond ASCII without a byte-order mark, read in this machine's ANSI code page")        \
    X(invalidCommandLine, "invalid-command-line", Error, Medium,                                   \
      "the installer cannot read its command line: it answers 1639")                               \
    X(silentRestart, "silent-restart", Warning, Medium,                                            \
      "a silent run in which Windows can restart the machine without asking")                      \
    X(otherVersionInstalled, "other-version-installed", Error, Machine,                            \
      "the product is installed from another package (version or build): the installer answers "   \
      "1638")                                                                                      \
    X(platformUnsupported, "platform-unsupported", Error, Machine,                                 \
      "the package's platform is not one this Windows installs: the installer answers 1633")       \
    X(launcherMissing, "launcher-missing", Error, Medium,                                          \
      "the launcher is not on the medium: nothing starts the installation")                        \
    X(launcherNot32Bit, "launcher-not-32-bit", Error, Medium,                                      \
      "the launcher on the medium is no 32-bit Windows program")                                   \
    X(launcherOtherVersion, "launcher-other-version", Warning, Medium,                             \
      "the launcher on the medium is another version than the one setup-check predicts with")      \
    X(launcherNotElevated, "launcher-not-elevated", Warning, Medium,                               \
      "UAC's installer detection does not recognise the launcher: Windows does not elevate it")    \
    X(perUserAsSystem, "per-user-as-system", Warning, Machine,                                     \
      "the package installs per user: a deployment running as SYSTEM installs it for SYSTEM")

enum class WarningId {
#define SETUP_CHECK_WARNING_ENUM(name, id, severity, scope, meaning) name,
    SETUP_CHECK_WARNINGS(SETUP_CHECK_WARNING_ENUM)
#undef SETUP_CHECK_WARNING_ENUM
};

struct WarningKind {
    WarningId kind;
    const char* id;
    Severity severity;
    Scope scope;
    const char* meaning;
};

[[nodiscard]] const std::vector<WarningKind>& warningKinds();
[[nodiscard]] const WarningKind& kindOf(WarningId id);
[[nodiscard]] std::optional<WarningId> warningNamed(const std::string& id);
[[nodiscard]] const char* severityName(Severity severity);
[[nodiscard]] const char* scopeName(Scope scope);

struct Warning {
    WarningId id;
    std::string file;     // name on the medium ("Setup.ini", "0x0419.ini"), or "" for the run
    std::size_t line = 0; // 0: the file as a whole
    std::string message;

    const WarningKind& kind() const { return kindOf(id); }
};

// Collects warnings as the checks find them.
struct Lint {
    std::vector<Warning> warnings;
    void add(WarningId id, const std::string& file, std::size_t line, const std::string& message) {
        warnings.push_back({id, file, line, message});
    }
};

} // namespace setupcheck
