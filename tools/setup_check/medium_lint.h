// What a publisher should fix among the medium's files: Setup.ini (see settings_lint.h), the
// message files and the language transforms, and where they lie beside the package.
#pragma once

#include "setup/decision_record.h"
#include "tools/setup_check/package_lint.h"
#include "tools/setup_check/warning.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The languages a medium offers beside the launcher, by LANGID: file names exactly as the
// launcher would look for them (letter case aside).
struct Languages {
    std::map<std::uint32_t, std::string> transforms;   // 1049.mst
    std::map<std::uint32_t, std::string> messageFiles; // 0x0419.ini
};
Languages languagesOnTheMedium(const std::string& hostFolder);

struct MediumFindings {
    std::vector<Warning> warnings;
    PackageCheck package;
};

// `setupDir` is the launcher's folder on the simulated machine, where `hostFolder` is mapped;
// `record` is a plain run's (no options) on any machine that reaches the Windows requirement.
MediumFindings lintMedium(const std::string& hostFolder, const std::u16string& setupDir,
                          const DecisionRecord& record);
