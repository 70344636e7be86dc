#include "tools/setup_check/medium_check.h"

#include "config/ini_file.h"
#include "installer/instance_description.h"
#include "installer/msi_library.h"
#include "installer/msi_runtime.h"
#include "locale/country.h"
#include "locale/language.h"
#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_msi.h"
#include "platform/wtext.h"
#include "setup/entry.h"
#include "setup/setup_app.h"
#include "sysreq/version.h"
#include "sysreq/windows_requirement.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;

std::string utf8(const std::u16string& s) {
    return wtext::toUtf8(s);
}
std::u16string utf16(const std::string& s) {
    return wtext::fromUtf8(s);
}

// The launcher's folder with its closing backslash: C:\media\ or C:\.
std::u16string launcherDir(const Placement& at) {
    std::u16string folder = utf16(at.folder);
    return !folder.empty() && folder.back() == u'\\' ? folder : folder + u"\\";
}

std::u16string launcherCommandLine(const Placement& at, const std::string& arguments) {
    std::u16string line = u"\"" + utf16(at.launcherPath()) + u"\"";
    if (!arguments.empty())
        line += u" " + utf16(arguments);
    return line;
}

// A fresh simulated machine scripted with the profile, the medium mapped onto the launcher's
// folder.
void prepare(const std::string& hostFolder, const Profile& profile, const std::string& arguments,
             const Placement& at) {
    // The process-wide binding points into the simulated library; drop it before the
    // machine is made anew.
    msiLibrary().unload();
    sim::reset();
    applyToMachine(profile);
    // A drive's root is mapped as "C:": the simulated file system resolves a mapped folder
    // only when a backslash follows its name, which "C:\" never has.
    std::u16string folder = launcherDir(at);
    sim::mount(folder.size() == 3 ? folder.substr(0, 2) : folder.substr(0, folder.size() - 1),
               hostFolder);
    sim::machine().modulePath = utf16(at.launcherPath());
    sim::machine().commandLine = launcherCommandLine(at, arguments);
}

bool isRegularFile(const std::u16string& path) {
    platform::InputFile file;
    int errnoValue = 0;
    return file.open(path, errnoValue);
}

// The package as the installer would read it: the profile's identity, else Setup.ini's. A
// missing package is not scripted, and installing it fails as on Windows.
bool scriptPackage(const std::u16string& packagePath, const Profile& profile,
                   const IniFile& settings) {
    bool found = !packagePath.empty() && isRegularFile(packagePath);
    if (found) {
        IniSection startup = settings.getSection(u"Startup");
        std::u16string version =
            profile.packageVersion.value_or(startup.getValue(u"ProductVersion"));
        sim::MsiPackageData data = sim::samplePackage(
            profile.packageProductCode.value_or(startup.getValue(u"ProductCode")), version,
            profile.packageKeyFileVersion.value_or(version));
        if (!profile.packageHasKeyFile)
            data.fileVersions.clear();
        if (profile.packageCode)
            data.summary[9] = sim::SummaryValue{30, 0, *profile.packageCode};
        sim::msi().packages[packagePath] = data;
    }
    std::uint32_t result = profile.installerResult.value_or(found ? 0u : 1619u);
    sim::msi().installResult = result;
    return found;
}

std::string versionText(const VersionQuad& v) {
    std::string text;
    for (std::int32_t c : {v.major, v.minor, v.build, v.revision}) {
        if (c < 0)
            break;
        text += (text.empty() ? "" : ".") + std::to_string(c);
    }
    return text;
}

std::string modeText(std::int32_t mode) {
    switch (mode) {
    case AdminInstall:
        return "administrative installation";
    case Uninstall:
        return "removal";
    default:
        return "installation";
    }
}

// The TRANSFORMS= setting among the installer's command line, or "".
std::string transformsOf(const std::string& commandLine) {
    std::size_t at = 0;
    while ((at = commandLine.find("TRANSFORMS=", at)) != std::string::npos) {
        if (at == 0 || commandLine[at - 1] == ' ')
            return commandLine.substr(at, commandLine.find(' ', at) - at);
        ++at;
    }
    return {};
}

