// The simulated Windows the launcher runs on, owned for the length of one check on one machine:
// made afresh from a profile, with the medium's folder mapped where the launcher stands, and
// left bare again when its owner goes. The simulation is one machine per process, so at most one
// owner lives at a time. Whatever the tool reads as the launcher reads it (files by their Windows
// paths, text decoded in the machine's code page) it reads through a live owner, never from what
// an earlier check left behind.
#pragma once

#include "tools/setup_check/machine/placement.h"
#include "tools/setup_check/machine/profile.h"

#include <cstdint>
#include <optional>
#include <string>

namespace setupcheck {

class SimulatedMachine {
public:
    SimulatedMachine(const std::string& hostFolder, const Placement& placement,
                     const Profile& profile);
    ~SimulatedMachine();
    SimulatedMachine(const SimulatedMachine&) = delete;
    SimulatedMachine& operator=(const SimulatedMachine&) = delete;

    const std::string& hostFolder() const { return host; }
    const Placement& placement() const { return at; }
    const Profile& profile() const { return machineProfile; }
    // The launcher's folder with its closing backslash (C:\media\).
    std::u16string setupDir() const { return at.windowsFolder(); }

    // The host file a Windows path is mapped onto, if any.
    [[nodiscard]] std::optional<std::string> hostFileOf(const std::u16string& path) const;
    // Whether the path lies in the medium's folder or a folder the profile maps: setup-check
    // can see whether anything is there.
    [[nodiscard]] bool isMapped(const std::u16string& path) const;
    // Whether a file or folder of that name is there, as FindFirstFileW finds it.
    [[nodiscard]] bool fileExists(const std::u16string& path) const;
    // Whether a file (not a folder) there can be opened for reading.
    [[nodiscard]] bool isRegularFile(const std::u16string& path) const;
    // The file's bytes; nothing when it cannot be opened.
    [[nodiscard]] std::optional<std::string> bytesOf(const std::u16string& path) const;
    // Text without a byte-order mark as this machine reads it: in its ANSI code page.
    [[nodiscard]] std::u16string decodeAnsi(const std::string& bytes) const;
    // The system's text for an error code, without its closing line break.
    [[nodiscard]] std::string systemErrorText(std::uint32_t code) const;

private:
    std::string host;
    Placement at;
    Profile machineProfile;
};

} // namespace setupcheck
