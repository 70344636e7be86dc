// The run-time binding of the Windows Installer library. msi.dll is never linked: it is loaded
// from the system folder while the program runs, and every entry point the launcher knows
// (SETUP_MSI_ENTRY_POINTS, platform/msi_api.h) is looked up by name into one table. A missing
// export leaves its slot null; the slots are private, and every call goes through a wrapper
// below that answers 1 (ERROR_INVALID_FUNCTION) for a null slot instead of calling anything.
#pragma once

#include "platform/msi_api.h"
#include "platform/platform.h"
#include "platform/unique_handle.h"

#include <cstdint>
#include <string>

class MsiLibrary {
public:
    // Texts are read into a buffer of this many characters; a longer value is not retried.
    static constexpr std::uint32_t textBufferChars = 2048;
    static constexpr int entryPointCount = msi::entryPointCount;

    constexpr MsiLibrary() = default;
    // Frees the library if it is still loaded.
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

    bool isLoaded() const { return module_ != nullptr; }
    platform::ModuleHandle moduleHandle() const { return module_; }
    // How many of the entry points are bound.
    int boundCount() const;

    // Thin calls. Each answers the installer's result, or 1 when its entry point is unbound.
    std::uint32_t openDatabase(const std::u16string& path, msi::LPCWSTR persist,
                               msi::MSIHANDLE* database) const;
    // The summary information of an open database, for reading.
    std::uint32_t getSummaryInformation(msi::MSIHANDLE database, msi::MSIHANDLE* summary) const;
    std::uint32_t summaryInfoGetProperty(msi::MSIHANDLE summary, std::uint32_t propertyId,
                                         std::uint32_t& type, std::int32_t& intValue,
                                         msi::FILETIME& fileTime, std::u16string& text) const;
    std::uint32_t databaseOpenView(msi::MSIHANDLE database, const std::u16string& query,
                                   msi::MSIHANDLE* view) const;
    std::uint32_t viewExecute(msi::MSIHANDLE view) const;
    std::uint32_t viewFetch(msi::MSIHANDLE view, msi::MSIHANDLE* record) const;
    // Field 1 of the record.
    std::uint32_t recordGetString(msi::MSIHANDLE record, std::u16string& text) const;
    std::uint32_t getProductInfo(const std::u16string& product, const std::u16string& property,
                                 std::u16string& text) const;
    std::uint32_t closeHandle(msi::MSIHANDLE handle) const;
    std::uint32_t installProduct(const std::u16string& packagePath,
                                 const std::u16string& commandLine) const;
    // The installer's own interface level for what follows, without an owner window. Its
    // result is the level it replaces, which nobody needs: this answers 0 once it is set.
    std::uint32_t setInternalUI(std::int32_t uiLevel) const;
    std::uint32_t enableLog(msi::DWORD logMode, const std::u16string& logFile,
                            msi::DWORD attributes) const;

private:
    platform::ModuleHandle module_ = nullptr;
#define SETUP_MSI_SLOT(name, type) msi::type name = nullptr;
    SETUP_MSI_ENTRY_POINTS(SETUP_MSI_SLOT)
#undef SETUP_MSI_SLOT
};

// The process-wide binding: loaded on first need, dropped and loaded again around the
// installer runtime's setup program, never freed: msi.dll stays loaded until the process
// ends (see msi_library.cpp for why).
MsiLibrary& msiLibrary();

// An installer handle, closed through the process-wide binding.
struct MsiHandleTraits {
    using Handle = msi::MSIHANDLE;
    static constexpr Handle empty() { return 0; }
    static void release(Handle handle) { msiLibrary().closeHandle(handle); }
};
using MsiHandle = UniqueHandle<MsiHandleTraits>;
