// Simulated language and region: the scripted languages, locale answers, layouts and GeoID.
#include "platform/sim/sim.h"

namespace platform {

using sim::machine;

std::uint16_t userDefaultLangId() {
    return machine().userLangId;
}

std::uint16_t systemDefaultLangId() {
    return machine().systemLangId;
}

namespace {

// LOCALE_ICOUNTRY of `locale`. The user's country setting overrides the country of the user's
// own locale, asked as LOCALE_USER_DEFAULT or by its number, unless LOCALE_NOUSEROVERRIDE is
// asked for; then the locale's own country answers, as for any other locale.
std::optional<std::uint32_t> countryCode(std::uint32_t locale, bool noOverride) {
    const auto& m = machine();
    const std::uint16_t language =
        locale == localeUserDefault ? m.userLangId : std::uint16_t(locale);
    if (!noOverride &&
        (locale == localeUserDefault || (language == m.userLangId && m.userCountryCode)))
        return m.userCountryCode;
    if (auto it = m.countryCodeOfLanguage.find(language); it != m.countryCodeOfLanguage.end())
        return it->second;
    return std::nullopt;
}

} // namespace

int getLocaleInfoNumber(std::uint32_t locale, std::uint32_t type, std::uint32_t& value,
                        int bufferChars) {
    const auto& m = machine();
    if (locale == localeInvariant && type == localeCustomLanguageQuery) {
        if (bufferChars < 1)
            return 0;
        if (m.customLocaleResult != 0)
            value = m.customLocaleValue;
        return m.customLocaleResult;
    }
    if ((type & ~localeNoUserOverride) == localeCountryNumber && bufferChars >= 2) {
        std::optional<std::uint32_t> code = countryCode(locale, (type & localeNoUserOverride) != 0);
        if (!code)
            return 0;
        value = *code;
        return 2;
    }
    return 0;
}

bool getLocaleInfoText(std::uint32_t locale, std::uint32_t type, std::u16string& text) {
    if (locale == localeUserDefault && type == localeCurrencySymbol && machine().currency) {
        text = machine().currency->substr(0, 511);
        return true;
    }
    return false;
}

bool keyboardLayouts(std::vector<std::uintptr_t>& layouts) {
    if (!machine().keyboardListSucceeds)
        return false;
    layouts = machine().keyboardLayouts;
    return true;
}

std::int32_t userGeoId(std::uint32_t geoClass) {
    return geoClass == geoClassNation ? machine().geoId : -1;
}

} // namespace platform
