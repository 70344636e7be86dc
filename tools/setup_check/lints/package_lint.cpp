#include "tools/setup_check/lints/package_lint.h"

#include "installer/instance_description.h"
#include "platform/wtext.h"
#include "setup/setup_ini.h"
#include "sysreq/version.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/medium/settings_read.h"

namespace setupcheck {

namespace {

void lintIdentity(Lint& lint, const IniReading& settings, const DecisionRecord& record,
                  const PackageFacts& facts) {
    struct Stated {
        const char16_t* key;
        std::optional<std::string> package;
        const char* consequence;
    };
    const Stated stated[] = {
        {setupIni::productCode, facts.productCode,
         "the launcher asks the Windows Installer about the product Setup.ini names, so it never "
         "finds this package's product installed"},
        {setupIni::productVersion, facts.productVersion,
         "the launcher counts the product as installed only in Setup.ini's version, so it never "
         "recognises this package installed"},
    };
    for (const Stated& s : stated) {
        const std::string value = utf8(lookedUp(record, setupIni::startup, s.key));
        const bool same =
            s.key == std::u16string(setupIni::productCode)
                ? wtext::equalsNoCaseAscii(utf16(value), utf16(s.package.value_or("")))
                : value == s.package.value_or("");
        if (same || value.empty())
            continue;
        lint.add(WarningId::identityDiffers, settingsFileName(),
                 settings.positions.keyLine(setupIni::startup, s.key),
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
    lint.add(WarningId::installerTooOld, settingsFileName(),
             settings.positions.keyLine(setupIni::msiVersion, required),
             "the package needs Windows Installer " + neededText + " (its schema " +
                 std::to_string(facts.schema) + "), but [MsiVersion] requires only " +
                 utf8(required) + ": on a machine whose installer is older than " + neededText +
                 " the launcher updates nothing and the installation fails");
}

// `description`: the package folder's setup.ini as the medium names it (data\setup.ini).
void lintTransform(Lint& lint, const TransformCheck& check, const std::string& description,
                   const std::string& engine) {
    const std::string file = check.stored ? description : check.name;
    if (!check.found) {
        lint.add(WarningId::instanceTransformMissing, file, 0,
                 "names the instance " + check.name.substr(1, check.name.size() - 5) +
                     ", but the package stores no transform " + check.name.substr(1) +
                     ": an installation over that instance fails (Windows answers 1624)");
    } else if (check.facts.status != ReadStatus::read) {
        lint.add(WarningId::transformUnreadable, file, 0,
                 check.name + " cannot be read as a transform: " + check.facts.problem);
    } else if (!check.target.wellFormed) {
        lint.add(WarningId::transformUnreadable, file, 0,
                 check.name + " is no transform: its summary names no product it was made for");
    } else if (!check.application.applied) {
        lint.add(WarningId::transformNotApplied, file, 0,
                 check.name + " does not apply to the package (" + engine +
                     "): " + check.application.problem + " (Windows answers 1624)");
    }
    for (const std::string& failure : check.failures)
        lint.add(WarningId::transformMismatch, file, 0, failure + " (Windows answers 1624)");
}

// A ProductCode line before any instance is named gives the launcher an instance without a
// name, whose transform it hands over as ":.mst;" once that product is installed.
void lintNamelessInstance(Lint& lint, const PackageCheck& check, const DecisionRecord& record,
                          const std::string& description) {
    const InstanceLines& instances = check.instances;
    if (!instances.read || !instances.name.empty() || instances.productCode.empty())
        return;
    std::size_t line = 0;
    for (const InstanceLine& deciding : instances.deciding)
        if (deciding.value == instances.productCode)
            line = deciding.number;
    const std::string code = utf8(instances.productCode);
    lint.add(WarningId::instanceWithoutName, description, line,
             "ProductCode=" + code +
                 " stands before any instance is named, so the launcher takes it as the product "
                 "code of an instance without a name: where " +
                 code + " is installed in ProductVersion " +
                 utf8(lookedUp(record, setupIni::startup, setupIni::productVersion)) +
                 ", the launcher passes TRANSFORMS=:.mst;... and the Windows Installer answers "
                 "1624 (ERROR_INSTALL_TRANSFORM_FAILURE: the package stores no transform \".mst\")"
                 ", shown in the \"Error\" box unless /S; name the instance under [Instances] "
                 "(1=<name>) and put ProductCode= in its section [<name>]");
}

} // namespace

void lintPackage(Lint& lint, const IniReading& settings, const DecisionRecord& record,
                 const PackageCheck& check, const std::u16string& setupDir) {
    const ReadStatus status = check.facts.status;
    if (status == ReadStatus::unavailable)
        return;
    if (status != ReadStatus::read) {
        lint.add(WarningId::notAPackage, settingsFileName(), locationLine(settings, record),
                 "the package " + utf8(check.path) + " is not a Windows Installer package (" +
                     check.facts.problem + ")");
        return;
    }
    lintIdentity(lint, settings, record, check.facts);
    lintInstallerVersion(lint, settings, record, check.facts);
    const std::string description = onTheMedium(setupDir, instanceDescriptionPath(check.path));
    for (const TransformCheck& transform : check.transforms)
        lintTransform(lint, transform, description, check.engine);
    lintNamelessInstance(lint, check, record, description);
}

} // namespace setupcheck
