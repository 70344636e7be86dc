#include "installer/msi_package.h"

#include "installer/instance_description.h"
#include "installer/msi_library.h"
#include "platform/platform.h"

namespace {

constexpr std::uint32_t pidTemplate = 7;
constexpr std::uint32_t pidRevisionNumber = 9;
constexpr std::uint32_t vtLpstr = 30;

// One single-value query: the first row's first field. Every handle it opens is closed
// before it returns; `text` is written only on success.
std::uint32_t queryValue(msi::MSIHANDLE database, const std::u16string& query,
                         std::u16string& text) {
    MsiHandle view;
    if (std::uint32_t r = msiLibrary.databaseOpenView(database, query, view.ref()))
        return r;
    if (std::uint32_t r = msiLibrary.viewExecute(view.get()))
        return r;
    MsiHandle record;
    if (std::uint32_t r = msiLibrary.viewFetch(view.get(), record.ref()))
        return r;
    std::u16string value;
    std::uint32_t r = msiLibrary.recordGetString(record.get(), value);
    record.reset();
    view.reset();
    if (r == 0)
        text = value;
    return r;
}

} // namespace

MsiPackage::~MsiPackage() {
    if (database != 0)
        msiLibrary.closeHandle(database);
}

std::uint32_t MsiPackage::inspect(const std::u16string& packagePath) {
    if (!msiLibrary.isLoaded() && !msiLibrary.load())
        return 0;
    if (database != 0) {
        msiLibrary.closeHandle(database);
        database = 0;
    }
    path = packagePath;
    if (platform::coInitialize() < 0)
        return 0;
    if (!platform::fileExists(path))
        return msi::errorFileNotFound;

    if (!msiLibrary.MsiOpenDatabaseW)
        return msi::errorInvalidFunction;
    if (std::uint32_t r = msiLibrary.MsiOpenDatabaseW(path.c_str(), nullptr, &database))
        return r;

    if (!msiLibrary.MsiGetSummaryInformationW)
        return msi::errorInvalidFunction;
    MsiHandle summary;
    if (std::uint32_t r = msiLibrary.MsiGetSummaryInformationW(database, u"", 0, summary.out()))
        return r;
    std::uint32_t type = 0;
    std::int32_t intValue = 0;
    msi::FILETIME fileTime{};
    std::u16string text;
    if (std::uint32_t r = msiLibrary.summaryInfoGetProperty(summary.get(), pidTemplate, type,
                                                            intValue, fileTime, text))
        return r;
    std::uint32_t r = msiLibrary.summaryInfoGetProperty(summary.get(), pidRevisionNumber, type,
                                                        intValue, fileTime, text);
    summary.reset();
    if (r != 0)
        return r;
    if (type == vtLpstr)
        packageCode = text;

    if ((r = queryValue(database, u"SELECT Value FROM Property WHERE Property = 'ProductCode'",
                        productCode)))
        return r;
    if ((r = queryValue(database, u"SELECT Value FROM Property WHERE Property = 'ProductVersion'",
                        productVersion)))
        return r;
    if ((r = queryValue(database,
                        u"SELECT Version FROM File WHERE File = '" + std::u16string(keyFileName) +
                            u"'",
                        keyFileVersion)))
        return r;

    readInstanceDescription(path, instanceName_, instanceProductCode_);
    return 0;
}

std::u16string installerCommandLine(InstallMode mode, const std::u16string& propertyString) {
    switch (mode) {
    case InstallMode::AdminInstall:
        return u"ACTION=ADMIN " + propertyString;
    case InstallMode::Uninstall:
        return u"REMOVE=ALL " + propertyString;
    default:
        return propertyString;
    }
}

std::uint32_t MsiPackage::install(InstallMode mode, const std::u16string& propertyString) {
    const std::u16string commandLine = installerCommandLine(mode, propertyString);
    if (database != 0) {
        msiLibrary.closeHandle(database);
        database = 0;
    }
    if (!msiLibrary.MsiInstallProductW)
        return msi::errorInvalidFunction;
    return msiLibrary.MsiInstallProductW(path.c_str(), commandLine.c_str());
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
