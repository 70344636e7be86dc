#include "installer/msi_library.h"

#include <algorithm>
#include <vector>

MsiLibrary msiLibrary;

#define SETUP_MSI_ONE(name, type) +1
static_assert(0 SETUP_MSI_ENTRY_POINTS(SETUP_MSI_ONE) == MsiLibrary::entryPointCount);
#undef SETUP_MSI_ONE

namespace {

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

MsiLibrary::~MsiLibrary() {
    // The process-wide binding is left as it is. Its destructor runs at exit, and freeing
    // msi.dll there unloads it and the DLLs it brought in (under Wine eighteen: shell, common
    // controls, crypto, networking, cabinet...), each running its detach code and
    // unregistering its window classes, just before the process ends anyway. Under Wine that
    // was several milliseconds of every run, more than half of what the launcher added to an
    // installation. Ending with msi.dll loaded is what every program that imports it does,
    // msiexec.exe among them.
    if (this == &msiLibrary)
        return;
    if (module)
        platform::freeLibrary(module);
    module = nullptr;
}

void MsiLibrary::clear() {
    module = nullptr;
#define SETUP_MSI_CLEAR(name, type) name = nullptr;
    SETUP_MSI_ENTRY_POINTS(SETUP_MSI_CLEAR)
#undef SETUP_MSI_CLEAR
}

bool MsiLibrary::load() {
    // By full path from the system folder: a msi.dll planted beside the launcher (or in the
    // current folder) must never run with the rights of the user who starts the setup.
    module = platform::loadSystemLibrary(u"msi.dll");
    if (!module)
        return false;
#define SETUP_MSI_BIND(name, type)                                                                 \
    name = reinterpret_cast<msi::type>(platform::libraryProc(module, #name));
    SETUP_MSI_ENTRY_POINTS(SETUP_MSI_BIND)
#undef SETUP_MSI_BIND
    return true;
}

void MsiLibrary::unload() {
    if (module)
        platform::freeLibrary(module);
    clear();
}

int MsiLibrary::boundCount() const {
    int count = 0;
#define SETUP_MSI_COUNT(name, type) count += name != nullptr;
    SETUP_MSI_ENTRY_POINTS(SETUP_MSI_COUNT)
#undef SETUP_MSI_COUNT
    return count;
}

std::uint32_t MsiLibrary::databaseOpenView(msi::MSIHANDLE database, const std::u16string& query,
                                           msi::MSIHANDLE& view) const {
    if (!MsiDatabaseOpenViewW)
        return msi::errorInvalidFunction;
    return MsiDatabaseOpenViewW(database, query.c_str(), &view);
}

std::uint32_t MsiLibrary::viewExecute(msi::MSIHANDLE view) const {
    if (!MsiViewExecute)
        return msi::errorInvalidFunction;
    return MsiViewExecute(view, 0);
}

std::uint32_t MsiLibrary::viewFetch(msi::MSIHANDLE view, msi::MSIHANDLE& record) const {
    if (!MsiViewFetch)
        return msi::errorInvalidFunction;
    return MsiViewFetch(view, &record);
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

std::uint32_t MsiLibrary::closeHandle(msi::MSIHANDLE handle) const {
    if (!MsiCloseHandle)
        return msi::errorInvalidFunction;
    return MsiCloseHandle(handle);
}

void MsiHandle::reset() {
    if (handle_ != 0)
        msiLibrary.closeHandle(handle_);
    handle_ = 0;
}
