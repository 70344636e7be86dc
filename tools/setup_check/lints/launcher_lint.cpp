#include "tools/setup_check/lints/launcher_lint.h"

#include "platform/wtext.h"
#include "tools/setup_check/basics/text.h"

#include <algorithm>

namespace setupcheck {

namespace {

// UAC's installer detection: a 32-bit program without a requestedExecutionLevel whose file name
// or version strings hold words such as these is started elevated ("How User Account Control
// works", Installer detection technology). The launcher's manifest names no execution level.
const char* const installerWords[] = {"install", "setup", "update"};
const char* const detectedStrings[] = {"CompanyName",      "ProductName",  "FileDescription",
                                       "OriginalFilename", "InternalName", "Vendor",
                                       "ExportName"};

std::string lower(const std::string& text) {
    return utf8(wtext::lowerAscii(utf16(text)));
}

// "1.0.0" as the four numbers of a version resource: 1.0.0.0.
std::string fourParts(const std::string& version) {
    std::string text = version;
    for (std::size_t dots = std::size_t(std::count(text.begin(), text.end(), '.')); dots < 3;
         ++dots)
        text += ".0";
    return text;
}

void lintVersion(Lint& lint, const LauncherImage& image, const std::string& name,
                 const std::string& toolVersion) {
    const std::optional<std::string> code = image.string(launcherVersionString);
    if (code && *code == toolVersion)
        return;
    std::string says;
    if (code)
        says = "is the launcher's code of version " + *code;
    else if (image.fileVersion && image.fileVersion->text() == fourParts(toolVersion))
        return; // a launcher built before its code's version was named, of the same version
    else if (image.fileVersion)
        says = "names no launcher code version (" + std::string(launcherVersionString) +
               ") and its file version is " + image.fileVersion->text();
    else
        says = "has no version resource";
    lint.add(WarningId::launcherOtherVersion, name, 0,
             name + " " + says + ", and setup-check predicts what the launcher of version " +
                 toolVersion +
                 " does: another launcher may read the medium otherwise; put this version's "
                 "setup.exe on the medium, or check with the setup-check of that version");
}

} // namespace

std::vector<std::string> installerWordsFound(const LauncherImage& image,
                                             const Placement& placement) {
    std::vector<std::string> found;
    auto look = [&](const std::string& where, const std::string& text) {
        for (const char* word : installerWords)
            if (lower(text).find(word) != std::string::npos)
                found.push_back("\"" + std::string(word) + "\" in " + where);
    };
    look("the file name", placement.exe);
    for (const char* name : detectedStrings)
        if (const std::optional<std::string> value = image.string(name))
            look(name, *value);
    return found;
}

void lintLauncher(Lint& lint, const LauncherImage& image, const Placement& placement,
                  const std::string& toolVersion) {
    const std::string& name = placement.exe;
    switch (image.status) {
    case ImageStatus::missing:
        lint.add(WarningId::launcherMissing, name, 0,
                 "there is no " + name +
                     " on the medium: the installation command finds nothing to start; copy the "
                     "launcher beside Setup.ini (--exe names a launcher of another name)");
        return;
    case ImageStatus::unreadable:
    case ImageStatus::notAProgram:
        lint.add(WarningId::launcherNot32Bit, name, 0,
                 name + " is no Windows program" +
                     (image.problem.empty() ? std::string(": it cannot be read")
                                            : ": " + image.problem) +
                     "; Windows refuses to start it");
        return;
    case ImageStatus::tooLarge:
        lint.add(WarningId::launcherOtherVersion, name, 0,
                 name + " is larger than 64 MiB, far larger than the launcher: it is another "
                        "program, and setup-check does not read it");
        return;
    case ImageStatus::program:
        break;
    }
    if (!image.is32BitWindowsProgram()) {
        const std::string what =
            image.dll ? "a DLL, not a program"
            : image.machine != machineI386
                ? "a program for " + machineName(image.machine) + " Windows, not for 32-bit x86"
                : "a program for subsystem " + std::to_string(image.subsystem) +
                      ", not for Windows";
        lint.add(WarningId::launcherNot32Bit, name, 0,
                 name + " is " + what +
                     ": the launcher is a 32-bit Windows program, which every Windows runs (and "
                     "which UAC's installer detection looks at); put the 32-bit setup.exe on the "
                     "medium");
        return;
    }
    lintVersion(lint, image, name, toolVersion);
    if (!installerWordsFound(image, placement).empty())
        return;
    lint.add(WarningId::launcherNotElevated, name, 0,
             "neither the name " + name +
                 " nor its version strings (CompanyName, ProductName, FileDescription, "
                 "OriginalFilename, InternalName) hold a word such as \"install\", \"setup\" or "
                 "\"update\": the launcher asks for no execution level of its own, so UAC's "
                 "installer detection, which elevates a 32-bit program by those words, does not "
                 "elevate it, and a per-machine installation started by a user without elevation "
                 "fails for want of rights (that detection is also often turned off in managed "
                 "networks: \"User Account Control: Detect application installations and prompt "
                 "for elevation\"); keep \"setup\" or \"install\" in the name, or start it "
                 "elevated (Run as administrator, or a deployment agent running as SYSTEM)");
}

} // namespace setupcheck
