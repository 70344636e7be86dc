#include "tools/setup_check/lints/settings_lint.h"

#include "platform/wtext.h"
#include "setup/setup_ini.h"
#include "sysreq/version.h"
#include "sysreq/windows_requirement.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/medium/settings_read.h"
#include "tools/setup_check/run/installer_rules.h"

#include <map>
#include <set>

namespace setupcheck {

namespace {

const std::string& file = settingsFileName();

// Keys that may stand in [Startup] although nothing reads them.
const std::set<std::u16string> toleratedStartupKeys{u"Product", u"PackageCode", u"LogResults"};

class SettingsLint {
public:
    SettingsLint(Lint& lint, const SimulatedMachine& machine, const IniReading& settings,
                 const DecisionRecord& record)
        : lint(lint), machine(machine), document(settings.document), where(settings.positions),
          record(record) {
        for (const SettingLookup& lookup : record.settings.read)
            readKeys[lookup.section].insert(lookup.key);
        const WindowsDecision& windows = record.windows;
        for (const WindowsEntryCheck& check : windows.entries) {
            readKeys[windows.listSection].insert(check.key);
            if (check.value == u"1")
                readKeys[check.key] = {windowsEntryKey::majorVer, windowsEntryKey::minorVer,
                                       windowsEntryKey::buildNo, windowsEntryKey::servicePack};
        }
    }

    void run(bool holdsInstances);

private:
    void add(WarningId id, std::size_t line, const std::string& message) {
        lint.add(id, file, line, message);
    }
    std::u16string lookedUp(const std::u16string& section, const std::u16string& key) const {
        return setupcheck::lookedUp(record, section, key);
    }
    void repeats();
    void unreadKeys();
    void startup();
    void package();
    void packagePath(std::size_t locationLine);
    void runtimeRequirement();
    void windowsList();
    void windowsEntry(const std::u16string& list, const WindowsEntryCheck& check);
    void servicePackUnscaled(std::size_t line, const std::u16string& section,
                             const WindowsEntry& e);
    void unreadSections(bool holdsInstances);

