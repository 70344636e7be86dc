// What a publisher should fix about the package itself: a Location that names no package, an
// identity Setup.ini states differently, a package that needs a newer installer than the medium
// provides for, and transforms made for another package than this one.
#pragma once

#include "setup/decision_record.h"
#include "tools/setup_check/ini_reading.h"
#include "tools/setup_check/package_reader.h"
#include "tools/setup_check/transform_check.h"
#include "tools/setup_check/warning.h"

#include <string>
#include <vector>

struct TransformCheck {
    std::string name;    // 1049.mst beside the launcher, or :Inst2.mst stored in the package
    bool stored = false; // an instance transform, stored in the package
    bool found = false;
    TransformFacts facts;
    TransformTarget target;
    std::vector<std::string> failures; // the validations the package fails
    // What could not be checked, and why (an empty text: nothing left unchecked).
    std::string notChecked;
};

struct PackageCheck {
    std::u16string path; // the package's Windows path as the launcher makes it
    PackageFacts facts;
    std::vector<TransformCheck> transforms;
};

// Reads the package a plain run of the launcher names (`record`) and every transform the medium
// offers for it, adding what does not fit to `lint`.
PackageCheck checkPackage(const std::string& hostFolder, const std::u16string& setupDir,
                          const IniReading& settings, const DecisionRecord& record, Lint& lint);
