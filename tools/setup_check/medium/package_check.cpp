#include "tools/setup_check/medium/package_check.h"

#include "setup/property_string.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/medium/instance_lines.h"
#include "tools/setup_check/medium/languages.h"

namespace setupcheck {

namespace {

TransformCheck checkFile(const std::string& name, const std::string& hostPath,
                         const PackageFacts& package) {
    TransformCheck check{name, false, true, hostPath, readTransform(hostPath), {}, {}, {}, {}};
    check.target = transformTarget(check.facts);
    if (check.facts.status == ReadStatus::read && check.target.wellFormed)
        check.failures = validationFailures(name, check.facts, package);
    return check;
}

// The instance transforms the package folder's setup.ini names, each looked for among the
// package's storages and read from there.
void addStoredTransforms(const std::string& host, PackageCheck& check) {
    for (const std::u16string& instance : check.instances.names) {
        TransformCheck stored;
        const std::string storage = utf8(instanceTransformStorage(instance));
        stored.name = ":" + storage;
        stored.stored = true;
        for (const std::string& name : check.facts.storages)
            stored.found = stored.found || name == storage;
        if (stored.found) {
            stored.facts = readStoredTransform(host, storage);
            stored.target = transformTarget(stored.facts);
            if (stored.facts.status == ReadStatus::read && stored.target.wellFormed)
                stored.failures = validationFailures(stored.name, stored.facts, check.facts);
        }
        check.transforms.push_back(stored);
    }
}

// Each transform applied on its own to the package.
void applyEach(const std::string& host, PackageCheck& check) {
    for (TransformCheck& transform : check.transforms) {
        const TransformedPackage applied = applyTransforms(
            host, {TransformSource{transform.name, transform.stored ? "" : transform.hostPath,
                                   transform.stored ? transform.name.substr(1) : ""}});
        if (applied.steps.empty())
            continue;
        transform.application = applied.steps.front();
        transform.notChecked = errorConditionsNotChecked(transform.application, applied.engine);
    }
}

} // namespace

std::string errorConditionsNotChecked(const TransformApplication& application,
                                      const std::string& engine) {
    if (!application.applied || application.errorConditionsChecked)
        return {};
    return "the error conditions (adding a row or table that exists, deleting or updating a "
           "missing row, deleting a missing table, changing the code page) were not checked: " +
           engine + " applies every change without checking them";
}

PackageCheck readPackageCheck(const SimulatedMachine& machine, const DecisionRecord& record) {
    PackageCheck check;
    check.path = record.settings.packagePath;
    const auto host = machine.hostFileOf(check.path);
    if (!host || !machine.isRegularFile(check.path) || !packageReadingAvailable())
        return check;
    check.facts = readPackage(*host);
    if (check.facts.status != ReadStatus::read)
        return check;
    check.engine = packageEngine();
    check.instances = readInstanceLines(machine, check.path);
    addStoredTransforms(*host, check);
    const std::u16string setupDir = machine.setupDir();
    for (const auto& [id, name] : languagesOnTheMedium(machine.hostFolder()).transforms)
        if (const auto transform = machine.hostFileOf(setupDir + utf16(name)))
            check.transforms.push_back(checkFile(name, *transform, check.facts));
    applyEach(*host, check);
    return check;
}

} // namespace setupcheck
