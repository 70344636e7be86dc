// The package folder's setup.ini, the instance description, read line by line by the
// launcher's own rules: which instances it names, and which of its lines decided the instance
// the launcher finds. Each line is read with the section header before it, so the reading stays
// linear however long the file.
#pragma once

#include "tools/setup_check/machine/simulated_machine.h"

#include <cstddef>
#include <string>
#include <vector>

namespace setupcheck {

// A line after which the launcher's reading holds another instance name or product code.
struct InstanceLine {
    std::size_t number = 0; // from 1
    std::u16string section, key, value;
};

struct InstanceLines {
    bool read = false; // the file is there and can be decoded
    // Every instance named, in order: each time the name the launcher would use changes.
    std::vector<std::u16string> names;
    std::vector<InstanceLine> deciding;
    // What the launcher holds after the whole file.
    std::u16string name, productCode;
};

// The description beside the package `packagePath` on `machine`.
[[nodiscard]] InstanceLines readInstanceLines(const SimulatedMachine& machine,
                                              const std::u16string& packagePath);

} // namespace setupcheck
