// Parts of the JSON report written in files of their own.
#pragma once

#include "tools/setup_check/reports/json_writer.h"
#include "tools/setup_check/result/check_result.h"

namespace setupcheck {

// The launcher's decision record of one run, as the object "decisions".
void jsonDecisions(JsonWriter& j, const CheckResult& result);

} // namespace setupcheck
