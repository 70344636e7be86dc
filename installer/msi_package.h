// The installation package: opened read-only to learn its identity and the instance that the
// package folder's setup.ini names; its database handle stays open until the installation.
#pragma once

#include "installer/msi_library.h"
#include "sysreq/version.h"

#include <cstdint>
#include <string>

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

    // Installs the inspected package: mode 1 administrative ("ACTION=ADMIN "), mode 2 removal
    // ("REMOVE=ALL "), anything else an ordinary installation, followed by the property
    // string. Closes the database first. 1 when MsiInstallProductW is not bound.
    std::uint32_t install(std::int32_t installMode, const std::u16string& propertyString);

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

// Whether the product is installed in exactly `productVersion`: 1 for `productCode`, else 2
// for a non-empty `instanceProductCode`, else -1 (also when msi.dll cannot be loaded). Uses a
// binding of its own, freed before it returns.
int installedProductState(const std::u16string& productCode, const VersionQuad& productVersion,
                          const std::u16string& instanceProductCode);
