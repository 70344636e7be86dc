#include "tools/setup_check/lints/medium_lint.h"

#include "installer/instance_description.h"
#include "locale/language.h"
#include "platform/sim/sim.h"
#include "platform/wtext.h"
#include "setup/setup_ini.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/lints/cut_value_lint.h"
#include "tools/setup_check/lints/encoding_lint.h"
#include "tools/setup_check/lints/package_lint.h"
#include "tools/setup_check/lints/property_lint.h"
#include "tools/setup_check/lints/settings_lint.h"
#include "tools/setup_check/medium/ini_reading.h"
#include "tools/setup_check/medium/languages.h"
#include "tools/setup_check/medium/settings_read.h"

#include <algorithm>
#include <filesystem>

namespace setupcheck {

namespace {

// Every message file must hold its language's texts, every language a transform and texts.
void lintLanguages(Lint& lint, const SimulatedMachine& machine, const Languages& found) {
    const std::u16string setupDir = machine.setupDir();
    IniReading fallback;
    if (found.messageFiles.count(fallbackMessageLanguage))
        fallback =
            readIni(machine, setupDir + utf16(found.messageFiles.at(fallbackMessageLanguage)));
    for (const auto& [id, name] : found.messageFiles) {
        const std::u16string tag = languageTag(id);
        const IniReading file = readIni(machine, setupDir + utf16(name));
        const bool refused = file.result.status == IniLoadStatus::malformed;
        if (lintUtf16WithoutMark(lint, machine, {name, setupDir + utf16(name)},
                                 refused ? "refuses to start in this language"
                                         : "shows this language's boxes empty"))
            continue;
        if (refused) {
            lint.add(WarningId::messageFileUnreadable, name, file.result.line,
                     utf8(file.result.problem) +
                         ": the launcher refuses to start in this language");
            continue;
        }
        lintCutValues(lint, name, file);
        const std::size_t sectionLine = file.positions.sectionLine(tag);
        if (!sectionLine)
            lint.add(WarningId::messageSectionMissing, name, 0,
                     "no section [" + utf8(tag) + "]: this file's texts are never read");
        else if (file.document.getSection(tag).getValue(u"1150").empty())
            lint.add(WarningId::messageSectionMissing, name, sectionLine,
                     "no text 1150 in [" + utf8(tag) +
                         "]: the box refusing an old Windows is empty");
        // The fallback file doubles as every language's; a package usually needs no transform
        // for its own base language.
        if (id != fallbackMessageLanguage && !found.transforms.count(id))
            lint.add(WarningId::languageIncomplete, name, 0,
                     "no transform " + utf8(languageTransformName(id)) +
                         " beside the launcher: an installation in this language gets no language "
                         "transform");
    }
    for (const auto& [id, name] : found.transforms) {
        const std::u16string tag = languageTag(id);
        if (!found.messageFiles.count(id) && !fallback.positions.sectionLine(tag))
            lint.add(WarningId::languageIncomplete, name, 0,
                     "no message file " + utf8(messageFileName(id)) + " (and no section [" +
                         utf8(tag) + "] in " + utf8(messageFileName(fallbackMessageLanguage)) +
                         "): the launcher's boxes in this language are empty");
    }
}

// The launcher looks for a language transform beside itself but passes the bare name, which
// the installer looks for in the current folder and beside the package.
void lintTransformPlaces(Lint& lint, const SimulatedMachine& machine, const Languages& found,
                         const std::u16string& launcherPackagePath, std::size_t locationLine) {
    const std::u16string setupDir = machine.setupDir();
    // The package's folder as Windows resolves it: "." and ".." name no folder of their own.
    const std::u16string packagePath = sim::fullPath(launcherPackagePath);
    const std::size_t folderEnd = packagePath.find_last_of(u"\\/");
    const std::u16string packageFolder =
        folderEnd == std::u16string::npos ? u"" : packagePath.substr(0, folderEnd + 1);
    if (packageFolder.empty() || wtext::lowerAscii(packageFolder) == wtext::lowerAscii(setupDir))
        return;
    for (const auto& [id, name] : found.transforms) {
        if (machine.fileExists(packageFolder + utf16(name)))
            continue;
        lint.add(WarningId::transformMisplaced, settingsFileName(), locationLine,
                 name + " lies beside the launcher but the package lies in " + utf8(packageFolder) +
                     ": the launcher passes the bare name TRANSFORMS=" + name +
                     ", which the Windows Installer looks for in the current folder and beside "
                     "the package; put a copy beside the package");
    }
    // The reverse: a transform beside the package only is never passed.
    if (wtext::lowerAscii(packageFolder).rfind(wtext::lowerAscii(setupDir), 0) != 0)
        return;
    std::string relative = utf8(packageFolder.substr(setupDir.size()));
    std::replace(relative.begin(), relative.end(), '\\', '/');
    for (const std::string& name :
         filesIn((std::filesystem::path(machine.hostFolder()) / relative).string())) {
        auto id = languageOfName(name, false);
        if (id && !found.transforms.count(*id))
            lint.add(WarningId::transformMisplaced, settingsFileName(), locationLine,
                     name + " lies beside the package but not beside the launcher, which looks "
                            "for it there: it is never passed");
    }
}

} // namespace

MediumFindings lintMedium(const SimulatedMachine& machine, const DecisionRecord& record) {
    Lint lint;
    MediumFindings findings;
    findings.launcher = launcherOnMedium(machine);
    const std::u16string settingsPath = machine.setupDir() + setupIni::fileName;
    if (!machine.fileExists(settingsPath)) {
        lint.add(WarningId::noSettings, settingsFileName(), 0,
                 "no Setup.ini beside the launcher: every start ends with exit code 1");
        findings.warnings = lint.warnings;
        return findings;
    }
    const IniReading settings = readIni(machine, settingsPath);
    const std::u16string& packagePath = record.settings.packagePath;
    // A file in UTF-16 without its mark is refused for that cause, whatever the reader then
    // finds wrong with the little it reads.
    const bool utf16 =
        lintUtf16WithoutMark(lint, machine, {settingsFileName(), settingsPath},
                             settings.refused() ? "refuses to start" : "reads no setting");
    if (!utf16 && settings.refused()) {
        lint.add(WarningId::settingsUnreadable, settingsFileName(), settings.result.line,
                 utf8(settings.result.problem) + ": the launcher refuses to start");
    } else if (!utf16) {
        lintSettings(lint, machine, settings, record,
                     wtext::lowerAscii(sim::fullPath(instanceDescriptionPath(packagePath))) ==
                         wtext::lowerAscii(settingsPath));
        lintCutValues(lint, settingsFileName(), settings);
        lintLauncherProperties(lint, settings, record);
    }
    const Languages found = languagesOnTheMedium(machine.hostFolder());
    lintLanguages(lint, machine, found);
    lintTransformPlaces(lint, machine, found, packagePath, locationLine(settings, record));
    if (!settings.refused()) {
        findings.package = readPackageCheck(machine, record);
        lintPackage(lint, settings, record, findings.package, machine.setupDir());
    }
    findings.warnings = lint.warnings;
    return findings;
}

} // namespace setupcheck
