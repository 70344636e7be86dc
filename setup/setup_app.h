// The setup object: every setting the launcher works with, filled from Setup.ini, the
// command line and the language file, and the run that hands the package to the installer.
#pragma once

#include "config/ini_file.h"
#include "installer/msi_package.h"
#include "sysreq/version.h"

#include <cstdint>
#include <string>

struct DecisionRecord;

constexpr std::uint32_t uiLevelFull = msi::uiLevelFull;
constexpr std::uint32_t uiLevelNone = msi::uiLevelNone;

class SetupApp {
public:
    // `record`, when given, receives every decision as init and run make it.
    explicit SetupApp(DecisionRecord* record = nullptr);
    SetupApp(const SetupApp&) = delete;
    SetupApp& operator=(const SetupApp&) = delete;

    // Reads the settings file beside the program, applies the command line, loads the
    // messages of the installation language and checks the running Windows. False means
    // the installation must not start (any box of its own has been shown). A settings file
    // that exists but cannot be read, and a settings or language file that cannot be split
    // into sections, are refused without a box: `refusal` then says why.
    bool init(const std::u16string& settingsName);

    // Composes the installer command line and installs; the installer's result.
    std::uint32_t run();

    // The program's folder followed directly by `name`.
    std::u16string setupFilePath(const std::u16string& name) const;

    std::uint32_t languageIdFromCode(const std::u16string& code) const;
    bool checkWindowsRequirement(const std::u16string& sectionName) const;
    InstalledState installedProductState() const;

    std::u16string setupDir;
    std::u16string exeName;
    IniFile settings;
    IniSection messages;
    MsiPackage package;
    std::u16string productCode;
    std::u16string instanceProductCode;
    std::u16string packagePath;
    VersionQuad productVersion;
    VersionQuad msiVersion;
    std::u16string cmdLine;
    std::u16string debugLog;
    std::uint32_t uiLevel = uiLevelFull;
    InstallMode installMode = InstallMode::Install;
    bool showUsage = false;
    std::u16string usageText;
    std::uint32_t languageId = 0;
    bool languageGiven = false;
    // Why init refused: one line naming the file and its fault, for the entry to show.
    std::u16string refusal;

private:
    void readStartupSettings();
    void applyCommandLine();
    bool loadMessages();
    bool refuse(const std::u16string& line);
    void showUsageBox() const;
    bool acceptsThisWindows();
    void updateRuntime();
    void inspectPackage(bool adminUpdate);
    std::u16string languageTransform();
    void showFailure(std::uint32_t result) const;
    bool silent() const { return uiLevel == uiLevelNone; }

    DecisionRecord* record;
};
