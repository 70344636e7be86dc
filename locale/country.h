// Guessing whether the user is in a country from six independent signs in the user's and
// the system's settings; two or more agreeing signs are believed.
#pragma once

#include <array>
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

// The six signs, in the order they are asked.
enum class CountrySign {
    KeyboardLayout, // a keyboard layout whose language's own country is the country
    Currency,       // the user's currency symbol
    SystemLanguage, // the system's default language
    UserLanguage,   // the user's default language
    UserCountry,    // the user's country code (the user's own setting counts)
    GeoId,          // the user's geographical location
};
inline constexpr std::size_t countrySignCount = 6;
// Their names, as a report shows them.
inline constexpr const char* countrySignNames[countrySignCount] = {
    "keyboard layout", "currency",          "system language",
    "user language",   "user country code", "GeoID"};

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

// Which of the six signs point to the row's country, indexed by CountrySign.
using CountrySignSet = std::array<bool, countrySignCount>;
CountrySignSet signsPointingTo(const CountryRow& row, const CountrySigns& signs);
// How many of the six signs point to the row's country (0..6).
int countCountrySigns(const CountryRow& row, const CountrySigns& signs);

// Gathers the signs from the system. The keyboard scan stops at the first layout whose
// country is the row's, as only one keyboard sign can count.
CountrySigns gatherCountrySigns(const CountryRow& row);

struct CountryAnswer {
    bool inCountry = false;
    CountrySignSet signs{};
};

// True when at least two signs point to the country of the row with this key ("UK" is
// Ukraine). Keys are compared exactly; an unknown key gives false and no sign.
CountryAnswer askUserInCountry(const std::u16string& key);
inline bool isUserInCountry(const std::u16string& key) {
    return askUserInCountry(key).inCountry;
}
