// The text encodings of the medium's settings and message files, as the launcher decodes them:
// UTF-16 little-endian after the mark FF FE, UTF-8 after EF BB BF, and anything else as ANSI
// text in the machine's code page. Two mistakes follow from that:
// - a file in UTF-16 without its mark is read as ANSI text, which ends at its first zero byte,
//   so the launcher sees a character or nothing and refuses the file; that is the cause to
//   name, not the missing "]" or section the reader then reports (medium scope);
// - text beyond ASCII without a mark reads differently on machines of other code pages, so each
//   machine names the code page it reads the file in and how a line reads there (machine scope).
#pragma once

#include "tools/setup_check/machine/simulated_machine.h"
#include "tools/setup_check/result/warning.h"

#include <cstdint>
#include <string>
#include <vector>

namespace setupcheck {

// A file of the medium: its name there and its path on the simulated machine.
struct MediumFile {
    std::string name;
    std::u16string path;
};

// True, with the warning added, when `file` is UTF-16 without a byte-order mark; `consequence`
// says what the launcher does with a file it cannot read ("the launcher refuses to start").
[[nodiscard]] bool lintUtf16WithoutMark(Lint& lint, const SimulatedMachine& machine,
                                        const MediumFile& file, const std::string& consequence);

// Names, for each of `files` that holds text beyond ASCII without a byte-order mark, the code
// page `machine` reads it in and how its first such line reads there.
void lintAnsiText(Lint& lint, const SimulatedMachine& machine,
                  const std::vector<MediumFile>& files);

} // namespace setupcheck
