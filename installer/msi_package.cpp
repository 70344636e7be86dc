#include "installer/msi_package.h"

// Placeholder until the installer binding lands: nothing is inspected or installed.
MsiPackage::~MsiPackage() = default;

std::uint32_t MsiPackage::inspect(const std::u16string& packagePath) {
    path = packagePath;
    return 0;
}

std::uint32_t MsiPackage::install(std::int32_t, const std::u16string&) {
    return 1;
}
