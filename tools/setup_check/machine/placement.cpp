#include "tools/setup_check/machine/placement.h"

#include "platform/sim/sim.h"
#include "tools/setup_check/basics/text.h"

#include <algorithm>
#include <cctype>

namespace setupcheck {

std::u16string Placement::windowsFolder() const {
    const std::u16string path = utf16(folder);
    return !path.empty() && path.back() == u'\\' ? path : path + u"\\";
}

std::string Placement::launcherPath() const {
    return utf8(windowsFolder()) + exe;
}

Result<Placement> normalisedPlacement(Placement placement) {
    std::string& folder = placement.folder;
    std::replace(folder.begin(), folder.end(), '/', '\\');
    const bool drive = folder.size() >= 3 && std::isalpha(static_cast<unsigned char>(folder[0])) &&
                       folder[1] == ':' && folder[2] == '\\';
    if (!drive || folder.find("\\\\") != std::string::npos)
        return Failure{"--at needs an absolute Windows folder such as C:\\media or C:\\, not \"" +
                       folder + "\""};
    // Windows names the launcher's folder with "." and ".." resolved.
    folder = utf8(sim::fullPath(utf16(folder)));
    while (folder.size() > 3 && folder.back() == '\\')
        folder.pop_back();
    const std::string& exe = placement.exe;
    if (exe.empty() || exe.find_first_of("\\/:\"") != std::string::npos)
        return Failure{"--exe needs a file name such as setup.exe, not \"" + exe + "\""};
    return placement;
}

} // namespace setupcheck
