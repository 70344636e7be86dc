// What the files of the simulated platform share beyond the scripting API of sim.h.
#pragma once

namespace sim {

// Empties the simulated file system (files, folders and mounts).
void resetFiles();

} // namespace sim
