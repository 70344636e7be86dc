// The package a plain run of the launcher names, read from the medium, and every transform the
// medium offers for it: the language transforms beside the launcher, and the instance
// transforms the package folder's setup.ini names (stored in the package), each checked
// against what the transform asks the installer to validate.
#pragma once

#include "setup/decision_record.h"
#include "tools/setup_check/machine/simulated_machine.h"
#include "tools/setup_check/medium/instance_lines.h"
#include "tools/setup_check/package/package_reader.h"
#include "tools/setup_check/package/transform_check.h"

#include <string>
#include <vector>

namespace setupcheck {

struct TransformCheck {
    std::string name;    // 1049.mst beside the launcher, or :Inst2.mst stored in the package
    bool stored = false; // an instance transform, stored in the package
    bool found = false;
    std::string hostPath; // the file of a transform beside the launcher
    TransformFacts facts;
    TransformTarget target;
    std::vector<std::string> failures; // the validations the package fails
    // The transform applied on its own to the package, by the engine: whether it applies, why
    // not, and what it changes.
    TransformApplication application;
    // What could not be checked, and why (an empty text: nothing left unchecked).
    std::string notChecked;
};

struct PackageCheck {
    std::u16string path; // the package's Windows path as the launcher makes it
    PackageFacts facts;
    InstanceLines instances; // the package folder's setup.ini, as the launcher reads it
    // The instance transforms, then the language transforms: the order the launcher hands
    // them over in.
    std::vector<TransformCheck> transforms;
    std::string engine; // the engine that read the package and applied the transforms
};

// What is left unchecked of a transform the engine applied without checking the error
// conditions; empty where it checked them or did not apply the transform.
[[nodiscard]] std::string errorConditionsNotChecked(const TransformApplication& application,
                                                    const std::string& engine);

// `record` is a plain run's on `machine`: it names the package.
[[nodiscard]] PackageCheck readPackageCheck(const SimulatedMachine& machine,
                                            const DecisionRecord& record);

} // namespace setupcheck
