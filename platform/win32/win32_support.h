// What the Win32 files of the platform layer share: the way into <windows.h>, the owners of
// the handles they open, and the loading of system-folder DLLs by full path.
#pragma once

#include <string>

#include "platform/unique_handle.h"
#include "platform/win32/windows_inc.h"

namespace platform::win32 {

inline std::u16string fromWide(const wchar_t* text, std::size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

// A handle that is null when empty and freed by `Release`.
template <typename H, auto Release> struct NullableHandleTraits {
    using Handle = H;
    static Handle empty() { return nullptr; }
    static void release(Handle handle) { Release(handle); }
};

// FindFirstFileW's handle: INVALID_HANDLE_VALUE when empty.
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle empty() { return INVALID_HANDLE_VALUE; }
    static void release(Handle handle) { FindClose(handle); }
};

using UniqueFindHandle = UniqueHandle<FindHandleTraits>;
// A process or thread.
using UniqueKernelHandle = UniqueHandle<NullableHandleTraits<HANDLE, CloseHandle>>;
using UniqueModule = UniqueHandle<NullableHandleTraits<HMODULE, FreeLibrary>>;
// A LocalAlloc'ed block, also what FormatMessageW allocates.
using UniqueLocalMemory = UniqueHandle<NullableHandleTraits<HLOCAL, LocalFree>>;

// GetSystemDirectoryW without a trailing backslash; empty when it cannot be had.
std::u16string systemFolderPath();
// LoadLibraryExW of <system folder>\<name>, never through the search path.
HMODULE loadFromSystemFolder(const std::u16string& name);

} // namespace platform::win32
