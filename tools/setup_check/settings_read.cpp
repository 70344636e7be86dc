#include "tools/setup_check/settings_read.h"

#include "installer/instance_description.h"
#include "platform/sim/sim.h"
#include "platform/wtext.h"
#include "tools/setup_check/ini_reading.h"
#include "tools/setup_check/text.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

class ReadList {
public:
    ReadList(std::string file, IniPositions positions)
        : file(std::move(file)), positions(std::move(positions)) {}

    void add(const std::u16string& section, const std::u16string& key,
             const std::u16string& value) {
        list.push_back(
            {file, utf8(section), utf8(key), utf8(value), positions.keyLine(section, key)});
    }

    std::vector<SettingRead> list;

private:
    std::string file;
    IniPositions positions;
};

// The Windows requirement: [MsiVersion]'s key, the list's keys, and the four keys of each entry
// the list enables.
void addWindowsRequirement(ReadList& read, const WindowsDecision& windows) {
    if (windows.requiredRuntime.empty())
        return;
    read.add(u"MsiVersion", windows.requiredRuntime, windows.listSection);
    for (const WindowsEntryCheck& check : windows.entries) {
        read.add(windows.listSection, check.key, check.value);
        if (check.value != u"1")
            continue;
        const WindowsEntry& e = check.entry;
        read.add(check.key, u"MajorVer", e.majorText);
        read.add(check.key, u"MinorVer", e.minorText);
        read.add(check.key, u"BuildNo", e.buildText);
        read.add(check.key, u"ServicePack", e.servicePackText);
    }
}

// The instance description's lines that decided the instance the launcher found: each line
// after which the launcher's own reading of the file holds another name or product code.
void addInstanceDescription(std::vector<SettingRead>& read, const PackageDecision& package,
                            const std::u16string& setupDir) {
    const std::u16string path = instanceDescriptionPath(package.path);
    const auto host = sim::hostFileOf(path);
    if (!package.instanceDescriptionFound || !host)
        return;
    std::ifstream in(*host, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::u16string text;
    if (!decodeInstanceDescription(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size(), text))
        return;
    std::u16string name, code, section;
    std::size_t number = 0;
    for (std::size_t start = 0; start <= text.size(); ++number) {
        std::size_t end = std::min(text.find(u'\n', start), text.size());
        const std::u16string line = text.substr(start, end - start);
        const std::u16string before = name + u'\n' + code;
        // The launcher reads the file top to bottom, from nothing: so does each prefix here.
        name.clear();
        code.clear();
        applyInstanceDescription(text.substr(0, end), name, code);
        if (!line.empty() && line[0] == u'[')
            section = line.substr(1, line.size() < 2 ? 0 : line.size() - 2);
        const std::size_t eq = line.find(u'=');
        if (eq != std::u16string::npos && before != name + u'\n' + code)
            read.push_back({onTheMedium(setupDir, path), utf8(section), utf8(line.substr(0, eq)),
                            utf8(line.substr(eq + 1)), number + 1});
        start = end + 1;
    }
}

} // namespace

std::vector<SettingRead> settingsRead(const DecisionRecord& record,
                                      const std::u16string& setupDir) {
    ReadList settings("Setup.ini", readIni(setupDir + u"Setup.ini").positions);
    for (const SettingLookup& lookup : record.settings.read)
        settings.add(lookup.section, lookup.key, lookup.value);
    addWindowsRequirement(settings, record.windows);
    std::vector<SettingRead> read = settings.list;
    addInstanceDescription(read, record.package, setupDir);

    const MessagesDecision& messages = record.messages;
    if (messages.file.empty())
        return read;
    IniReading file = readIni(setupDir + messages.file);
    ReadList texts(utf8(messages.file), file.positions);
    const IniSection section = file.document.getSection(messages.section);
    for (std::size_t i = 0; i < section.getKeyCount(); ++i)
        texts.add(messages.section, section.getKeyAt(i), section.getValue(section.getKeyAt(i)));
    read.insert(read.end(), texts.list.begin(), texts.list.end());
    return read;
}
