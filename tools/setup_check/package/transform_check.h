// Whether a transform fits the package it is handed to: the checks the transform asks the
// Windows Installer to make, as the installer documents them, made against the package's own
// answers before the medium ships.
//
// The rules, from the Windows Installer documentation:
// - "Character Count Summary" property: in a transform, the upper 16 bits hold the transform
//   validation flags, the lower 16 bits the error conditions the installer is to pass over.
// - "Revision Number Summary" property: in a transform, "Original-Product-Code
//   Original-Product-Version ; New-Product-Code New-Product-Version ; Upgrade-Code".
// - "Template Summary" property: in a transform, the platform and language of the package it
//   was made from.
// - MsiCreateTransformSummaryInfo: the validation flags. MSITRANSFORM_VALIDATE_LANGUAGE (0x1):
//   the default language must match the base database's; _PRODUCT (0x2): the product code must
//   match; _PLATFORM (0x4): the platform must match; _MAJORVERSION (0x8), _MINORVERSION (0x10),
//   _UPDATEVERSION (0x20): how much of the product version to compare; _NEWLESSBASEVERSION
//   (0x40), _NEWLESSEQUALBASEVERSION (0x80), _NEWEQUALBASEVERSION (0x100),
//   _NEWGREATEREQUALBASEVERSION (0x200), _NEWGREATERBASEVERSION (0x400): the relation the
//   version of the package being transformed must have to the version the transform was made
//   from; _UPGRADECODE (0x800): the upgrade code must match.
// - A transform that fails its validation fails the installation with 1624
//   (ERROR_INSTALL_TRANSFORM_FAILURE).
// - MsiDatabaseApplyTransform: the error conditions a transform may tell the installer to pass
//   over (the lower word of its Character Count). MSITRANSFORM_ERROR_ADDEXISTINGROW (0x1),
//   _DELMISSINGROW (0x2), _ADDEXISTINGTABLE (0x4), _DELMISSINGTABLE (0x8), _UPDATEMISSINGROW
//   (0x10), _CHANGECODEPAGE (0x20); a condition met and not passed over fails the transform.
#pragma once

#include "tools/setup_check/package/package_reader.h"

#include <string>
#include <vector>

namespace setupcheck {

// What the transform was made for, from its summary information.
struct TransformTarget {
    std::string productCode, productVersion, upgradeCode, platform, language;
    std::uint32_t validation = 0; // MSITRANSFORM_VALIDATE_* flags
    bool wellFormed = false;      // the revision names three parts, as a transform's does
};

[[nodiscard]] TransformTarget transformTarget(const TransformFacts& transform);
// The MSITRANSFORM_VALIDATE_* flags set in `flags`, by name ("product", "new_equal_base_version").
[[nodiscard]] std::vector<std::string> validationNames(std::uint32_t flags);
// The MSITRANSFORM_ERROR_* conditions set in `flags`, by name ("update_missing_row").
[[nodiscard]] std::vector<std::string> errorConditionNames(std::uint32_t flags);

// Each validation the transform asks for and the package does not pass, in words naming the
// transform `name`, what it was made for and what the package is ("1049.mst was made for
// ProductVersion 1.9.0; the package is 2.0.0 and the transform asks for an exact version
// match"). Empty when the package passes every check asked for.
[[nodiscard]] std::vector<std::string> validationFailures(const std::string& name,
                                                          const TransformFacts& transform,
                                                          const PackageFacts& package);

} // namespace setupcheck
