#include "tools/setup_check/medium/ini_positions.h"

#include <string_view>

namespace setupcheck {

std::size_t IniPositions::sectionLine(const std::u16string& name) const {
    const auto taken = takenAt.find(name);
    return taken == takenAt.end() ? 0 : sections[taken->second].line;
}

std::size_t IniPositions::keyLine(const std::u16string& section, const std::u16string& key) const {
    const auto taken = takenAt.find(section);
    if (taken == takenAt.end())
        return 0;
    const IniSectionPosition& s = sections[taken->second];
    const auto k = s.keyAt.find(key);
    return k == s.keyAt.end() ? 0 : s.keys[k->second].line;
}

IniLoadResult loadWithPositions(IniFile& document, const std::u16string& path,
                                IniPositions& where) {
    where = IniPositions{path, {}, {}};
    IniObserver observer;
    observer.section = [&](std::u16string_view name, std::size_t line) {
        const bool first =
            where.takenAt.emplace(std::u16string(name), where.sections.size()).second;
        where.sections.push_back({std::u16string(name), line, first, {}, {}});
    };
    observer.key = [&](std::u16string_view, std::u16string_view key, std::u16string_view,
                       std::size_t line) {
        IniSectionPosition& section = where.sections.back();
        std::vector<IniKeyPosition>& keys = section.keys;
        auto [it, fresh] = section.keyAt.emplace(std::u16string(key), keys.size());
        if (fresh) {
            keys.push_back({std::u16string(key), line, {}, std::nullopt});
            return;
        }
        IniKeyPosition& k = keys[it->second];
        k.replacedLines.push_back(k.line);
        k.line = line;
        k.cut.reset();
    };
    // Told right after the key line it cuts.
    observer.comment = [&](std::u16string_view, std::u16string_view key,
                           std::u16string_view lineText, std::size_t cutAt, std::size_t) {
        IniSectionPosition& section = where.sections.back();
        IniKeyPosition& k = section.keys[section.keyAt.at(std::u16string(key))];
        k.cut = IniCut{std::u16string(lineText), cutAt};
    };
    return document.load(path, &observer);
}

} // namespace setupcheck
