// Parts of the JSON report written in files of their own.
#pragma once

#include "tools/setup_check/check.h"
#include "tools/setup_check/json_writer.h"

// The launcher's decision record of one run, as the object "decisions".
void jsonDecisions(JsonWriter& j, const CheckResult& result);
