// The languages a medium offers beside the launcher: message files and language transforms,
// found under the names the launcher looks for (letter case aside, as Windows finds files).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace setupcheck {

// By LANGID: file names exactly as they stand on the medium.
struct Languages {
    std::map<std::uint32_t, std::string> transforms;   // 1049.mst
    std::map<std::uint32_t, std::string> messageFiles; // 0x0419.ini
};
[[nodiscard]] Languages languagesOnTheMedium(const std::string& hostFolder);

// The names of the files in one host folder, sorted.
[[nodiscard]] std::vector<std::string> filesIn(const std::string& hostFolder);

// The language whose transform (or message file) the launcher would look for under `name`.
[[nodiscard]] std::optional<std::uint32_t> languageOfName(const std::string& name,
                                                          bool messageFile);

} // namespace setupcheck
