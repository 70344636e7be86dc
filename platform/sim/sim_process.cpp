// Simulated processes and libraries: programs started, system-folder DLLs loaded by name, their
// versions, and the system's texts for error codes.
#include "platform/sim/sim.h"
#include "platform/wtext.h"

namespace platform {

using sim::machine;

void protectDllSearch() {
    if (machine().hasSetDefaultDllDirectories)
        machine().dllSearchProtected = true;
}

bool runProcessAndWait(const std::u16string& path) {
    auto& m = machine();
    if (!m.processCreationSucceeds || !fileExists(path))
        return false;
    m.processesRun.push_back(path);
    m.events.push_back(u"run " + path);
    if (m.onProcessRun)
        m.onProcessRun(path);
    return true;
}

ModuleHandle loadSystemLibrary(const std::u16string& name) {
    auto& m = machine();
    auto it = m.libraries.find(wtext::lowerAscii(name));
    if (it == m.libraries.end())
        return nullptr;
    m.librariesLoaded.push_back(sim::systemFolder() + u"\\" + name);
    m.events.push_back(u"load " + it->first);
    ++m.librariesOpen;
    return &it->second;
}

void* libraryProc(ModuleHandle module, const char* exportName) {
    if (!module)
        return nullptr;
    const auto& exports = static_cast<sim::Library*>(module)->exports;
    auto it = exports.find(exportName);
    return it == exports.end() ? nullptr : it->second;
}

void freeLibrary(ModuleHandle module) {
    if (!module)
        return;
    auto& m = machine();
    --m.librariesOpen;
    for (const auto& [name, library] : m.libraries)
        if (&library == module)
            m.events.push_back(u"free " + name);
}

bool systemDllProductVersion(const std::u16string& name, std::uint32_t& versionMs,
                             std::uint32_t& versionLs) {
    const auto& versions = machine().dllProductVersions;
    auto it = versions.find(wtext::lowerAscii(name));
    if (it == versions.end())
        return false;
    versionMs = it->second.first;
    versionLs = it->second.second;
    return true;
}

bool systemErrorText(std::uint32_t code, std::u16string& text) {
    const auto& texts = machine().errorTexts;
    auto it = texts.find(code);
    if (it == texts.end())
        return false;
    text = it->second;
    return true;
}

} // namespace platform