std::vector<BoxShown> boxesShown() {
    std::vector<BoxShown> boxes;
    for (const sim::MessageBoxCall& call : sim::machine().messageBoxes)
        boxes.push_back({utf8(call.caption), call.captionIsNull, call.style, utf8(call.text)});
    return boxes;
}

std::optional<InstallerCall> installerCall() {
    if (sim::msi().installs.empty())
        return std::nullopt;
    const sim::MsiInstallCall& call = sim::msi().installs.back();
    return InstallerCall{utf8(call.packagePath), utf8(call.commandLine), call.uiLevel,
                         call.logEnabled ? utf8(call.logFile) : std::string()};
}

// The settings the launcher reads, with the line each stood on.
void listSettingsRead(const SetupApp& app, std::vector<SettingRead>& read) {
    IniFile document;
    IniPositions where;
    try {
        document.load(app.setupFilePath(u"Setup.ini"), &where);
    } catch (const MalformedIniError&) {
    }
    auto add = [&](const std::u16string& section, const std::u16string& key) {
        read.push_back({"Setup.ini", utf8(section), utf8(key),
                        utf8(app.settings.getSection(section).getValue(key)),
                        where.keyLine(section, key)});
    };
    for (const char16_t* key : {u"ProductCode", u"ProductVersion", u"PackageName", u"CmdLine"})
        add(u"Startup", key);
    std::u16string packageSection = app.settings.getSection(u"Startup").getValue(u"PackageName");
    add(packageSection, u"Location");
    IniSection msiVersion = app.settings.getSection(u"MsiVersion");
    std::u16string requirement = msiVersion.getKeyAt(0);
    if (requirement.empty())
        return;
    add(u"MsiVersion", requirement);
    IniSection list = app.settings.getSection(msiVersion.getValue(requirement));
    for (std::size_t i = 0; i < list.getKeyCount(); ++i) {
        add(list.getName(), list.getKeyAt(i));
        if (list.getValue(list.getKeyAt(i)) != u"1")
            continue;
        for (const char16_t* key : {u"MajorVer", u"MinorVer", u"BuildNo", u"ServicePack"})
            if (where.keyLine(list.getKeyAt(i), key))
                add(list.getKeyAt(i), key);
    }
}

void listMessagesRead(const SetupApp& app, const std::string& file,
                      std::vector<SettingRead>& read) {
    IniFile document;
    IniPositions where;
    try {
        document.load(app.setupFilePath(utf16(file)), &where);
    } catch (const MalformedIniError&) {
    }
    const IniSection& messages = app.messages;
    for (std::size_t i = 0; i < messages.getKeyCount(); ++i) {
        std::u16string key = messages.getKeyAt(i);
        read.push_back({file, utf8(messages.getName()), utf8(key), utf8(messages.getValue(key)),
                        where.keyLine(messages.getName(), key)});
    }
}

const char* signNames[] = {"keyboard layout", "currency",          "system language",
                           "user language",   "user country code", "GeoID"};

// Which of the six signs point to Ukraine, asked of the same code the launcher asks.
void explainUkraine(Decisions& d) {
    for (const CountryRow& row : countryTable()) {
        if (row.key != u"UK")
            continue;
        CountrySigns all = gatherCountrySigns(row);
        d.ukraineSigns = countCountrySigns(row, all);
        for (int i = 0; i < 6; ++i) {
            CountrySigns one;
            one.systemLanguage = one.userLanguage = 0xFFFF;
            one.geoId = -1;
            switch (i) {
            case 0:
                one.keyboardCountries = all.keyboardCountries;
                break;
            case 1:
                one.currency = all.currency;
                break;
            case 2:
                one.systemLanguage = all.systemLanguage;
                break;
            case 3:
                one.userLanguage = all.userLanguage;
                break;
            case 4:
                one.userCountry = all.userCountry;
                break;
            default:
                one.geoId = all.geoId;
                break;
            }
            if (countCountrySigns(row, one) > 0)
                d.ukraineSignsFound.push_back(signNames[i]);
        }
    }
}

