// Guessing whether the user is in a country from six independent signs in the user's and
// the system's settings; two or more agreeing signs are believed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct CountryRow {
    std::int32_t dialingCode;
    std::u16string key;
    std::u16string currencySymbol;
    std::uint16_t languageId;
    std::int32_t geoId;
};

// The table, built on first use.
const std::vector<CountryRow>& countryTable();

// The raw signs as the system reports them; a query that failed is absent.
struct CountrySigns {
    // LOCALE_ICOUNTRY of each keyboard layout's language, in list order.
    std::vector<std::optional<std::uint32_t>> keyboardCountries;
    std::optional<std::u16string> currency;
    std::uint16_t systemLanguage = 0;
    std::uint16_t userLanguage = 0;
    std::optional<std::uint32_t> userCountry;
    std::int32_t geoId = 0;
};

// How many of the six signs point to the row's country (0..6).
int countCountrySigns(const CountryRow& row, const CountrySigns& signs);

// Gathers the signs from the system. The keyboard scan stops at the first layout whose
// country is the row's, as only one keyboard sign can count.
CountrySigns gatherCountrySigns(const CountryRow& row);

// True when at least two signs point to the country of the row with this key ("UK" is
// Ukraine). Keys are compared exactly; an unknown key gives false.
bool isUserInCountry(const std::u16string& key);
