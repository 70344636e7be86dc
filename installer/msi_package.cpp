#include "installer/msi_package.h"

#include "installer/instance_description.h"
#include "installer/msi_library.h"
#include "platform/platform.h"

namespace {

// One single-value query: the first row's first field. Every handle it opens is closed
// before it returns; `text` is written only on success.
std::uint32_t queryValue(msi::MSIHANDLE database, const std::u16string& query,
                         std::u16string& text) {
    const MsiLibrary& installer = msiLibrary();
    MsiHandle view;
    if (std::uint32_t r = installer.databaseOpenView(database, query, view.put()))
        return r;
    if (std::uint32_t r = installer.viewExecute(view.get()))
        return r;
    MsiHandle record;
    if (std::uint32_t r = installer.viewFetch(view.get(), record.put()))
        return r;
    std::u16string value;
    std::uint32_t r = installer.recordGetString(record.get(), value);
    record.reset();
    view.reset();
    if (r == 0)
        text = value;
    return r;
}

} // namespace

std::uint32_t MsiPackage::readPackageCode() {
    const MsiLibrary& installer = msiLibrary();
    MsiHandle summary;
    if (std::uint32_t r = installer.getSummaryInformation(database.get(), summary.put()))
        return r;
    std::uint32_t type = 0;
    std::int32_t intValue = 0;
    msi::FILETIME fileTime{};
    std::u16string text;
    if (std::uint32_t r = installer.summaryInfoGetProperty(summary.get(), msi::pidTemplate, type,
                                                           intValue, fileTime, text))
        return r;
    if (std::uint32_t r = installer.summaryInfoGetProperty(summary.get(), msi::pidRevisionNumber,
                                                           type, intValue, fileTime, text))
        return r;
    if (type == msi::vtLpstr)
        packageCode = text;
    return 0;
}

std::uint32_t MsiPackage::inspect(const std::u16string& packagePath) {
    MsiLibrary& installer = msiLibrary();
    if (!installer.isLoaded() && !installer.load())
        return 0;
    database.reset();
    path = packagePath;
    if (platform::coInitialize() < 0)
        return 0;
    if (!platform::fileExists(path))
        return msi::errorFileNotFound;

    if (std::uint32_t r = installer.openDatabase(path, msi::openReadOnly, database.put()))
        return r;
    if (std::uint32_t r = readPackageCode())
        return r;
    if (std::uint32_t r =
            queryValue(database.get(), u"SELECT Value FROM Property WHERE Property = 'ProductCode'",
                       productCode))
        return r;
    if (std::uint32_t r = queryValue(
            database.get(), u"SELECT Value FROM Property WHERE Property = 'ProductVersion'",
            productVersion))
        return r;
    if (std::uint32_t r = queryValue(database.get(),
                                     u"SELECT Version FROM File WHERE File = '" +
                                         std::u16string(keyFileName) + u"'",
                                     keyFileVersion))
        return r;

    readInstanceDescription(path, instanceName_, instanceProductCode_);
    return 0;
}

std::u16string installerCommandLine(InstallMode mode, const std::u16string& propertyString) {
    switch (mode) {
    case InstallMode::AdminInstall:
        return installerProperty::action + (u"=ADMIN " + propertyString);
    case InstallMode::Uninstall:
        return installerProperty::remove + (u"=ALL " + propertyString);
    default:
        return propertyString;
    }
}

std::uint32_t MsiPackage::install(InstallMode mode, const std::u16string& propertyString) {
    const std::u16string commandLine = installerCommandLine(mode, propertyString);
    database.reset();
    return msiLibrary().installProduct(path, commandLine);
}

InstalledState installedProductState(const std::u16string& productCode,
                                     const VersionQuad& productVersion,
                                     const std::u16string& instanceProductCode) {
    // A binding of its own, so the query works whatever state the process-wide one is in;
    // its destructor frees the library on every path.
    MsiLibrary own;
    own.clear();
    if (!own.load())
        return InstalledState::None;

    auto installedInVersion = [&](const std::u16string& product) {
        std::u16string text;
        if (own.getProductInfo(product, u"InstallLocation", text) != 0)
            return false;
        if (own.getProductInfo(product, u"VersionString", text) != 0)
            return false;
        return parseVersion(text) == productVersion;
    };
    if (installedInVersion(productCode))
        return InstalledState::Product;
    if (instanceProductCode.empty())
        return InstalledState::None;
    return installedInVersion(instanceProductCode) ? InstalledState::Instance
                                                   : InstalledState::None;
}