// The launcher's own init and run, step by step, to see its decisions.
void explainingRun(const std::string& hostFolder, const Profile& profile, CheckResult& result) {
    prepare(hostFolder, profile, result.arguments, result.placement);
    Decisions& d = result.decisions;
    {
        SetupApp app;
        bool started = false;
        try {
            started = app.init(u"Setup.ini");
        } catch (const MalformedIniError& error) {
            d.malformed = utf8(error.describe());
        }
        d.settingsFound = platform::fileExists(app.setupFilePath(u"Setup.ini"));
        d.usageAsked = app.showUsage;
        d.installMode = modeText(app.installMode);
        d.uiLevel = app.uiLevel;
        d.startLanguageId = d.languageId = app.languageId;
        d.languageGiven = app.languageGiven;
        d.packagePath = utf8(app.packagePath);
        if (d.settingsFound && d.malformed.empty()) {
            // The file of the language, or the English file holding every language's section.
            std::u16string tag = wtext::formatHex04(app.languageId);
            d.messageSection = utf8(tag);
            d.messageFile = platform::fileExists(app.setupFilePath(tag + u".ini"))
                                ? utf8(tag + u".ini")
                                : "0x0409.ini";
            listSettingsRead(app, result.read);
            listMessagesRead(app, d.messageFile, result.read);
        }
        d.windowsAccepted = started;
        if (!started)
            return;

        bool found = scriptPackage(app.packagePath, profile, app.settings);
        d.requiredRuntime = versionText(app.msiVersion);
        d.installedRuntime = utf8(msiRuntimeVersion());
        d.runtimeOlder =
            compareVersions(parseVersion(utf16(d.installedRuntime)), app.msiVersion) < 0;
        d.runtimeSetupPresent = platform::fileExists(app.setupFilePath(u"instmsi30.exe"));
        d.adminUpdate = platform::fileExists(app.setupFilePath(u"admupdt.cfg"));
        std::u16string tailBefore = app.cmdLine;

        app.run();

        d.runtimeSetupRan = !sim::machine().processesRun.empty();
        d.packageFound = found;
        d.packageProductCode = utf8(app.package.packageProductCode());
        d.packageVersion = utf8(app.package.packageProductVersion());
        d.packageKeyFileVersion = utf8(app.package.packageKeyFileVersion());
        d.packageCode = utf8(app.package.packageCodeValue());
        d.instanceName = utf8(app.package.instanceName());
        d.instanceProductCode = utf8(app.package.instanceProductCode());
        d.instanceDescriptionPresent =
            platform::fileExists(instanceDescriptionPath(app.packagePath));
        d.installedState = app.installedProductState();
        d.languageId = app.languageId;
        d.ukraineRuleOn = !app.languageGiven;
        explainUkraine(d);
        d.ukraineApplied = app.cmdLine != tailBefore;
        d.cmdLineTail = utf8(app.cmdLine);
        if (app.languageId != 0) {
            std::u16string name = languageTransformName(app.languageId);
            d.languageTransform = utf8(name);
            d.languageTransformPresent = platform::fileExists(app.setupFilePath(name));
        }
        if (auto call = installerCall())
            d.transforms = transformsOf(call->commandLine);
    }

    if (d.languageGiven)
        d.languageReason = "the option /l";
    else if (profile.userLanguage == 0x0C00)
        d.languageReason = "the language of the user's custom locale";
    else
        d.languageReason = "the user's default language";
    if (d.ukraineApplied)
        d.languageReason +=
            (d.startLanguageId == d.languageId ? "; kept Ukrainian, with COUNTRY=UA, because "
                                               : "; switched to Ukrainian because ") +
            std::to_string(d.ukraineSigns) + " of 6 signs point to Ukraine";
}

} // namespace

std::string joinArguments(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        std::string quoted = argument;
        if (argument.find_first_of(" \t") != std::string::npos &&
            argument.find('"') == std::string::npos) {
            std::size_t eq = argument.find('=');
            quoted = eq == std::string::npos || argument.find_first_of(" \t") < eq
                         ? "\"" + argument + "\""
                         : argument.substr(0, eq + 1) + "\"" + argument.substr(eq + 1) + "\"";
        }
        line += (line.empty() ? "" : " ") + quoted;
    }
    return line;
}