    Lint& lint;
    const SimulatedMachine& machine;
    const IniFile& document;
    const IniPositions& where;
    const DecisionRecord& record;
    std::map<std::u16string, std::set<std::u16string>> readKeys; // by the launcher, by section
};

// Sections that stand twice, keys that stand twice.
void SettingsLint::repeats() {
    for (const IniSectionPosition& s : where.sections) {
        if (!s.taken) {
            add(WarningId::sectionTwice, s.line,
                "[" + utf8(s.name) + "] stands a second time; the reader keeps the first (line " +
                    std::to_string(where.sectionLine(s.name)) + ") and ignores this one whole");
            continue;
        }
        for (const IniKeyPosition& k : s.keys)
            for (std::size_t earlier : k.replacedLines)
                add(WarningId::keyTwice, earlier,
                    utf8(k.key) + " in [" + utf8(s.name) + "] stands again on line " +
                        std::to_string(k.line) + ", whose value counts");
    }
}

// Keys of a section the launcher reads that it never looks up (a misspelt key, as a rule).
// [MsiVersion] has a warning of its own: only its first key counts.
void SettingsLint::unreadKeys() {
    for (const IniSectionPosition& s : where.sections) {
        auto read = readKeys.find(s.name);
        if (!s.taken || read == readKeys.end() || s.name == setupIni::msiVersion)
            continue;
        const std::vector<std::u16string> known(read->second.begin(), read->second.end());
        for (const IniKeyPosition& k : s.keys) {
            if (read->second.count(k.key) ||
                (s.name == setupIni::startup && toleratedStartupKeys.count(k.key)))
                continue;
            add(WarningId::keyNeverRead, k.line,
                utf8(k.key) + " in [" + utf8(s.name) + "] is never read by the launcher" +
                    suggestion(k.key, known));
        }
    }
}

void SettingsLint::startup() {
    const std::size_t startupLine = where.sectionLine(setupIni::startup);
    if (!startupLine) {
        add(WarningId::noStartup, 0,
            "no [Startup] section: the product code, version, package and CmdLine are all empty");
        return;
    }
    if (lookedUp(setupIni::startup, setupIni::productCode).empty())
        add(WarningId::noProductCode, startupLine,
            "no ProductCode in [Startup]: the launcher can never find the product installed");
    if (parseVersion(lookedUp(setupIni::startup, setupIni::productVersion)).major < 0) {
        const std::size_t line = where.keyLine(setupIni::startup, setupIni::productVersion);
        add(WarningId::noProductVersion, line ? line : startupLine,
            "no ProductVersion a version can be read from: an installed "
            "product or instance never matches it");
    }
}

void SettingsLint::package() {
    const std::u16string section = lookedUp(setupIni::startup, setupIni::packageName);
    const std::size_t nameLine = where.keyLine(setupIni::startup, setupIni::packageName);
    const std::size_t startupLine = where.sectionLine(setupIni::startup);
    if (section.empty()) {
        if (startupLine)
            add(WarningId::noPackageLocation, nameLine ? nameLine : startupLine,
                "no PackageName in [Startup]: the package path is the launcher's folder itself");
        return;
    }
    if (!where.sectionLine(section)) {
        add(WarningId::noPackageLocation, nameLine,
            "PackageName names [" + utf8(section) +
                "], which does not exist: the package path is the launcher's folder itself");
        return;
    }
    const std::size_t locationLine = where.keyLine(section, setupIni::location);
    if (!locationLine) {
        add(WarningId::noPackageLocation, where.sectionLine(section),
            "no Location in [" + utf8(section) +
                "]: the package path is the launcher's folder itself");
        return;
    }
    packagePath(locationLine);
}

// A package path the installer cannot open, or that setup-check cannot see.
void SettingsLint::packagePath(std::size_t locationLine) {
    const std::u16string& path = record.settings.packagePath;
    if (path.size() > longestOpenablePath) {
        add(WarningId::packagePathTooLong, locationLine,
            "the package path " + utf8(path) + " has " + std::to_string(path.size()) +
                " characters, more than the " + std::to_string(longestOpenablePath) +
                " Windows opens (MAX_PATH): the Windows Installer cannot open the package and "
                "answers 1619; shorten the medium's folders or Location");
        return;
    }
    if (path.empty() ||
        (path.back() != u'\\' && path.back() != u'/' && machine.isRegularFile(path)))
        return;
    if (!machine.isMapped(path))
        add(WarningId::packageOutsideMedium, locationLine,
            "the package " + utf8(path) +
                " lies outside the medium, where setup-check cannot see it: the runs are "
                "predicted as if it were missing (1619); map its folder onto a host folder to "
                "check it, e.g. --set \"map." +
                utf8(path.substr(0, path.find_last_of(u"\\/"))) + "=<host folder>\"");
    else
        add(WarningId::packageMissing, locationLine,
            "the package " + utf8(path) + " is not on the medium");
}

void SettingsLint::runtimeRequirement() {
    const std::size_t sectionLine = where.sectionLine(setupIni::msiVersion);
    const IniSection msiVersion = document.getSection(setupIni::msiVersion);
    if (!sectionLine) {
        add(WarningId::noRuntimeRequirement, 0,
            "no [MsiVersion] section: every start is refused (message 1150)");
        return;
    }
    if (msiVersion.getKeyCount() == 0) {
        add(WarningId::noRuntimeRequirement, sectionLine,
            "[MsiVersion] is empty: every start is refused (message 1150)");
        return;
    }
    const std::u16string requirement = record.windows.requiredRuntime;
    for (std::size_t i = 1; i < msiVersion.getKeyCount(); ++i)
        add(WarningId::runtimeKeyIgnored,
            where.keyLine(setupIni::msiVersion, msiVersion.getKeyAt(i)),
            utf8(msiVersion.getKeyAt(i)) +
                " in [MsiVersion] is ignored: only the first key in code-unit order counts, which "
                "is " +
                utf8(requirement));
    if (parseVersion(requirement).major < 0)
        add(WarningId::runtimeNotAVersion, where.keyLine(setupIni::msiVersion, requirement),
            "the Windows Installer requirement " + utf8(requirement) + " is not a version number");
    windowsList();
}

void SettingsLint::windowsList() {
    const WindowsDecision& windows = record.windows;
    const std::size_t listLine = where.sectionLine(windows.listSection);
    if (windows.listSection.empty() || !listLine) {
        add(WarningId::windowsListMissing,
            where.keyLine(setupIni::msiVersion, windows.requiredRuntime),
            "the requirement list [" + utf8(windows.listSection) +
                "] does not exist: every start is refused (message 1150)");
        return;
    }
    bool anyAccepted = false;
    for (const WindowsEntryCheck& check : windows.entries) {
        if (check.value == u"1")
            anyAccepted = true;
        windowsEntry(windows.listSection, check);
    }
    if (!anyAccepted)
        add(WarningId::windowsListMissing, listLine,
            "[" + utf8(windows.listSection) +
                "] accepts no Windows version (no entry =1): every start is refused");
}

void SettingsLint::windowsEntry(const std::u16string& list, const WindowsEntryCheck& check) {
    const std::size_t entryLine = where.keyLine(list, check.key);
    if (check.value != u"1") {
        if (check.value != u"0")
            add(WarningId::windowsEntryValue, entryLine,
                utf8(check.key) + "=" + utf8(check.value) +
                    " does not accept that Windows: only the value 1 does");
        return;
    }
    const std::size_t header = where.sectionLine(check.key);
    if (!header) {
        add(WarningId::windowsEntryNeverMet, entryLine,
            utf8(check.key) + " names [" + utf8(check.key) +
                "], which does not exist: this entry is never met");
        return;
    }
    // The launcher's own reading: the first component it cannot read, if any, is the one to
    // fix (it reads none after it).
    const WindowsEntry& e = check.entry;
    const std::int32_t parts[] = {e.version.major, e.version.minor, e.version.build};
    const char16_t* const keys[] = {windowsEntryKey::majorVer, windowsEntryKey::minorVer,
                                    windowsEntryKey::buildNo};
    const std::u16string* const texts[] = {&e.majorText, &e.minorText, &e.buildText};
    for (int k = 0; k < 3; ++k) {
        if (parts[k] >= 0)
            continue;
        const std::size_t keyLine = where.keyLine(check.key, keys[k]);
        if (!keyLine)
            add(WarningId::windowsEntryNeverMet, header,
                "[" + utf8(check.key) + "] has no " + utf8(keys[k]) +
                    ": this entry can never be met");
        else
            add(WarningId::windowsEntryNeverMet, keyLine,
                utf8(keys[k]) + "=" + utf8(*texts[k]) +
                    " is not a number: this entry can never be met");
        break;
    }
    const std::size_t servicePackLine = where.keyLine(check.key, windowsEntryKey::servicePack);
    if (servicePackLine && !isDigits(e.servicePackText))
        add(WarningId::servicePackNotANumber, servicePackLine,
            "ServicePack=" + utf8(e.servicePackText) +
                " is not a number (major*256+minor, 256 = SP1): read as " +
                std::to_string(e.servicePackMajor * 256 + e.servicePackMinor));
    else if (servicePackLine && e.servicePackMajor == 0 && e.servicePackMinor > 0)
        servicePackUnscaled(servicePackLine, check.key, e);
}

// ServicePack=3 reads as service pack 0.3, which SP1 and SP2 already exceed: SP3 was meant.
void SettingsLint::servicePackUnscaled(std::size_t line, const std::u16string& section,
                                       const WindowsEntry& e) {
    const std::string minor = std::to_string(e.servicePackMinor);
    add(WarningId::servicePackUnscaled, line,
        "ServicePack=" + utf8(e.servicePackText) + " in [" + utf8(section) +
            "] asks for service pack 0." + minor +
            " (the value is major*256+minor), which every service pack from SP1 on meets: for SP" +
            minor + " write ServicePack=" + std::to_string(e.servicePackMinor * 256));
}

// Sections that nothing reads. With the package beside the launcher, Setup.ini is also the
// package folder's setup.ini, whose [Instances] names the installed instance.
void SettingsLint::unreadSections(bool holdsInstances) {
    std::set<std::u16string> instanceSections;
    for (const IniSectionPosition& s : where.sections) {
        if (!holdsInstances || wtext::lowerAscii(s.name) != u"instances")
            continue;
        instanceSections.insert(u"instances");
        const IniSection instances = document.getSection(s.name);
        for (std::size_t i = 0; i < instances.getKeyCount(); ++i)
            instanceSections.insert(wtext::lowerAscii(instances.getValue(instances.getKeyAt(i))));
    }
    for (const IniSectionPosition& s : where.sections) {
        const std::u16string lower = wtext::lowerAscii(s.name);
        if (!s.taken || readKeys.count(s.name) || s.name == setupIni::msiVersion ||
            instanceSections.count(lower))
            continue;
        std::string message = "[" + utf8(s.name) + "] is never read by the launcher";
        if (lower == u"instances")
            message += " (an instance description belongs in setup.ini beside the package)";
        add(WarningId::sectionNeverRead, s.line, message);
    }
}

void SettingsLint::run(bool holdsInstances) {
    repeats();
    startup();
    package();
    // A start refused before the Windows requirement was read leaves the record without it.
    const bool complete = record.initOutcome == InitOutcome::Accepted ||
                          record.initOutcome == InitOutcome::WindowsRefused;
    if (!complete)
        return;
    unreadKeys();
    runtimeRequirement();
    unreadSections(holdsInstances);
}

} // namespace

void lintSettings(Lint& lint, const SimulatedMachine& machine, const IniReading& settings,
                  const DecisionRecord& record, bool holdsInstances) {
    SettingsLint(lint, machine, settings, record).run(holdsInstances);
}

} // namespace setupcheck
