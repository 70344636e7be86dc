#include "tools/setup_check/package_lint.h"

#include "installer/instance_description.h"
#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/wtext.h"
#include "setup/property_string.h"
#include "sysreq/version.h"
#include "tools/setup_check/medium_lint.h"
#include "tools/setup_check/text.h"

#include <fstream>
#include <iterator>

namespace {

// libmsi 0.101, the library Debian 12 ships, applies no transform that changes a table: it
// looks the table up under a name with two bytes of the stream's table mark left on. So the
// tool checks what a transform was made for, not that it applies.
const char* const applicationNotChecked =
    "whether its rows apply is not checked: libmsi 0.101 applies no transform that changes a table";

std::string lookedUp(const DecisionRecord& record, const char16_t* key) {
    for (const SettingLookup& lookup : record.settings.read)
        if (lookup.section == u"Startup" && lookup.key == key)
            return utf8(lookup.value);
    return {};
}

std::size_t locationLine(const IniReading& settings, const DecisionRecord& record) {
    for (const SettingLookup& lookup : record.settings.read)
        if (lookup.key == u"Location")
            return settings.positions.keyLine(lookup.section, u"Location");
    return 0;
}

void lintIdentity(Lint& lint, const IniReading& settings, const DecisionRecord& record,
                  const PackageFacts& facts) {
    struct Stated {
        const char16_t* key;
        std::optional<std::string> package;
        const char* consequence;
    };
    const Stated stated[] = {
        {u"ProductCode", facts.productCode,
         "the launcher asks the Windows Installer about the product Setup.ini names, so it never "
         "finds this package's product installed"},
        {u"ProductVersion", facts.productVersion,
         "the launcher counts the product as installed only in Setup.ini's version, so it never "
         "recognises this package installed"},
    };
    for (const Stated& s : stated) {
        const std::string value = lookedUp(record, s.key);
        const bool same =
            s.key == std::u16string(u"ProductCode")
                ? wtext::equalsNoCaseAscii(utf16(value), utf16(s.package.value_or("")))
                : value == s.package.value_or("");
        if (same || value.empty())
            continue;
        lint.add(WarningId::identityDiffers, "Setup.ini",
                 settings.positions.keyLine(u"Startup", s.key),
                 utf8(s.key) + " in [Startup] is " + value + ", the package's is " +
                     s.package.value_or("(none)") + ": " + s.consequence);
    }
}

// The schema is the lowest installer version the package needs: major * 100 + minor.
void lintInstallerVersion(Lint& lint, const IniReading& settings, const DecisionRecord& record,
                          const PackageFacts& facts) {
    const std::u16string& required = record.windows.requiredRuntime;
    const VersionQuad needed{facts.schema / 100, facts.schema % 100, -1, -1};
    const VersionQuad asked = parseVersion(required);
    if (facts.schema <= 0 || asked.major < 0 || compareVersions(needed, asked) <= 0)
        return;
    const std::string neededText = schemaVersionText(facts.schema);
    lint.add(WarningId::installerTooOld, "Setup.ini",
             settings.positions.keyLine(u"MsiVersion", required),
             "the package needs Windows Installer " + neededText + " (its schema " +
                 std::to_string(facts.schema) + "), but [MsiVersion] requires only " +
                 utf8(required) + ": on a machine whose installer is older than " + neededText +
                 " the launcher updates nothing and the installation fails");
}

// Every instance the package folder's setup.ini names, read by the launcher's own rules: each
// line of [Instances] but count names one, as the last such line names the one it uses.
std::vector<std::u16string> instancesNamed(const std::u16string& packagePath) {
    std::vector<std::u16string> names;
    const auto host = sim::hostFileOf(instanceDescriptionPath(packagePath));
    if (!host)
        return names;
    std::ifstream in(*host, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::u16string text;
    if (!decodeInstanceDescription(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size(), text))
        return names;
    std::u16string name, code;
    for (std::size_t end = text.find(u'\n'); end != std::u16string::npos;
         end = text.find(u'\n', end + 1)) {
        applyInstanceDescription(text.substr(0, end), name, code);
        if (!name.empty() && (names.empty() || names.back() != name))
            names.push_back(name);
    }
    applyInstanceDescription(text, name, code);
    if (!name.empty() && (names.empty() || names.back() != name))
        names.push_back(name);
    return names;
}

TransformCheck checkFile(const std::string& name, const std::string& hostPath,
                         const PackageFacts& package) {
    TransformCheck check{name, false, true, readTransform(hostPath), {}, {}, applicationNotChecked};
    check.target = transformTarget(check.facts);
    if (check.facts.status == ReadStatus::read && check.target.wellFormed)
        check.failures = validationFailures(name, check.facts, package);
    return check;
}

// `description`: the package folder's setup.ini as the medium names it (data\setup.ini).
void lintTransform(Lint& lint, const TransformCheck& check, const std::string& description) {
    const std::string file = check.stored ? description : check.name;
    if (!check.found) {
        lint.add(WarningId::instanceTransformMissing, file, 0,
                 "names the instance " + check.name.substr(1, check.name.size() - 5) +
                     ", but the package stores no transform " + check.name.substr(1) +
                     ": an installation over that instance fails (Windows answers 1624)");
    } else if (!check.stored && check.facts.status != ReadStatus::read) {
        lint.add(WarningId::transformUnreadable, file, 0,
                 check.name + " cannot be read as a transform: " + check.facts.problem);
    } else if (!check.stored && !check.target.wellFormed) {
        lint.add(WarningId::transformUnreadable, file, 0,
                 check.name + " is no transform: its summary names no product it was made for");
    }
    for (const std::string& failure : check.failures)
        lint.add(WarningId::transformMismatch, file, 0, failure + " (Windows answers 1624)");
}

// The instance transforms the package folder's setup.ini names, each looked for among the
// package's storages.
void addStoredTransforms(PackageCheck& check) {
    for (const std::u16string& instance : instancesNamed(check.path)) {
        TransformCheck stored;
        const std::string storage = utf8(instanceTransformStorage(instance));
        stored.name = ":" + storage;
        stored.stored = true;
        stored.notChecked = "what it was made for is not read: libmsi reads no storage's data";
        for (const std::string& name : check.facts.storages)
            stored.found = stored.found || name == storage;
        check.transforms.push_back(stored);
    }
}

} // namespace

PackageCheck checkPackage(const std::string& hostFolder, const std::u16string& setupDir,
                          const IniReading& settings, const DecisionRecord& record, Lint& lint) {
    PackageCheck check;
    check.path = record.settings.packagePath;
    const auto host = sim::hostFileOf(check.path);
    if (!host || !isRegularFile(check.path) || !packageReadingAvailable())
        return check;
    check.facts = readPackage(*host);
    if (check.facts.status != ReadStatus::read) {
        lint.add(WarningId::notAPackage, "Setup.ini", locationLine(settings, record),
                 "the package " + utf8(check.path) + " is not a Windows Installer package (" +
                     check.facts.problem + ")");
        return check;
    }
    lintIdentity(lint, settings, record, check.facts);
    lintInstallerVersion(lint, settings, record, check.facts);
    for (const auto& [id, name] : languagesOnTheMedium(hostFolder).transforms)
        check.transforms.push_back(
            checkFile(name, *sim::hostFileOf(setupDir + utf16(name)), check.facts));
    addStoredTransforms(check);
    const std::string description = onTheMedium(setupDir, instanceDescriptionPath(check.path));
    for (const TransformCheck& transform : check.transforms)
        lintTransform(lint, transform, description);
    return check;
}