std::string Placement::launcherPath() const {
    return utf8(launcherDir(*this)) + exe;
}

bool normalisePlacement(Placement& placement, std::string& error) {
    std::string& folder = placement.folder;
    std::replace(folder.begin(), folder.end(), '/', '\\');
    bool drive = folder.size() >= 3 && std::isalpha(static_cast<unsigned char>(folder[0])) &&
                 folder[1] == ':' && folder[2] == '\\';
    if (!drive || folder.find("\\\\") != std::string::npos) {
        error = "--at needs an absolute Windows folder such as C:\\media or C:\\, not \"" + folder +
                "\"";
        return false;
    }
    while (folder.size() > 3 && folder.back() == '\\')
        folder.pop_back();
    const std::string& exe = placement.exe;
    if (exe.empty() || exe.find_first_of("\\/:\"") != std::string::npos) {
        error = "--exe needs a file name such as setup.exe, not \"" + exe + "\"";
        return false;
    }
    return true;
}

CheckResult checkMedium(const std::string& hostFolder, const Profile& profile,
                        const std::string& arguments, const Placement& placement) {
    CheckResult result;
    result.medium = hostFolder;
    result.placement = placement;
    result.profile = profile;
    result.arguments = arguments;

    explainingRun(hostFolder, profile, result);
    std::optional<InstallerCall> explained = installerCall();

    // The launcher's own entry, as setup.exe runs it: this is what the report states as
    // the outcome.
    prepare(hostFolder, profile, arguments, placement);
    if (!result.decisions.packagePath.empty()) {
        IniFile settings;
        try {
            settings.load(launcherDir(placement) + u"Setup.ini");
        } catch (const MalformedIniError&) {
        }
        scriptPackage(utf16(result.decisions.packagePath), profile, settings);
    }
    result.exitCode = runSetup();
    result.boxes = boxesShown();
    result.installer = installerCall();
    result.standardOutput = utf8(sim::machine().standardOutput);
    for (const std::u16string& path : sim::machine().processesRun)
        result.processesRun.push_back(utf8(path));
    msiLibrary().unload();

    auto same = [](const std::optional<InstallerCall>& a, const std::optional<InstallerCall>& b) {
        return a.has_value() == b.has_value() &&
               (!a || (a->commandLine == b->commandLine && a->packagePath == b->packagePath &&
                       a->uiLevel == b->uiLevel));
    };
    if (!same(explained, result.installer))
        result.inconsistency = "the step-by-step run and the launcher's entry disagree";

    result.warnings = mediumWarnings(hostFolder, placement);
    const Decisions& d = result.decisions;
    if (result.started() && d.runtimeOlder && !d.runtimeSetupPresent)
        result.warnings.push_back(
            {"", 0,
             "the installed Windows Installer " +
                 (d.installedRuntime.empty() ? std::string("(version unreadable)")
                                             : d.installedRuntime) +
                 " is older than the " + d.requiredRuntime +
                 " required, and instmsi30.exe is not on the medium: the launcher goes on "
                 "with the old one"});
    if (d.packageFound && !profile.packageHasKeyFile && d.instanceDescriptionPresent)
        result.warnings.push_back(
            {"", 0,
             "the package has no File row vorta.dll: its inspection stops before the setup.ini "
             "beside it is read, so an installed instance is never recognised"});
    if (!d.messageFile.empty()) {
        bool empty = std::none_of(result.read.begin(), result.read.end(),
                                  [&](const SettingRead& r) { return r.file == d.messageFile; });
        if (empty)
            result.warnings.push_back({d.messageFile, 0,
                                       "no section [" + d.messageSection +
                                           "] with texts for language " + d.messageSection +
                                           ": every box of the launcher shows an empty text"});
    }
    return result;
}

// ---- What a publisher should fix -----------------------------------------------------------

