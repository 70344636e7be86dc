// What the launcher decided, written down by init and run as they decide it. setup.exe keeps no
// record: its setup object holds a null pointer, and each step's note costs one test of it.
// setup-check hands the launcher a record and prints it, so a prediction never works a rule
// out a second time beside the launcher.
#pragma once

#include "installer/msi_package.h"
#include "locale/country.h"
#include "locale/language.h"
#include "sysreq/version.h"
#include "sysreq/windows_requirement.h"

#include <cstdint>
#include <string>
#include <vector>

// How init ended.
enum class InitOutcome {
    NotRun,
    NoSettings,     // no Setup.ini beside the program
    UnreadableFile, // Setup.ini or a message file could not be read or split into sections
    UsageShown,     // the option /? was given
    WindowsRefused, // no accepted Windows version is met (message 1150)
    Accepted,
};

// A value the launcher looked up in Setup.ini (empty when the key is absent).
struct SettingLookup {
    std::u16string section;
    std::u16string key;
    std::u16string value;
};

struct SettingsDecision {
    // [Startup]'s keys and the package's Location, in the order they were read; the Windows
    // requirement's lookups are in WindowsDecision.
    std::vector<SettingLookup> read;
    std::u16string packagePath; // the folder of the program and Location, or Location itself
};

struct CommandLineDecision {
    std::vector<std::u16string> arguments; // as tokenized; the first is the program's path
    std::int32_t parseResult = 0;          // 0 accepted, 1 refused, -1 the help switch
    std::u16string diagnostic;             // the refusal's line, with its line feed
    // The index of the argument where the parse stopped: it and all after it were never
    // seen, so options there take no effect. arguments.size() when every one was read.
    std::size_t stoppedAt = 0;
    // What the options set.
    InstallMode mode = InstallMode::Install;
    std::uint32_t uiLevel = 0;
    std::u16string logFile; // empty: no log asked for
};

struct LanguageDecision {
    std::uint32_t languageId = 0; // after the options; the Ukraine rule of the run may change it
    LanguageSource source = LanguageSource::UserDefault;
    std::u16string code;    // the value of /l
    bool codeKnown = false; // /l named a language of the table
};

struct MessagesDecision {
    std::u16string file;    // read beside the program
    std::u16string section; // the language's tag
    bool ownFile = false;   // the language has a file of its own (else the fallback is read)
};

struct WindowsDecision {
    std::u16string requiredRuntime; // [MsiVersion]'s first key
    std::u16string listSection;     // its value
    std::vector<WindowsEntryCheck> entries;
    bool accepted = false;
};

struct RuntimeDecision {
    std::u16string installed; // msi.dll's product version, empty when unreadable
    bool older = false;       // than the required one: the runtime's setup program is due
    bool setupFound = false;  // instmsi30.exe beside the program
    bool setupStarted = false;
};

struct PackageDecision {
    std::u16string path;
    std::uint32_t inspectResult = 0;
    std::u16string productCode, productVersion, keyFileVersion, packageCode;
    bool instanceDescriptionFound = false; // setup.ini beside the package
    std::u16string instanceName, instanceProductCode;
    bool adminUpdate = false; // admupdt.cfg beside the program: instances are not considered
    InstalledState installed = InstalledState::None;
};

struct CountryDecision {
    bool asked = false; // not when /l chose the language
    CountrySignSet signs{};
    bool applied = false; // Ukrainian, with COUNTRY=UA
};

struct TransformsDecision {
    // The instance's transform stored in the package is handed over, as ":" + the name +
    // ".mst;"; the name may be empty (":.mst;").
    bool instanceTransformUsed = false;
    std::u16string instanceTransform; // the instance's name, when its stored transform is used
    std::u16string languageTransform; // the language transform's name
    bool languageTransformFound = false;
    std::u16string setting; // TRANSFORMS=..., or empty
};

struct InstallerCallDecision {
    bool called = false;
    std::u16string commandLine; // the mode's prefix and the property string
    std::uint32_t result = 0;
};

struct DecisionRecord {
    InitOutcome initOutcome = InitOutcome::NotRun;
    std::u16string refusal; // the line printed for a file that could not be read
    SettingsDecision settings;
    CommandLineDecision commandLine;
    LanguageDecision language;
    MessagesDecision messages;
    WindowsDecision windows;
    RuntimeDecision runtime;
    PackageDecision package;
    CountryDecision country;
    std::uint32_t finalLanguageId = 0;
    TransformsDecision transforms;
    InstallerCallDecision installer;
};
