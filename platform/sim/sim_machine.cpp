// The simulated machine itself: the one process-wide Machine, and making it anew.
#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"
#include "platform/sim/sim_msi.h"

namespace sim {

namespace {

// Windows' own texts for the results a run meets most (FormatMessageW of a system error).
const std::map<std::uint32_t, std::u16string>& windowsErrorTexts() {
    static const std::map<std::uint32_t, std::u16string> texts{
        {1, u"Incorrect function.\r\n"},
        {2, u"The system cannot find the file specified.\r\n"},
        {1603, u"Fatal error during installation.\r\n"},
        {1618, u"Another installation is already in progress.\r\n"},
        {1619, u"This installation package could not be opened.\r\n"},
        {1620, u"This installation package could not be opened.\r\n"},
    };
    return texts;
}

} // namespace

Machine& machine() {
    static Machine m;
    return m;
}

void reset() {
    machine() = Machine{};
    resetFiles();
    machine().errorTexts = windowsErrorTexts();
    resetMsi();
}

std::u16string systemFolder() {
    return u"C:\\windows\\system32";
}

} // namespace sim
