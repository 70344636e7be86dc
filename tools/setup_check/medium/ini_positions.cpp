#include "tools/setup_check/medium/ini_positions.h"

#include <map>
#include <set>
#include <string_view>

namespace setupcheck {

std::size_t IniPositions::sectionLine(const std::u16string& name) const {
    for (const IniSectionPosition& section : sections)
        if (section.taken && section.name == name)
            return section.line;
    return 0;
}

std::size_t IniPositions::keyLine(const std::u16string& section, const std::u16string& key) const {
    for (const IniSectionPosition& s : sections) {
        if (!s.taken || s.name != section)
            continue;
        for (const IniKeyPosition& k : s.keys)
            if (k.key == key)
                return k.line;
        return 0;
    }
    return 0;
}

IniLoadResult loadWithPositions(IniFile& document, const std::u16string& path,
                                IniPositions& where) {
    where = IniPositions{path, {}};
    std::set<std::u16string> names;           // the section names met so far
    std::map<std::u16string, std::size_t> at; // the current section's keys: index in its keys
    IniObserver observer;
    observer.section = [&](std::u16string_view name, std::size_t line) {
        const bool first = names.emplace(name).second;
        where.sections.push_back({std::u16string(name), line, first, {}});
        at.clear();
    };
    observer.key = [&](std::u16string_view, std::u16string_view key, std::u16string_view,
                       std::size_t line) {
        std::vector<IniKeyPosition>& keys = where.sections.back().keys;
        auto [it, fresh] = at.emplace(std::u16string(key), keys.size());
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
        IniKeyPosition& k = where.sections.back().keys[at.at(std::u16string(key))];
        k.cut = IniCut{std::u16string(lineText), cutAt};
    };
    return document.load(path, &observer);
}

} // namespace setupcheck
