#include "tools/setup_check/medium/package_check.h"

#include "setup/property_string.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/medium/instance_lines.h"
#include "tools/setup_check/medium/languages.h"

namespace setupcheck {

namespace {

// libmsi 0.101, the library Debian 12 ships, applies no transform that changes a table: it
// looks the table up under a name with two bytes of the stream's table mark left on. So the
// tool checks what a transform was made for, not that it applies.
const char* const applicationNotChecked =
    "whether its rows apply is not checked: libmsi 0.101 applies no transform that changes a table";

TransformCheck checkFile(const std::string& name, const std::string& hostPath,
                         const PackageFacts& package) {
    TransformCheck check{name, false, true, readTransform(hostPath), {}, {}, applicationNotChecked};
    check.target = transformTarget(check.facts);
    if (check.facts.status == ReadStatus::read && check.target.wellFormed)
        check.failures = validationFailures(name, check.facts, package);
    return check;
}

// The instance transforms the package folder's setup.ini names, each looked for among the
// package's storages.
void addStoredTransforms(PackageCheck& check) {
    for (const std::u16string& instance : check.instances.names) {
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

PackageCheck readPackageCheck(const SimulatedMachine& machine, const DecisionRecord& record) {
    PackageCheck check;
    check.path = record.settings.packagePath;
    if (!packageReadingAvailable())
        return check;
    const auto host = machine.hostFileOf(check.path);
    if (!host || !machine.isRegularFile(check.path)) {
        check.facts.status = ReadStatus::missing;
        check.facts.problem = machine.isMapped(check.path)
                                  ? "no such file"
                                  : "it lies outside the medium and every mapped folder";
        return check;
    }
    check.facts = readPackage(*host);
    if (check.facts.status != ReadStatus::read)
        return check;
    const std::u16string setupDir = machine.setupDir();
    for (const auto& [id, name] : languagesOnTheMedium(machine.hostFolder()).transforms)
        if (const auto transform = machine.hostFileOf(setupDir + utf16(name)))
            check.transforms.push_back(checkFile(name, *transform, check.facts));
    check.instances = readInstanceLines(machine, check.path);
    addStoredTransforms(check);
    return check;
}

} // namespace setupcheck
