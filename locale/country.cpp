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

int countCountrySigns(const CountryRow& row, const CountrySigns& signs) {
    int count = 0;
    for (const auto& country : signs.keyboardCountries) {
        if (country && *country == std::uint32_t(row.dialingCode)) {
            ++count;
            break;
        }
    }
    if (signs.currency && *signs.currency == row.currencySymbol)
        ++count;
    if (signs.systemLanguage == row.languageId)
        ++count;
    if (signs.userLanguage == row.languageId)
        ++count;
    if (signs.userCountry && *signs.userCountry == std::uint32_t(row.dialingCode))
        ++count;
    if (signs.geoId == row.geoId)
        ++count;
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

bool isUserInCountry(const std::u16string& key) {
    for (const CountryRow& row : countryTable()) {
        if (row.key == key)
            return countCountrySigns(row, gatherCountrySigns(row)) >= 2;
    }
    return false;
}
