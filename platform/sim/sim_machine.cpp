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
        {23, u"Data error (cyclic redundancy check).\r\n"},
        {33, u"The process cannot access the file because another process has locked a "
             u"portion of the file.\r\n"},
        {64, u"The specified network name is no longer available.\r\n"},
        {1603, u"Fatal error during installation.\r\n"},
        {1605, u"This action is only valid for products that are currently installed.\r\n"},
        {1612, u"The installation source for this product is not available. Verify that the "
               u"source exists and that you can access it.\r\n"},
        {1618, u"Another installation is already in progress.\r\n"},
        {1619, u"This installation package could not be opened.\r\n"},
        {1620, u"This installation package could not be opened.\r\n"},
        {1624, u"Error applying transforms. Verify that the specified transform paths are "
               u"valid.\r\n"},
        {1625, u"This installation is forbidden by system policy. Contact your system "
               u"administrator.\r\n"},
        {1633, u"This installation package is not supported by this processor type. Contact "
               u"your product vendor.\r\n"},
        {1638, u"Another version of this product is already installed. Installation of this "
               u"version cannot continue. To configure or remove the existing version of this "
               u"product, use Add/Remove Programs on the Control Panel.\r\n"},
        {1639, u"Invalid command line argument. Consult the Windows Installer SDK for detailed "
               u"command line help.\r\n"},
        {3010, u"The requested operation is successful. Changes will not be effective until "
               u"the system is rebooted.\r\n"},
        {1641, u"The requested operation completed successfully. The system will be restarted "
               u"so the changes can take effect.\r\n"},
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
