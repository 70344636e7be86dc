// The medium the native suites share: one Setup.ini of a product for Windows 7 and later whose
// package lies beside the launcher, and the codes of that product and of an installed instance.
#pragma once

#include <string>

namespace testmedium {

inline const std::string productCode = "{6C3F8E2A-1D4B-4C5E-9F70-112233445566}";
inline const std::string instanceCode = "{6C3F8E2A-1D4B-4C5E-9F70-665544332211}";

// CR LF line ends, as a medium made on Windows has them. `cmdLine` starts the installer's
// property text.
inline std::string setupIni(const std::string& cmdLine = "A=1") {
    return "[Startup]\r\n"
           "ProductCode=" +
           productCode +
           "\r\n"
           "ProductVersion=2.5.1\r\n"
           "PackageName=Package\r\n"
           "CmdLine=" +
           cmdLine +
           "\r\n"
           "Product=Demo\r\n"
           "\r\n"
           "[Package]\r\n"
           "Location=product.msi\r\n"
           "\r\n"
           "[MsiVersion]\r\n"
           "3.1=Windows\r\n"
           "\r\n"
           "[Windows]\r\n"
           "XPSP3=0\r\n"
           "W7=1\r\n"
           "\r\n"
           "[W7]\r\n"
           "MajorVer=6\r\n"
           "MinorVer=1\r\n"
           "BuildNo=7600\r\n";
}

// `text` with the first `from` replaced by `to` (unchanged when there is none).
inline std::string replaced(std::string text, const std::string& from, const std::string& to) {
    auto at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

} // namespace testmedium
