// What goes wrong with the launcher's command line being checked: the same on every machine,
// so a medium warning. An option the launcher cannot read ends its reading there, silently:
// that option and every argument after it take no effect. And /l with a code the launcher does
// not know keeps the language it had, while turning the Ukraine rule off as any /l does.
// Both are read from the launcher's decision record, which holds the parse as it went.
#pragma once

#include "setup/decision_record.h"
#include "tools/setup_check/result/warning.h"

#include <string>

namespace setupcheck {

// `launcher` is the launcher's file name on the medium, the warnings' file.
void lintCommandLine(Lint& lint, const DecisionRecord& record, const std::string& launcher);

} // namespace setupcheck
