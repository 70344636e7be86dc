#include "tools/setup_check/medium_lint.h"

#include "installer/instance_description.h"
#include "locale/language.h"
#include "platform/platform.h"
#include "platform/wtext.h"
#include "tools/setup_check/cut_value_lint.h"
#include "tools/setup_check/encoding_lint.h"
#include "tools/setup_check/ini_reading.h"
#include "tools/setup_check/property_lint.h"
#include "tools/setup_check/settings_lint.h"
#include "tools/setup_check/text.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>

namespace {

namespace fs = std::filesystem;

// The names of the files in one host folder.
std::vector<std::string> filesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file(ec))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The language whose file the launcher would look for under this name, if any: the number the
// name holds, kept only when the launcher's own name of that language is the name (letter case
// aside, as Windows finds files).
std::optional<std::uint32_t> languageOfName(const std::string& name, bool messageFile) {
    const std::u16string n = wtext::lowerAscii(utf16(name));
    const std::size_t digitsAt = messageFile ? 2 : 0;
    const std::size_t dot = n.rfind(u'.');
    if (dot == std::u16string::npos || dot <= digitsAt)
        return std::nullopt;
    const std::u16string digits = n.substr(digitsAt, dot - digitsAt);
    std::uint32_t id = 0;
    for (char16_t c : digits) {
        const int digit = c >= u'0' && c <= u'9'   ? c - u'0'
                          : c >= u'a' && c <= u'f' ? c - u'a' + 10
                                                   : -1;
        if (digit < 0 || digit >= (messageFile ? 16 : 10) || id > 0xFFFFFF)
            return std::nullopt;
        id = id * (messageFile ? 16 : 10) + std::uint32_t(digit);
    }
    const std::u16string own = messageFile ? messageFileName(id) : languageTransformName(id);
    return wtext::lowerAscii(own) == n ? std::optional<std::uint32_t>(id) : std::nullopt;
}

// Every message file must hold its language's texts, every language a transform and texts.
void lintLanguages(Lint& lint, const Languages& found, const std::u16string& setupDir) {
    IniReading fallback;
    if (found.messageFiles.count(fallbackMessageLanguage))
        fallback = readIni(setupDir + utf16(found.messageFiles.at(fallbackMessageLanguage)));
    for (const auto& [id, name] : found.messageFiles) {
        const std::u16string tag = languageTag(id);
        const IniReading file = readIni(setupDir + utf16(name));
        const bool refused = file.result.status == IniLoadStatus::malformed;
        if (lintUtf16WithoutMark(lint, {name, setupDir + utf16(name)},
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
void lintTransformPlaces(Lint& lint, const Languages& found, const std::string& hostFolder,
                         const std::u16string& setupDir, const std::u16string& packagePath,
                         std::size_t locationLine) {
    const std::size_t folderEnd = packagePath.find_last_of(u"\\/");
    const std::u16string packageFolder =
        folderEnd == std::u16string::npos ? u"" : packagePath.substr(0, folderEnd + 1);
    if (packageFolder.empty() || wtext::lowerAscii(packageFolder) == wtext::lowerAscii(setupDir))
        return;
    for (const auto& [id, name] : found.transforms) {
        if (platform::fileExists(packageFolder + utf16(name)))
            continue;
        lint.add(WarningId::transformMisplaced, "Setup.ini", locationLine,
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
    for (const std::string& name : filesIn(fs::path(hostFolder) / relative)) {
        auto id = languageOfName(name, false);
        if (id && !found.transforms.count(*id))
            lint.add(WarningId::transformMisplaced, "Setup.ini", locationLine,
                     name + " lies beside the package but not beside the launcher, which looks "
                            "for it there: it is never passed");
    }
}

std::size_t locationLine(const IniReading& settings, const DecisionRecord& record) {
    for (const SettingLookup& lookup : record.settings.read)
        if (lookup.key == u"Location")
            return settings.positions.keyLine(lookup.section, u"Location");
    return 0;
}

} // namespace

Languages languagesOnTheMedium(const std::string& hostFolder) {
    Languages found;
    for (const std::string& name : filesIn(hostFolder)) {
        if (auto id = languageOfName(name, false))
            found.transforms[*id] = name;
        if (auto id = languageOfName(name, true))
            found.messageFiles[*id] = name;
    }
    return found;
}

MediumFindings lintMedium(const std::string& hostFolder, const std::u16string& setupDir,
                          const DecisionRecord& record) {
    Lint lint;
    MediumFindings findings;
    const std::u16string settingsPath = setupDir + u"Setup.ini";
    if (!platform::fileExists(settingsPath)) {
        lint.add(WarningId::noSettings, "Setup.ini", 0,
                 "no Setup.ini beside the launcher: every start ends with exit code 1");
        findings.warnings = lint.warnings;
        return findings;
    }
    const IniReading settings = readIni(settingsPath);
    const std::u16string& packagePath = record.settings.packagePath;
    // A file in UTF-16 without its mark is refused for that cause, whatever the reader then
    // finds wrong with the little it reads.
    const bool utf16 =
        lintUtf16WithoutMark(lint, {"Setup.ini", settingsPath},
                             settings.refused() ? "refuses to start" : "reads no setting");
    if (!utf16 && settings.refused()) {
        lint.add(WarningId::settingsUnreadable, "Setup.ini", settings.result.line,
                 utf8(settings.result.problem) + ": the launcher refuses to start");
    } else if (!utf16) {
        lintSettings(lint, settings, record,
                     wtext::lowerAscii(instanceDescriptionPath(packagePath)) ==
                         wtext::lowerAscii(settingsPath));
        lintCutValues(lint, "Setup.ini", settings);
        lintLauncherProperties(lint, settings, record);
    }
    const Languages found = languagesOnTheMedium(hostFolder);
    lintLanguages(lint, found, setupDir);
    lintTransformPlaces(lint, found, hostFolder, setupDir, packagePath,
                        locationLine(settings, record));
    if (!settings.refused())
        findings.package = checkPackage(hostFolder, setupDir, settings, record, lint);
    findings.warnings = lint.warnings;
    return findings;
}
