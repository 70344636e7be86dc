#include "tools/setup_check/medium/settings_read.h"

#include "installer/instance_description.h"
#include "setup/setup_ini.h"
#include "sysreq/windows_requirement.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/medium/ini_reading.h"
#include "tools/setup_check/medium/instance_lines.h"

namespace setupcheck {

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
    read.add(setupIni::msiVersion, windows.requiredRuntime, windows.listSection);
    for (const WindowsEntryCheck& check : windows.entries) {
        read.add(windows.listSection, check.key, check.value);
        if (check.value != u"1")
            continue;
        const WindowsEntry& e = check.entry;
        read.add(check.key, windowsEntryKey::majorVer, e.majorText);
        read.add(check.key, windowsEntryKey::minorVer, e.minorText);
        read.add(check.key, windowsEntryKey::buildNo, e.buildText);
        read.add(check.key, windowsEntryKey::servicePack, e.servicePackText);
    }
}

// The instance description's lines that decided the instance the launcher found.
void addInstanceDescription(std::vector<SettingRead>& read, const SimulatedMachine& machine,
                            const PackageDecision& package) {
    if (!package.instanceDescriptionFound)
        return;
    const std::string file = onTheMedium(machine.setupDir(), instanceDescriptionPath(package.path));
    for (const InstanceLine& line : readInstanceLines(machine, package.path).deciding)
        read.push_back({file, utf8(line.section), utf8(line.key), utf8(line.value), line.number});
}

} // namespace

std::u16string lookedUp(const DecisionRecord& record, const std::u16string& section,
                        const std::u16string& key) {
    for (const SettingLookup& lookup : record.settings.read)
        if (lookup.section == section && lookup.key == key)
            return lookup.value;
    return {};
}

std::vector<SettingRead> settingsRead(const SimulatedMachine& machine,
                                      const DecisionRecord& record) {
    const std::u16string setupDir = machine.setupDir();
    ReadList settings(settingsFileName(),
                      readIni(machine, setupDir + setupIni::fileName).positions);
    for (const SettingLookup& lookup : record.settings.read)
        settings.add(lookup.section, lookup.key, lookup.value);
    addWindowsRequirement(settings, record.windows);
    std::vector<SettingRead> read = settings.list;
    addInstanceDescription(read, machine, record.package);

    const MessagesDecision& messages = record.messages;
    if (messages.file.empty())
        return read;
    IniReading file = readIni(machine, setupDir + messages.file);
    ReadList texts(utf8(messages.file), file.positions);
    const IniSection section = file.document.getSection(messages.section);
    for (std::size_t i = 0; i < section.getKeyCount(); ++i)
        texts.add(messages.section, section.getKeyAt(i), section.getValue(section.getKeyAt(i)));
    read.insert(read.end(), texts.list.begin(), texts.list.end());
    return read;
}

} // namespace setupcheck
