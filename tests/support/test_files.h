// Files for portable tests: written where the platform under test reads them (the simulated
// file system natively, a real temporary folder under Windows).
#pragma once

#include <string>

namespace testfiles {

// A fresh, empty folder for one test, as a Windows path ending in a backslash.
std::u16string freshFolder();
// Writes `bytes` to `folder` + `name` and returns the full path.
std::u16string write(const std::u16string& folder, const std::u16string& name,
                     const std::string& bytes);
// Makes a folder `folder` + `name` and returns its full path.
std::u16string makeFolder(const std::u16string& folder, const std::u16string& name);

} // namespace testfiles
