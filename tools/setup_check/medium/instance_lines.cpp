#include "tools/setup_check/medium/instance_lines.h"

#include "installer/instance_description.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace setupcheck {

InstanceLines readInstanceLines(const SimulatedMachine& machine,
                                const std::u16string& packagePath) {
    InstanceLines lines;
    const auto host = machine.hostFileOf(instanceDescriptionPath(packagePath));
    if (!host)
        return lines;
    std::ifstream in(*host, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::u16string text;
    if (!in || !decodeInstanceDescription(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                          bytes.size(), text))
        return lines;
    lines.read = true;
    std::u16string name, code, header, section;
    std::size_t number = 0;
    for (std::size_t start = 0; start <= text.size(); ++number) {
        const std::size_t end = std::min(text.find(u'\n', start), text.size());
        const std::u16string line = text.substr(start, end - start);
        const std::u16string beforeName = name, beforeCode = code;
        // The launcher reads the file top to bottom: the section a line stands in is all it
        // keeps between lines besides the name and the code.
        applyInstanceDescription(header.empty() ? line : header + u'\n' + line, name, code);
        if (!line.empty() && line[0] == u'[') {
            header = line;
            section = line.substr(1, line.size() < 2 ? 0 : line.size() - 2);
        }
        const std::size_t eq = line.find(u'=');
        if (eq != std::u16string::npos && (beforeName != name || beforeCode != code))
            lines.deciding.push_back(
                {number + 1, section, line.substr(0, eq), line.substr(eq + 1)});
        if (!name.empty() && (lines.names.empty() || lines.names.back() != name))
            lines.names.push_back(name);
        start = end + 1;
    }
    lines.name = name;
    lines.productCode = code;
    return lines;
}

} // namespace setupcheck
