// The package's identity as the installer answers the launcher for it, each value with where it
// came from: the profile's value where it sets one, else the package's own, else Setup.ini's.
#pragma once

#include "tools/setup_check/machine/profile.h"
#include "tools/setup_check/package/package_reader.h"

#include <string>

namespace setupcheck {

// Assumed: nothing says it; the check stands in a likely value (the key file in the product's
// version) or none (the package code).
enum class IdentitySource { Package, Profile, SetupIni, Assumed };
[[nodiscard]] const char* sourceName(IdentitySource source);

struct IdentityValue {
    std::string value;
    bool present = false; // false: the package has no such value (e.g. no key file row)
    IdentitySource source = IdentitySource::SetupIni;
    std::string via; // the transform that set the value, where one did (":Inst2.mst")
};

// Where the value came from, in the report's words: "package", "package + :Inst2.mst".
std::string sourceText(const IdentityValue& value);

struct PackageIdentity {
    bool opened = false; // the launcher opened the package and was answered
    PackageFacts facts;  // what reading the package's file found
    IdentityValue productCode, productVersion, keyFileVersion, packageCode;
};

// What Setup.ini's [Startup] states of the product.
struct StatedIdentity {
    std::u16string productCode, productVersion;
};

// The profile's value where it sets one, else the package's (`facts`, where it was read),
// else Setup.ini's (`stated`).
[[nodiscard]] PackageIdentity identifyPackage(const PackageFacts& facts, const Profile& profile,
                                              const StatedIdentity& stated);

} // namespace setupcheck
