// The run-time binding of the Windows Installer library. msi.dll is never linked: it is loaded
// from the system folder while the program runs, and every entry point the launcher knows is
// looked up by name into one table. A missing export leaves its slot null, and every call
// through a null slot answers 1 (ERROR_INVALID_FUNCTION) instead of calling anything.
#pragma once

#include "platform/msi_api.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>

// The entry points, in binding order: slot name (the export name) and its pointer type.
#define SETUP_MSI_ENTRY_POINTS(X)                                                                  \
    X(MsiOpenDatabaseW, OpenDatabaseW)                                                             \
    X(MsiOpenProductW, OpenProductW)                                                               \
    X(MsiOpenPackageW, OpenPackageW)                                                               \
    X(MsiGetProductPropertyW, GetProductPropertyW)                                                 \
    X(MsiGetProductInfoW, GetProductInfoW)                                                         \
    X(MsiSummaryInfoGetPropertyW, SummaryInfoGetPropertyW)                                         \
    X(MsiGetSummaryInformationW, GetSummaryInformationW)                                           \
    X(MsiDatabaseOpenViewW, DatabaseOpenViewW)                                                     \
    X(MsiInstallProductW, InstallProductW)                                                         \
    X(MsiCloseHandle, CloseHandle)                                                                 \
    X(MsiViewFetch, ViewFetch)                                                                     \
    X(MsiViewClose, ViewClose)                                                                     \
    X(MsiRecordGetStringW, RecordGetStringW)                                                       \
    X(MsiViewExecute, ViewExecute)                                                                 \
    X(MsiViewGetColumnInfo, ViewGetColumnInfo)                                                     \
    X(MsiRecordGetFieldCount, RecordGetFieldCount)                                                 \
    X(MsiSetInternalUI, SetInternalUI)                                                             \
    X(MsiEnableLogW, EnableLogW)

class MsiLibrary {
public:
    // Texts are read into a buffer of this many characters; a longer value is not retried.
    static constexpr std::uint32_t textBufferChars = 2048;
    static constexpr int entryPointCount = 18;

    constexpr MsiLibrary() = default;
    // Frees the library if it is still loaded; the process-wide binding below excepted.
    ~MsiLibrary();
    MsiLibrary(const MsiLibrary&) = delete;
    MsiLibrary& operator=(const MsiLibrary&) = delete;

    // Forgets the module and every entry point without freeing anything.
    void clear();
    // Loads <system folder>\msi.dll by its full path and binds every entry point it exports.
    // True when the library was loaded, even if some exports are missing.
    bool load();
    // Frees the library (if loaded) and clears every slot. Harmless on an empty binding.
    void unload();

    bool isLoaded() const { return module != nullptr; }
    // How many of the entry points are bound.
    int boundCount() const;

    // Thin calls. Each answers the installer's result, or 1 when its entry point is unbound.
    std::uint32_t databaseOpenView(msi::MSIHANDLE database, const std::u16string& query,
                                   msi::MSIHANDLE& view) const;
    std::uint32_t viewExecute(msi::MSIHANDLE view) const;
    std::uint32_t viewFetch(msi::MSIHANDLE view, msi::MSIHANDLE& record) const;
    // Field 1 of the record.
    std::uint32_t recordGetString(msi::MSIHANDLE record, std::u16string& text) const;
    std::uint32_t getProductInfo(const std::u16string& product, const std::u16string& property,
                                 std::u16string& text) const;
    std::uint32_t summaryInfoGetProperty(msi::MSIHANDLE summary, std::uint32_t propertyId,
                                         std::uint32_t& type, std::int32_t& intValue,
                                         msi::FILETIME& fileTime, std::u16string& text) const;
    std::uint32_t closeHandle(msi::MSIHANDLE handle) const;

    platform::ModuleHandle module = nullptr;
#define SETUP_MSI_SLOT(name, type) msi::type name = nullptr;
    SETUP_MSI_ENTRY_POINTS(SETUP_MSI_SLOT)
#undef SETUP_MSI_SLOT
};

// The process-wide binding: loaded on first need, dropped and loaded again around the
// installer runtime's setup program, never freed at exit: msi.dll stays loaded until the
// process ends.
extern MsiLibrary msiLibrary;

// An installer handle closed through the process-wide binding when it goes out of scope.
class MsiHandle {
public:
    MsiHandle() = default;
    ~MsiHandle() { reset(); }
    MsiHandle(const MsiHandle&) = delete;
    MsiHandle& operator=(const MsiHandle&) = delete;

    msi::MSIHANDLE get() const { return handle_; }
    // The address to pass as an output argument; the handle must be empty.
    msi::MSIHANDLE* out() { return &handle_; }
    msi::MSIHANDLE& ref() { return handle_; }
    void reset();

private:
    msi::MSIHANDLE handle_ = 0;
};
