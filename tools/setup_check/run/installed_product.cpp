#include "tools/setup_check/run/installed_product.h"

#include "platform/wtext.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/run/installer_properties.h"

namespace setupcheck {

namespace {

constexpr char16_t transformsProperty[] = u"TRANSFORMS";

std::u16string folderOf(const std::u16string& path) {
    const std::size_t slash = path.find_last_of(u'\\');
    return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
}

bool absolute(const std::u16string& path) {
    return (path.size() > 1 && path[1] == u':') || path.rfind(u"\\\\", 0) == 0;
}

// The value of `property`: the package's, changed by the last transform that changed it.
IdentityValue valueOf(const TransformedPackage& t, const std::optional<std::string>& after,
                      const char* property) {
    IdentityValue value{after.value_or(""), after.has_value(), IdentitySource::Package, {}};
    for (const TransformApplication& step : t.steps)
        for (const TableChange& change : step.changes)
            if (change.table == "Property" && !change.row.empty() && change.row[0] == property)
                value.via = step.name;
    return value;
}

IdentityValue overridden(IdentityValue value, const std::optional<std::u16string>& profile) {
    if (profile)
        return {utf8(*profile), true, IdentitySource::Profile, {}};
    return value;
}

} // namespace

std::vector<TransformSource> transformsHandedOver(const SimulatedMachine& machine,
                                                  const std::u16string& packagePath,
                                                  const std::u16string& commandLine) {
    std::u16string list;
    for (const PropertySetting& setting : propertySettings(commandLine))
        if (wtext::equalsNoCaseAscii(setting.name, transformsProperty))
            list = setting.value;
    std::vector<TransformSource> sources;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(u';', start);
        if (end == std::u16string::npos)
            end = list.size();
        const std::u16string name = list.substr(start, end - start);
        start = end + 1;
        if (name.empty())
            continue;
        if (name[0] == u':') {
            sources.push_back({utf8(name), "", utf8(name.substr(1))});
            continue;
        }
        const std::u16string path = absolute(name) ? name : folderOf(packagePath) + name;
        if (const auto host = machine.hostFileOf(path); host && machine.isRegularFile(path))
            sources.push_back({utf8(name), *host, ""});
    }
    return sources;
}

InstalledProduct installedProduct(const TransformedPackage& t, const Profile& profile) {
    InstalledProduct product;
    product.known = t.facts.status == ReadStatus::read;
    product.engine = t.engine;
    product.steps = t.steps;
    const PackageFacts& a = t.after;
    product.productCode =
        overridden(valueOf(t, a.productCode, "ProductCode"), profile.packageProductCode);
    product.productVersion =
        overridden(valueOf(t, a.productVersion, "ProductVersion"), profile.packageVersion);
    product.productLanguage = valueOf(t, a.productLanguage, "ProductLanguage");
    product.upgradeCode = valueOf(t, a.upgradeCode, "UpgradeCode");
    product.productName = valueOf(t, a.productName, "ProductName");
    product.manufacturer = valueOf(t, a.manufacturer, "Manufacturer");
    product.allUsers = valueOf(t, a.allUsers, "ALLUSERS");
    product.msiInstallPerUser = valueOf(t, a.msiInstallPerUser, "MSIINSTALLPERUSER");
    product.arpNoRepair = valueOf(t, a.arpNoRepair, "ARPNOREPAIR");
    return product;
}

const TransformApplication* firstNotApplied(const InstalledProduct& product) {
    for (const TransformApplication& step : product.steps)
        if (!step.applied)
            return &step;
    return nullptr;
}

} // namespace setupcheck
