// The installation package: opened read-only to learn its identity and the instance that the
// package folder's setup.ini names; its database handle stays open until the installation.
#pragma once

#include <cstdint>
#include <string>

class MsiPackage {
public:
    MsiPackage() = default;
    ~MsiPackage();
    MsiPackage(const MsiPackage&) = delete;
    MsiPackage& operator=(const MsiPackage&) = delete;

    std::uint32_t inspect(const std::u16string& packagePath);
    std::uint32_t install(std::int32_t installMode, const std::u16string& propertyString);

    std::u16string instanceProductCode() const { return instanceProductCode_; }
    std::u16string instanceName() const { return instanceName_; }

    // Read-only views for tools and tests.
    std::uint32_t databaseHandle() const { return database; }
    const std::u16string& packagePath() const { return path; }
    const std::u16string& packageProductCode() const { return productCode; }
    const std::u16string& packageCodeValue() const { return packageCode; }
    const std::u16string& packageProductVersion() const { return productVersion; }
    const std::u16string& packageKeyFileVersion() const { return keyFileVersion; }

private:
    std::uint32_t database = 0;
    std::u16string path;
    std::u16string productCode;
    std::u16string packageCode;
    std::u16string productVersion;
    std::u16string keyFileVersion;
    std::u16string instanceProductCode_;
    std::u16string instanceName_;
};
