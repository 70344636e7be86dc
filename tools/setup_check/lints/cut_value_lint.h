// Values a comment cut short. The launcher's reader takes a ";" or "#" in a key line as the start
// of a comment and drops the rest of the line, so a URL with a fragment or two transforms
// separated by ";" lose their end without a word. Where the reader cut is the reader's own
// answer (IniObserver::comment), told while the tool loads the file as the launcher does.
#pragma once

#include "tools/setup_check/medium/ini_reading.h"
#include "tools/setup_check/result/warning.h"

#include <string>

namespace setupcheck {

// Warns, for the file `name` read as `file`, about every value whose cut-off text looks like
// data rather than a comment: no blank stands before the ";" or "#", or the text cut off holds
// an "=". "Location=vorta.msi ; the package" is a comment; "Url=https://x/#top" is not.
void lintCutValues(Lint& lint, const std::string& name, const IniReading& file);

} // namespace setupcheck