namespace {

std::u16string lower(std::u16string s) {
    return wtext::lowerAscii(s);
}

std::size_t editDistance(const std::u16string& a, const std::u16string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// ", did you mean X?" for a key that is nearly one the launcher reads.
std::string suggestion(const std::u16string& key, const std::vector<std::u16string>& known) {
    for (const std::u16string& k : known) {
        std::u16string a = lower(key), b = lower(k);
        if (a == b)
            return " (names are case-sensitive: did you mean " + utf8(k) + "?)";
        if (editDistance(a, b) <= 2)
            return " (did you mean " + utf8(k) + "?)";
    }
    return "";
}

bool isDigits(const std::u16string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

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

// "1049.mst" -> 1049; "0x0419.ini" -> 0x0419 (any letter case); else nothing.
std::optional<std::uint32_t> transformLanguage(const std::string& name) {
    std::u16string n = lower(utf16(name));
    if (n.size() < 5 || n.substr(n.size() - 4) != u".mst" || !isDigits(n.substr(0, n.size() - 4)))
        return std::nullopt;
    return wtext::parseULong(n.substr(0, n.size() - 4));
}
std::optional<std::uint32_t> messageLanguage(const std::string& name) {
    std::u16string n = lower(utf16(name));
    if (n.size() != 10 || n.substr(0, 2) != u"0x" || n.substr(6) != u".ini")
        return std::nullopt;
    std::uint32_t id = 0;
    for (char16_t c : n.substr(2, 4)) {
        int digit = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'a' && c <= u'f' ? c - u'a' + 10 : -1;
        if (digit < 0)
            return std::nullopt;
        id = id * 16 + std::uint32_t(digit);
    }
    return id;
}

struct Lint {
    std::vector<Warning> warnings;
    void add(const std::string& file, std::size_t line, const std::string& message) {
        warnings.push_back({file, line, message});
    }
};

void lintSettings(Lint& lint, const IniFile& settings, const IniPositions& where,
                  const std::u16string& packagePath, bool settingsHoldInstances) {
    const std::string file = "Setup.ini";
    std::set<std::u16string> readSections;

    // Sections that stand twice, keys that stand twice.
    for (const IniSectionPosition& s : where.sections) {
        if (!s.taken) {
            lint.add(
                file, s.line,
                "[" + utf8(s.name) + "] stands a second time; the reader keeps the first (line " +
                    std::to_string(where.sectionLine(s.name)) + ") and ignores this one whole");
            continue;
        }
        for (const IniKeyPosition& k : s.keys)
            for (std::size_t earlier : k.replacedLines)
                lint.add(file, earlier,
                         utf8(k.key) + " in [" + utf8(s.name) + "] stands again on line " +
                             std::to_string(k.line) + ", whose value counts");
    }

    auto checkKeys = [&](const std::u16string& section, const std::vector<std::u16string>& known,
                         const std::vector<std::u16string>& tolerated) {
        for (const IniSectionPosition& s : where.sections) {
            if (!s.taken || s.name != section)
                continue;
            for (const IniKeyPosition& k : s.keys) {
                if (std::find(known.begin(), known.end(), k.key) != known.end() ||
                    std::find(tolerated.begin(), tolerated.end(), k.key) != tolerated.end())
                    continue;
                lint.add(file, k.line,
                         utf8(k.key) + " in [" + utf8(section) + "] is never read by the launcher" +
                             suggestion(k.key, known));
            }
        }
    };

    // [Startup]
    readSections.insert(u"Startup");
    IniSection startup = settings.getSection(u"Startup");
    std::size_t startupLine = where.sectionLine(u"Startup");
    if (!startupLine)
        lint.add(
            file, 0,
            "no [Startup] section: the product code, version, package and CmdLine are all empty");
    checkKeys(u"Startup", {u"ProductCode", u"ProductVersion", u"PackageName", u"CmdLine"},
              {u"Product", u"PackageCode", u"LogResults"});
    if (startupLine && startup.getValue(u"ProductCode").empty())
        lint.add(file, startupLine,
                 "no ProductCode in [Startup]: the launcher can never find the product installed");
    if (startupLine && parseVersion(startup.getValue(u"ProductVersion")).major < 0)
        lint.add(file,
                 where.keyLine(u"Startup", u"ProductVersion")
                     ? where.keyLine(u"Startup", u"ProductVersion")
                     : startupLine,
                 "no ProductVersion a version can be read from: an installed product or instance "
                 "never matches it");

    // The package.
    std::u16string packageSection = startup.getValue(u"PackageName");
    std::size_t packageNameLine = where.keyLine(u"Startup", u"PackageName");
    std::size_t locationLine = 0;
    if (packageSection.empty()) {
        if (startupLine)
            lint.add(
                file, packageNameLine ? packageNameLine : startupLine,
                "no PackageName in [Startup]: the package path is the launcher's folder itself");
    } else if (!where.sectionLine(packageSection)) {
        lint.add(file, packageNameLine,
                 "PackageName names [" + utf8(packageSection) +
                     "], which does not exist: the package path is the launcher's folder itself");
    } else {
        readSections.insert(packageSection);
        checkKeys(packageSection, {u"Location"}, {});
        locationLine = where.keyLine(packageSection, u"Location");
        if (!locationLine)
            lint.add(file, where.sectionLine(packageSection),
                     "no Location in [" + utf8(packageSection) +
                         "]: the package path is the launcher's folder itself");
    }
    if (!packagePath.empty() && (packagePath.back() == u'\\' || packagePath.back() == u'/' ||
                                 !isRegularFile(packagePath))) {
        if (!packageSection.empty() && where.sectionLine(packageSection) && locationLine)
            lint.add(file, locationLine,
                     "the package " + utf8(packagePath) + " is not on the medium");
    }

    // The Windows Installer and Windows requirement.
    std::size_t msiVersionLine = where.sectionLine(u"MsiVersion");
    IniSection msiVersion = settings.getSection(u"MsiVersion");
    readSections.insert(u"MsiVersion");
    if (!msiVersionLine) {
        lint.add(file, 0, "no [MsiVersion] section: every start is refused (message 1150)");
        return;
    }
    if (msiVersion.getKeyCount() == 0) {
        lint.add(file, msiVersionLine,
                 "[MsiVersion] is empty: every start is refused (message 1150)");
        return;
    }
    std::u16string requirement = msiVersion.getKeyAt(0);
    std::size_t requirementLine = where.keyLine(u"MsiVersion", requirement);
    for (std::size_t i = 1; i < msiVersion.getKeyCount(); ++i)
        lint.add(file, where.keyLine(u"MsiVersion", msiVersion.getKeyAt(i)),
                 utf8(msiVersion.getKeyAt(i)) +
                     " in [MsiVersion] is ignored: only the first key in "
                     "code-unit order counts, which is " +
                     utf8(requirement));
    if (parseVersion(requirement).major < 0)
        lint.add(file, requirementLine,
                 "the Windows Installer requirement " + utf8(requirement) +
                     " is not a version number");
    std::u16string listName = msiVersion.getValue(requirement);
    std::size_t listLine = where.sectionLine(listName);
    if (listName.empty() || !listLine) {
        lint.add(file, requirementLine,
                 "the requirement list [" + utf8(listName) +
                     "] does not exist: every start is refused (message 1150)");
    } else {
        readSections.insert(listName);
        IniSection list = settings.getSection(listName);
        bool anyAccepted = false;
        for (std::size_t i = 0; i < list.getKeyCount(); ++i) {
            std::u16string entry = list.getKeyAt(i);
            std::u16string value = list.getValue(entry);
            std::size_t entryLine = where.keyLine(listName, entry);
            if (value != u"1") {
                if (value != u"0")
                    lint.add(file, entryLine,
                             utf8(entry) + "=" + utf8(value) +
                                 " does not accept that Windows: only the value 1 does");
                continue;
            }
            anyAccepted = true;
            std::size_t entryHeader = where.sectionLine(entry);
            if (!entryHeader) {
                lint.add(file, entryLine,
                         utf8(entry) + " names [" + utf8(entry) +
                             "], which does not exist: this entry is never met");
                continue;
            }
            readSections.insert(entry);
            checkKeys(entry, {u"MajorVer", u"MinorVer", u"BuildNo", u"ServicePack"}, {});
            IniSection version = settings.getSection(entry);
            // The launcher's own reading: the first component it cannot read, if any, is the
            // one to fix (it reads none after it).
            const WindowsEntry reading = readWindowsEntry(version);
            const std::int32_t parts[] = {reading.version.major, reading.version.minor,
                                          reading.version.build};
            const char16_t* const keys[] = {u"MajorVer", u"MinorVer", u"BuildNo"};
            for (int k = 0; k < 3; ++k) {
                if (parts[k] >= 0)
                    continue;
                std::size_t keyLine = where.keyLine(entry, keys[k]);
                if (!keyLine)
                    lint.add(file, entryHeader,
                             "[" + utf8(entry) + "] has no " + utf8(keys[k]) +
                                 ": this entry can never be met");
                else
                    lint.add(file, keyLine,
                             utf8(keys[k]) + "=" + utf8(version.getValue(keys[k])) +
                                 " is not a number: this entry can never be met");
                break;
            }
            std::u16string servicePack = version.getValue(u"ServicePack");
            if (where.keyLine(entry, u"ServicePack") && !isDigits(servicePack))
                lint.add(
                    file, where.keyLine(entry, u"ServicePack"),
                    "ServicePack=" + utf8(servicePack) +
                        " is not a number (major*256+minor, 256 = SP1): read as " +
                        std::to_string(reading.servicePackMajor * 256 + reading.servicePackMinor));
        }
        if (!anyAccepted)
            lint.add(file, listLine,
                     "[" + utf8(listName) +
                         "] accepts no Windows version (no entry =1): every start is refused");
    }

    // Sections that nothing reads. With the package beside the launcher, Setup.ini is also the
    // package folder's setup.ini, whose [Instances] names the installed instance.
    std::set<std::u16string> instanceSections;
    if (settingsHoldInstances) {
        for (const IniSectionPosition& s : where.sections) {
            if (lower(s.name) != u"instances")
                continue;
            instanceSections.insert(lower(s.name));
            IniSection instances = settings.getSection(s.name);
            for (std::size_t i = 0; i < instances.getKeyCount(); ++i)
                instanceSections.insert(lower(instances.getValue(instances.getKeyAt(i))));
        }
    }
    for (const IniSectionPosition& s : where.sections) {
        if (!s.taken || readSections.count(s.name) || instanceSections.count(lower(s.name)))
            continue;
        std::string message = "[" + utf8(s.name) + "] is never read by the launcher";
        if (lower(s.name) == u"instances")
            message += " (an instance description belongs in setup.ini beside the package)";
        lint.add(file, s.line, message);
    }
}

} // namespace

std::vector<Warning> mediumWarnings(const std::string& hostFolder, const Placement& placement) {
    Lint lint;
    const std::u16string setupDir = launcherDir(placement);
    // The package path exactly as the launcher makes it: its own init on a neutral machine.
    Profile neutral;
    prepare(hostFolder, neutral, "", placement);
    std::u16string packagePath;
    {
        SetupApp app;
        try {
            app.init(u"Setup.ini");
        } catch (const MalformedIniError&) {
        }
        packagePath = app.packagePath;
    }
    const std::u16string settingsPath = setupDir + u"Setup.ini";
    if (!platform::fileExists(settingsPath)) {
        lint.add("Setup.ini", 0,
                 "no Setup.ini beside the launcher: every start ends with exit code 1");
        msiLibrary().unload();
        return lint.warnings;
    }
    IniFile settings;
    IniPositions where;
    try {
        settings.load(settingsPath, &where);
        std::u16string description = instanceDescriptionPath(packagePath);
        lintSettings(lint, settings, where, packagePath,
                     wtext::equalsNoCaseAscii(description, settingsPath));
    } catch (const MalformedIniError& error) {
        lint.add("Setup.ini", error.line(),
                 utf8(error.problem()) + ": the launcher refuses to start");
    }

    // Languages: message files and transforms beside the launcher.
    const fs::path host(hostFolder);
    std::vector<std::string> names = filesIn(host);
    std::map<std::uint32_t, std::string> transforms, messageFiles;
    for (const std::string& name : names) {
        if (auto id = transformLanguage(name))
            transforms[*id] = name;
        if (auto id = messageLanguage(name))
            messageFiles[*id] = name;
    }
    IniFile fallback;
    bool fallbackRead = false;
    if (messageFiles.count(0x0409)) {
        try {
            fallbackRead = fallback.load(setupDir + utf16(messageFiles[0x0409]));
        } catch (const MalformedIniError&) {
        }
    }
    for (const auto& [id, name] : messageFiles) {
        std::u16string tag = wtext::formatHex04(id);
        IniFile document;
        IniPositions positions;
        try {
            document.load(setupDir + utf16(name), &positions);
        } catch (const MalformedIniError& error) {
            lint.add(name, error.line(),
                     utf8(error.problem()) + ": the launcher refuses to start in this language");
            continue;
        }
        std::size_t sectionLine = positions.sectionLine(tag);
        if (!sectionLine)
            lint.add(name, 0, "no section [" + utf8(tag) + "]: this file's texts are never read");
        else if (document.getSection(tag).getValue(u"1150").empty())
            lint.add(name, sectionLine,
                     "no text 1150 in [" + utf8(tag) +
                         "]: the box refusing an old Windows is empty");
        // The English file doubles as every language's fallback; a package usually needs no
        // transform for its own base language.
        if (id != 0x0409 && !transforms.count(id))
            lint.add(name, 0,
                     "no transform " + utf8(languageTransformName(id)) +
                         " beside the launcher: an installation in this language gets no language "
                         "transform");
    }
    for (const auto& [id, name] : transforms) {
        std::u16string tag = wtext::formatHex04(id);
        if (!messageFiles.count(id) && !(fallbackRead && fallback.getSection(tag).getName() == tag))
            lint.add(name, 0,
                     "no message file " + utf8(tag) + ".ini (and no section [" + utf8(tag) +
                         "] in 0x0409.ini): the launcher's boxes in this language are empty");
    }

    // Transforms and the package's folder. The launcher looks for a language transform beside
    // itself but passes the bare name, which the installer looks for in the current folder and
    // beside the package.
    std::size_t folderEnd = packagePath.find_last_of(u"\\/");
    std::u16string packageFolder =
        folderEnd == std::u16string::npos ? u"" : packagePath.substr(0, folderEnd + 1);
    if (!packageFolder.empty() && !wtext::equalsNoCaseAscii(packageFolder, setupDir)) {
        std::size_t line = 0;
        IniSection startup = settings.getSection(u"Startup");
        line = where.keyLine(startup.getValue(u"PackageName"), u"Location");
        for (const auto& [id, name] : transforms) {
            if (platform::fileExists(packageFolder + utf16(name)))
                continue;
            lint.add("Setup.ini", line,
                     name + " lies beside the launcher but the package lies in " +
                         utf8(packageFolder) +
                         ": the launcher passes the bare name TRANSFORMS=" + name +
                         ", which the Windows Installer looks for in the current folder and beside "
                         "the package; put a copy beside the package");
        }
        // The reverse: a transform beside the package only is never passed.
        std::u16string mediumPrefix = lower(setupDir);
        if (lower(packageFolder).rfind(mediumPrefix, 0) == 0) {
            std::string relative = utf8(packageFolder.substr(setupDir.size()));
            std::replace(relative.begin(), relative.end(), '\\', '/');
            for (const std::string& name : filesIn(host / relative)) {
                auto id = transformLanguage(name);
                if (id && !transforms.count(*id))
                    lint.add("Setup.ini", line,
                             name + " lies beside the package but not beside the launcher, which "
                                    "looks for it there: it is never passed");
            }
        }
    }
    msiLibrary().unload();
    return lint.warnings;
}
