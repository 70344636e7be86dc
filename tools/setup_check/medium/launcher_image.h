// The launcher on the medium as a file: whether it is there, whether it is a Windows program
// for 32-bit x86, and what its version resource says. Only these few fields of the PE format
// are read, every offset and length checked against the bytes at hand, so a damaged or hostile
// file yields a reason, never a read outside it.
#pragma once

#include "tools/setup_check/machine/simulated_machine.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace setupcheck {

// The string of the launcher's version resource that names the version of its code, which
// branding leaves alone (FileVersion and ProductVersion are the publisher's).
inline constexpr char launcherVersionString[] = "LauncherVersion";

// IMAGE_FILE_MACHINE_I386, _AMD64, _ARMNT, _ARM64; IMAGE_SUBSYSTEM_WINDOWS_GUI, _CUI.
inline constexpr std::uint16_t machineI386 = 0x014c;
inline constexpr std::uint16_t machineAmd64 = 0x8664;
inline constexpr std::uint16_t machineArmNt = 0x01c4;
inline constexpr std::uint16_t machineArm64 = 0xaa64;
inline constexpr std::uint16_t subsystemWindowsGui = 2;
inline constexpr std::uint16_t subsystemWindowsConsole = 3;

enum class ImageStatus {
    missing,     // no such file on the medium
    unreadable,  // there, but it cannot be read
    tooLarge,    // larger than any launcher, so not read
    notAProgram, // not a Windows program image (`problem` says why)
    program,
};

struct FourPartVersion {
    std::uint16_t part[4] = {0, 0, 0, 0};
    std::string text() const; // "1.0.0.0"
};

struct LauncherImage {
    ImageStatus status = ImageStatus::missing;
    std::string problem;
    std::uint16_t machine = 0;
    std::uint16_t subsystem = 0;
    bool dll = false;
    // VS_FIXEDFILEINFO's file and product versions, where the image has a version resource.
    std::optional<FourPartVersion> fileVersion, productVersion;
    // The first string table of the version resource, name and value, in their order.
    std::vector<std::pair<std::string, std::string>> strings;

    bool isProgram() const { return status == ImageStatus::program; }
    // A program for 32-bit x86 Windows with a window of its own or none: what the launcher is.
    bool is32BitWindowsProgram() const;
    std::optional<std::string> string(std::string_view name) const;
};

// "x86", "x64", "Arm64", "Arm", or the number in hexadecimal.
[[nodiscard]] std::string machineName(std::uint16_t machine);

// What the bytes of a file hold as a Windows program image.
[[nodiscard]] LauncherImage readLauncherImage(std::string_view bytes);

// The launcher where the medium's placement puts it on `machine` (C:\media\setup.exe).
[[nodiscard]] LauncherImage launcherOnMedium(const SimulatedMachine& machine);

} // namespace setupcheck
