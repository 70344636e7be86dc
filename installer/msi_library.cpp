#include "installer/msi_library.h"

#include <algorithm>
#include <vector>

static_assert(MsiLibrary::entryPointCount == 18);

namespace {

// The process-wide binding is held where its destructor never runs. Run at exit, it would free
// msi.dll, and that unloads it and the DLLs it brought in (under Wine eighteen: shell, common
// controls, crypto, networking, cabinet...), each running its detach code and unregistering
// its window classes, just before the process ends anyway. Under Wine that was several
// milliseconds of every run, more than half of what the launcher added to an installation.
// Ending with msi.dll loaded is what every program that imports it does, msiexec.exe among
// them. The binding is constant-initialised, so it is usable before any constructor runs.
union ProcessBinding {
    constexpr ProcessBinding() : library() {}
    ~ProcessBinding() {}
    MsiLibrary library;
};
constinit ProcessBinding processBinding;

// Runs an installer call that fills a text buffer. The buffer is zeroed first, so whatever
// the installer leaves (nothing, a cut value) reads up to its first NUL, never past its end.
template <typename Call> std::uint32_t readText(std::u16string& text, Call call) {
    std::vector<char16_t> buffer(MsiLibrary::textBufferChars, u'\0');
    msi::DWORD size = MsiLibrary::textBufferChars;
    std::uint32_t result = call(buffer.data(), &size);
    text.assign(buffer.data(), std::find(buffer.begin(), buffer.end(), u'\0') - buffer.begin());
    return result;
}

} // namespace

MsiLibrary& msiLibrary() {
    return processBinding.library;
}

MsiLibrary::~MsiLibrary() {
    if (module_)
        platform::freeLibrary(module_);
}

void MsiLibrary::clear() {
    module_ = nullptr;
#define SETUP_MSI_CLEAR(name, type) name = nullptr;
    SETUP_MSI_ENTRY_POINTS(SETUP_MSI_CLEAR)
#undef SETUP_MSI_CLEAR
}

bool MsiLibrary::load() {
    // By full path from the system folder: a msi.dll planted beside the launcher (or in the
    // current folder) must never run with the rights of the user who starts the setup.
    module_ = platform::loadSystemLibrary(u"msi.dll");
    if (!module_)
        return false;
#define SETUP_MSI_BIND(name, type)                                                                 \
    name = reinterpret_cast<msi::type>(platform::libraryProc(module_, #name));
    SETUP_MSI_ENTRY_POINTS(SETUP_MSI_BIND)
#undef SETUP_MSI_BIND
    return true;
}

void MsiLibrary::unload() {
    if (module_)
        platform::freeLibrary(module_);
    clear();
}

int MsiLibrary::boundCount() const {
    int count = 0;
#define SETUP_MSI_COUNT(name, type) count += name != nullptr;
    SETUP_MSI_ENTRY_POINTS(SETUP_MSI_COUNT)
#undef SETUP_MSI_COUNT
    return count;
}

std::uint32_t MsiLibrary::openDatabase(const std::u16string& path, msi::LPCWSTR persist,
                                       msi::MSIHANDLE* database) const {
    if (!MsiOpenDatabaseW)
        return msi::errorInvalidFunction;
    return MsiOpenDatabaseW(path.c_str(), persist, database);
}

std::uint32_t MsiLibrary::getSummaryInformation(msi::MSIHANDLE database,
                                                msi::MSIHANDLE* summary) const {
    if (!MsiGetSummaryInformationW)
        return msi::errorInvalidFunction;
    return MsiGetSummaryInformationW(database, u"", 0, summary);
}

std::uint32_t MsiLibrary::summaryInfoGetProperty(msi::MSIHANDLE summary, std::uint32_t propertyId,
                                                 std::uint32_t& type, std::int32_t& intValue,
                                                 msi::FILETIME& fileTime,
                                                 std::u16string& text) const {
    if (!MsiSummaryInfoGetPropertyW)
        return msi::errorInvalidFunction;
    return readText(text, [&](char16_t* buffer, msi::DWORD* size) {
        return MsiSummaryInfoGetPropertyW(summary, propertyId, &type, &intValue, &fileTime, buffer,
                                          size);
    });
}

std::uint32_t MsiLibrary::databaseOpenView(msi::MSIHANDLE database, const std::u16string& query,
                                           msi::MSIHANDLE* view) const {
    if (!MsiDatabaseOpenViewW)
        return msi::errorInvalidFunction;
    return MsiDatabaseOpenViewW(database, query.c_str(), view);
}

std::uint32_t MsiLibrary::viewExecute(msi::MSIHANDLE view) const {
    if (!MsiViewExecute)
        return msi::errorInvalidFunction;
    return MsiViewExecute(view, 0);
}

std::uint32_t MsiLibrary::viewFetch(msi::MSIHANDLE view, msi::MSIHANDLE* record) const {
    if (!MsiViewFetch)
        return msi::errorInvalidFunction;
    return MsiViewFetch(view, record);
}

std::uint32_t MsiLibrary::recordGetString(msi::MSIHANDLE record, std::u16string& text) const {
    if (!MsiRecordGetStringW)
        return msi::errorInvalidFunction;
    return readText(text, [&](char16_t* buffer, msi::DWORD* size) {
        return MsiRecordGetStringW(record, 1, buffer, size);
    });
}

std::uint32_t MsiLibrary::getProductInfo(const std::u16string& product,
                                         const std::u16string& property,
                                         std::u16string& text) const {
    if (!MsiGetProductInfoW)
        return msi::errorInvalidFunction;
    return readText(text, [&](char16_t* buffer, msi::DWORD* size) {
        return MsiGetProductInfoW(product.c_str(), property.c_str(), buffer, size);
    });
}

std::uint32_t MsiLibrary::closeHandle(msi::MSIHANDLE handle) const {
    if (!MsiCloseHandle)
        return msi::errorInvalidFunction;
    return MsiCloseHandle(handle);
}

std::uint32_t MsiLibrary::installProduct(const std::u16string& packagePath,
                                         const std::u16string& commandLine) const {
    if (!MsiInstallProductW)
        return msi::errorInvalidFunction;
    return MsiInstallProductW(packagePath.c_str(), commandLine.c_str());
}

std::uint32_t MsiLibrary::setInternalUI(std::int32_t uiLevel) const {
    if (!MsiSetInternalUI)
        return msi::errorInvalidFunction;
    MsiSetInternalUI(uiLevel, nullptr);
    return msi::errorSuccess;
}

std::uint32_t MsiLibrary::enableLog(msi::DWORD logMode, const std::u16string& logFile,
                                    msi::DWORD attributes) const {
    if (!MsiEnableLogW)
        return msi::errorInvalidFunction;
    return MsiEnableLogW(logMode, logFile.c_str(), attributes);
}
