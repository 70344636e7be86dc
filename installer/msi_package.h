// The installation package: opened read-only to learn its identity and the instance that the
// package folder's setup.ini names; its database handle stays open until the installation.
#pragma once

#include "installer/msi_library.h"
#include "sysreq/version.h"

#include <cstdint>
#include <string>

// What the installation call does with the package.
enum class InstallMode : std::int32_t {
    Install = 0,
    AdminInstall = 1, // an administrative installation ("ACTION=ADMIN")
    Uninstall = 2,    // a removal ("REMOVE=ALL")
};

// The properties the mode's prefix sets; the property string's own are named in
// setup/property_string.h.
namespace installerProperty {
inline constexpr char16_t action[] = u"ACTION"; // ADMIN: an administrative installation
inline constexpr char16_t remove[] = u"REMOVE"; // ALL: a removal
} // namespace installerProperty

// The command line handed to MsiInstallProductW: the mode's prefix ("ACTION=ADMIN " or
// "REMOVE=ALL ", each ending in a blank; nothing for an installation or any other value),
// then the property string as it stands.
std::u16string installerCommandLine(InstallMode mode, const std::u16string& propertyString);

// Whether the product the medium installs is there already, in exactly the medium's version.
enum class InstalledState : int {
    None = -1,    // neither, or the installer cannot be asked
    Product = 1,  // the product itself
    Instance = 2, // not the product, but the instance the package folder's setup.ini names
};

// The File row whose version the inspection reads with the package's identity: the key file of
// the product this launcher was first made for. A package without that row ends the inspection
// there, before the instance description beside it is read.
inline constexpr char16_t keyFileName[] = u"vorta.dll";

class MsiPackage {
public:
    MsiPackage() = default;
    MsiPackage(const MsiPackage&) = delete;
    MsiPackage& operator=(const MsiPackage&) = delete;

    // Opens the package and reads its product code, package code, product version and the
    // version of its key file, then the instance description beside it. Answers 0 when done
    // or when the installer or COM cannot be used at all, 2 when the package file is
    // missing, 1 when an entry point is missing, otherwise the installer's own result of the
    // step that failed; fields not reached keep their values. The database stays open.
    std::uint32_t inspect(const std::u16string& packagePath);

    // Installs the inspected package with installerCommandLine of the mode and the property
    // string. Closes the database first. 1 when MsiInstallProductW is not bound.
    std::uint32_t install(InstallMode mode, const std::u16string& propertyString);

    std::u16string instanceProductCode() const { return instanceProductCode_; }
    std::u16string instanceName() const { return instanceName_; }

    // Read-only views for tools and tests.
    std::uint32_t databaseHandle() const { return database.get(); }
    const std::u16string& packagePath() const { return path; }
    const std::u16string& packageProductCode() const { return productCode; }
    const std::u16string& packageCodeValue() const { return packageCode; }
    const std::u16string& packageProductVersion() const { return productVersion; }
    const std::u16string& packageKeyFileVersion() const { return keyFileVersion; }

private:
    // The package code from the summary information.
    std::uint32_t readPackageCode();

    // Open from inspect() until install(); closed when the package goes out of scope.
    MsiHandle database;
    std::u16string path;
    std::u16string productCode;
    std::u16string packageCode;
    std::u16string productVersion;
    std::u16string keyFileVersion;
    std::u16string instanceProductCode_;
    std::u16string instanceName_;
};

// Whether the product is installed in exactly `productVersion`: Product for `productCode`,
// else Instance for a non-empty `instanceProductCode`, else None (also when msi.dll cannot be
// loaded). Uses a binding of its own, freed before it returns.
InstalledState installedProductState(const std::u16string& productCode,
                                     const VersionQuad& productVersion,
                                     const std::u16string& instanceProductCode);
