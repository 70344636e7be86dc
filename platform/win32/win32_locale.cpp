// Language and region: the default languages, locale information, keyboard layouts, GeoID.
#include "platform/platform.h"
#include "platform/win32/win32_support.h"

#include <iterator>

namespace platform {

std::uint16_t userDefaultLangId() {
    return GetUserDefaultLangID();
}

std::uint16_t systemDefaultLangId() {
    return GetSystemDefaultLangID();
}

int getLocaleInfoNumber(std::uint32_t locale, std::uint32_t type, std::uint32_t& value,
                        int bufferChars) {
    DWORD number = value;
    int result = GetLocaleInfoW(locale, type, reinterpret_cast<LPWSTR>(&number), bufferChars);
    value = number;
    return result;
}

bool getLocaleInfoText(std::uint32_t locale, std::uint32_t type, std::u16string& text) {
    wchar_t buffer[512] = {};
    int n = GetLocaleInfoW(locale, type, buffer, int(std::size(buffer)));
    if (n <= 0)
        return false;
    text = win32::fromWide(buffer, std::size_t(n - 1));
    return true;
}

bool keyboardLayouts(std::vector<std::uintptr_t>& layouts) {
    int count = GetKeyboardLayoutList(0, nullptr);
    win32::UniqueLocalMemory memory(
        LocalAlloc(LMEM_ZEROINIT, sizeof(HKL) * std::size_t(count > 0 ? count : 1)));
    if (!memory)
        return false;
    HKL* list = static_cast<HKL*>(memory.get());
    // A list that shrank meanwhile leaves its tail zeroed.
    if (count > 0)
        GetKeyboardLayoutList(count, list);
    layouts.clear();
    for (int i = 0; i < count; ++i)
        layouts.push_back(reinterpret_cast<std::uintptr_t>(list[i]));
    return true;
}

std::int32_t userGeoId(std::uint32_t geoClass) {
    return GetUserGeoID(geoClass);
}

} // namespace platform
