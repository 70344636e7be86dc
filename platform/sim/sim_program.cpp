// The simulated program: its command line and module path, its boxes and standard output, COM.
#include "platform/sim/sim.h"

namespace platform {

using sim::machine;

std::u16string commandLine() {
    return machine().commandLine;
}

bool moduleFileName(std::u16string& path) {
    const auto& m = machine();
    if (!m.hasModuleHandle)
        return false;
    // The same growth as the Win32 side, so a long path is tested through the same rule.
    std::size_t capacity = 1024;
    for (;;) {
        if (m.modulePath.size() < capacity) {
            path = m.modulePath;
            return true;
        }
        if (capacity >= 32768) {
            path = m.modulePath.substr(0, capacity - (m.moduleFileNameXpStyle ? 0 : 1));
            return true;
        }
        capacity *= 2;
    }
}

int messageBox(const std::u16string& text, const std::u16string* caption, std::uint32_t style) {
    sim::MessageBoxCall call;
    call.text = text;
    call.captionIsNull = caption == nullptr;
    if (caption)
        call.caption = *caption;
    call.style = style;
    machine().messageBoxes.push_back(call);
    return 1; // IDOK
}

void writeStdout(const std::u16string& text) {
    machine().standardOutput += text;
}

std::int32_t coInitialize() {
    return machine().coInitializeResult;
}

} // namespace platform
