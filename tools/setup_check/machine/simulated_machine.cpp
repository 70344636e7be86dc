#include "tools/setup_check/machine/simulated_machine.h"

#include "installer/msi_library.h"
#include "locale/language_table.h"
#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_msi.h"
#include "platform/wtext.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/machine/profile_text.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace setupcheck {

namespace {

bool ownerAlive = false;

// The process-wide installer binding points into the simulated library, so it is dropped
// whenever the machine is made anew or left.
void leaveBare() {
    msiLibrary().unload();
    sim::msi().onOpen = nullptr;
    sim::msi().onInstall = nullptr;
    sim::reset();
}

// Everything of the profile but the package, which the predicted installer answers.
void script(const Profile& profile) {
    auto& m = sim::machine();
    m.version = profile.windows;
    m.userLangId = profile.userLanguage;
    m.systemLangId = profile.systemLanguage;
    m.ansiCodePage = ansiCodePageOf(profile);
    m.customLocaleValue = profile.customLocaleLanguage;
    m.keyboardLayouts = profile.keyboards;
    m.currency = profile.currency;
    m.userCountryCode = profile.countryCode;
    m.geoId = profile.geoId;
    // What Windows answers as the country of each language's own locale.
    for (const LanguageRow& row : languageTable)
        m.countryCodeOfLanguage[row.languageId] = row.countryCode;

    if (profile.msiRuntime)
        m.dllProductVersions[u"msi.dll"] = dllVersion(*profile.msiRuntime);
    else
        m.dllProductVersions.erase(u"msi.dll");
    m.processCreationSucceeds = profile.runtimeSetupStarts;
    if (profile.runtimeAfterSetup) {
        std::pair<std::uint32_t, std::uint32_t> after = dllVersion(*profile.runtimeAfterSetup);
        m.onProcessRun = [after](const std::u16string&) {
            sim::machine().dllProductVersions[u"msi.dll"] = after;
        };
    }
    for (const auto& [code, version] : profile.installed)
        sim::msi().products[code] = sim::InstalledProduct{version, u"C:\\Program Files\\Product"};
    for (const auto& [folder, host] : profile.mounts)
        sim::mount(folder, host);
}

} // namespace

SimulatedMachine::SimulatedMachine(const std::string& hostFolder, const Placement& placement,
                                   const Profile& profile)
    : host(hostFolder), at(placement), machineProfile(profile) {
    if (ownerAlive) {
        std::fputs("setup-check: two simulated machines at once\n", stderr);
        std::abort();
    }
    ownerAlive = true;
    leaveBare();
    script(profile);
    // A drive's root is mapped as "C:": the simulated file system resolves a mapped folder
    // only when a backslash follows its name, which "C:\" never has.
    const std::u16string folder = setupDir();
    sim::mount(folder.size() == 3 ? folder.substr(0, 2) : folder.substr(0, folder.size() - 1),
               hostFolder);
    sim::machine().modulePath = utf16(at.launcherPath());
}

SimulatedMachine::~SimulatedMachine() {
    leaveBare();
    ownerAlive = false;
}

std::optional<std::string> SimulatedMachine::hostFileOf(const std::u16string& path) const {
    return sim::hostFileOf(path);
}

bool SimulatedMachine::isMapped(const std::u16string& path) const {
    const std::u16string full = wtext::lowerAscii(sim::fullPath(path));
    std::vector<std::u16string> folders{setupDir()};
    for (const auto& [folder, host] : machineProfile.mounts)
        folders.push_back(folder);
    for (std::u16string folder : folders) {
        folder = wtext::lowerAscii(sim::fullPath(folder));
        if (folder.empty() || folder.back() != u'\\')
            folder += u'\\';
        if (full.rfind(folder, 0) == 0)
            return true;
    }
    return false;
}

bool SimulatedMachine::fileExists(const std::u16string& path) const {
    return platform::fileExists(path);
}

bool SimulatedMachine::isRegularFile(const std::u16string& path) const {
    platform::InputFile file;
    int errnoValue = 0;
    return file.open(path, errnoValue);
}

std::optional<std::string> SimulatedMachine::bytesOf(const std::u16string& path) const {
    platform::InputFile file;
    int errnoValue = 0;
    if (!file.open(path, errnoValue))
        return std::nullopt;
    std::string bytes;
    std::uint8_t buffer[4096];
    for (std::size_t n; (n = file.read(buffer, sizeof buffer)) > 0;)
        bytes.append(reinterpret_cast<const char*>(buffer), n);
    return bytes;
}

std::u16string SimulatedMachine::decodeAnsi(const std::string& bytes) const {
    return platform::decodeAnsi(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string SimulatedMachine::systemErrorText(std::uint32_t code) const {
    std::u16string text;
    if (!platform::systemErrorText(code, text))
        return {};
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r'))
        text.pop_back();
    return utf8(text);
}

} // namespace setupcheck
