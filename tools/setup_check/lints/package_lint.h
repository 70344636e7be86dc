// What a publisher should fix about the package itself: a Location that names no package, an
// identity Setup.ini states differently, a package that needs a newer installer than the medium
// provides for, and transforms made for another package than this one.
#pragma once

#include "setup/decision_record.h"
#include "tools/setup_check/medium/ini_reading.h"
#include "tools/setup_check/medium/package_check.h"
#include "tools/setup_check/result/warning.h"

namespace setupcheck {

// `package` as read for the plain run `record`, whose Setup.ini is `settings`; `setupDir` is
// the launcher's folder, from which the medium's files are named.
void lintPackage(Lint& lint, const IniReading& settings, const DecisionRecord& record,
                 const PackageCheck& package, const std::u16string& setupDir);

} // namespace setupcheck
