// Parts of the JSON report written in files of their own.
#pragma once

#include "tools/setup_check/reports/json_writer.h"
#include "tools/setup_check/result/check_result.h"

namespace setupcheck {

// The launcher's decision record of one run, as the object "decisions".
void jsonDecisions(JsonWriter& j, const CheckResult& result);
// Every transform checked on the medium, as the array "transforms".
void jsonTransforms(JsonWriter& j, const PackageCheck& package);
// The product the installation installs, as the object "installs" (null when none is known).
void jsonInstalls(JsonWriter& j, const CheckResult& result);

} // namespace setupcheck
