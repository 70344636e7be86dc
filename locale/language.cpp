#include "locale/language.h"

#include "platform/platform.h"

std::uint16_t defaultLanguageId() {
    std::uint16_t user = platform::userDefaultLangId();
    if (user != 0x0C00)
        return user;
    platform::OsVersion version;
    if (platform::getVersionEx(version) && version.major < 6)
        return platform::systemDefaultLangId();
    std::uint32_t value = 0x0C00;
    if (platform::getLocaleInfoNumber(0x007F, 0x2000006D, value, 1) != 0)
        return static_cast<std::uint16_t>(value & 0xFFFF);
    return platform::systemDefaultLangId();
}
