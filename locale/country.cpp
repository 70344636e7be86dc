#include "locale/country.h"

#include "locale/language.h"
#include "platform/platform.h"

namespace {

using platform::localeCountryNumber;
using platform::localeNoUserOverride;
using platform::localeUserDefault;

std::optional<std::uint32_t> countryOfLocale(std::uint32_t locale, std::uint32_t flags = 0) {
    std::uint32_t number = 0;
    if (platform::getLocaleInfoNumber(locale, localeCountryNumber | flags, number, 4) == 0)
        return std::nullopt;
    return number;
}

} // namespace

const std::vector<CountryRow>& countryTable() {
    static const std::vector<CountryRow> table{
        {1, u"US", u"$", 0x0409, 244},
        {7, u"RU", u"\u20BD", 0x0419, 203},
        {380, u"UK", u"\u20B4", 0x0422, 241},
    };
    return table;
}

CountrySignSet signsPointingTo(const CountryRow& row, const CountrySigns& signs) {
    const auto dialingCode = std::uint32_t(row.dialingCode);
    CountrySignSet found{};
    auto set = [&found](CountrySign sign, bool value) { found[std::size_t(sign)] = value; };
    bool keyboard = false;
    for (const auto& country : signs.keyboardCountries)
        keyboard = keyboard || (country && *country == dialingCode);
    set(CountrySign::KeyboardLayout, keyboard);
    set(CountrySign::Currency, signs.currency && *signs.currency == row.currencySymbol);
    set(CountrySign::SystemLanguage, signs.systemLanguage == row.languageId);
    set(CountrySign::UserLanguage, signs.userLanguage == row.languageId);
    set(CountrySign::UserCountry, signs.userCountry && *signs.userCountry == dialingCode);
    set(CountrySign::GeoId, signs.geoId == row.geoId);
    return found;
}

int countCountrySigns(const CountryRow& row, const CountrySigns& signs) {
    int count = 0;
    for (bool sign : signsPointingTo(row, signs))
        count += sign ? 1 : 0;
    return count;
}

CountrySigns gatherCountrySigns(const CountryRow& row) {
    CountrySigns signs;
    std::vector<std::uintptr_t> layouts;
    if (platform::keyboardLayouts(layouts)) {
        for (std::uintptr_t layout : layouts) {
            // The layout language's own country: asked with the user's override, a layout in
            // the user's language would repeat the user's country setting and count it twice.
            auto country = countryOfLocale(std::uint32_t(layout & 0xFFFF), localeNoUserOverride);
            signs.keyboardCountries.push_back(country);
            if (country && *country == std::uint32_t(row.dialingCode))
                break;
        }
    }
    std::u16string currency;
    if (platform::getLocaleInfoText(localeUserDefault, platform::localeCurrencySymbol, currency))
        signs.currency = currency;
    signs.systemLanguage = platform::systemDefaultLangId();
    signs.userLanguage = defaultLanguageId();
    signs.userCountry = countryOfLocale(localeUserDefault);
    signs.geoId = platform::userGeoId(platform::geoClassNation);
    return signs;
}

CountryAnswer askUserInCountry(const std::u16string& key) {
    CountryAnswer answer;
    for (const CountryRow& row : countryTable()) {
        if (row.key != key)
            continue;
        const CountrySigns signs = gatherCountrySigns(row);
        answer.signs = signsPointingTo(row, signs);
        answer.inCountry = countCountrySigns(row, signs) >= 2;
        break;
    }
    return answer;
}
