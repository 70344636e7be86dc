// Every call of the installer binding, made once on one library: for the tests that an unbound
// entry point answers 1 and that a missing export affects its own call alone.
#pragma once

#include "installer/msi_library.h"

#include <string>
#include <vector>

namespace testsupport {

struct MsiOperation {
    const char* exportName;
    std::uint32_t result;
};

// Calls each wrapper of `library` once: on `handle` wherever one is taken, about `product`, and
// on a package that does not exist. The three that act on an installation (installProduct,
// setInternalUI, enableLog) only when `withInstallCalls`: on a real msi.dll they would install.
inline std::vector<MsiOperation> callEveryOperation(const MsiLibrary& library,
                                                    msi::MSIHANDLE handle,
                                                    const std::u16string& product,
                                                    bool withInstallCalls) {
    const std::u16string absent = u"C:\\absent\\absent.msi";
    msi::MSIHANDLE out = 0;
    std::u16string text;
    std::uint32_t type = 0;
    std::int32_t intValue = 0;
    msi::FILETIME fileTime{};
    std::vector<MsiOperation> results{
        {"MsiOpenDatabaseW", library.openDatabase(absent, msi::openReadOnly, &out)},
        {"MsiGetSummaryInformationW", library.getSummaryInformation(handle, &out)},
        {"MsiSummaryInfoGetPropertyW",
         library.summaryInfoGetProperty(handle, msi::pidRevisionNumber, type, intValue, fileTime,
                                        text)},
        {"MsiDatabaseOpenViewW",
         library.databaseOpenView(handle, u"SELECT Value FROM Property", &out)},
        {"MsiViewExecute", library.viewExecute(handle)},
        {"MsiViewFetch", library.viewFetch(handle, &out)},
        {"MsiRecordGetStringW", library.recordGetString(handle, text)},
        {"MsiGetProductInfoW", library.getProductInfo(product, u"VersionString", text)},
        {"MsiCloseHandle", library.closeHandle(handle)}};
    if (withInstallCalls) {
        results.push_back({"MsiInstallProductW", library.installProduct(absent, u"")});
        results.push_back({"MsiSetInternalUI", library.setInternalUI(msi::uiLevelNone)});
        results.push_back({"MsiEnableLogW", library.enableLog(msi::logModeVerbose, u"C:\\log.txt",
                                                              msi::logFlushEachLine)});
    }
    return results;
}

} // namespace testsupport
