// The Windows build of setup-check: no library to read packages with, so the package's identity
// comes from the profile or from Setup.ini.
#include "tools/setup_check/package/package_reader.h"

namespace setupcheck {

bool packageReadingAvailable() {
    return false;
}

PackageFacts readPackage(const std::string&) {
    PackageFacts facts;
    facts.problem = "this build of setup-check reads no package";
    return facts;
}

TransformFacts readTransform(const std::string&) {
    TransformFacts facts;
    facts.problem = "this build of setup-check reads no transform";
    return facts;
}

} // namespace setupcheck
