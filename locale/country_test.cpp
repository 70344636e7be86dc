#include "locale/country.h"

#include <gtest/gtest.h>

namespace {

const CountryRow& ukraine() {
    for (const CountryRow& row : countryTable())
        if (row.key == u"UK")
            return row;
    throw std::logic_error("no UK row");
}

CountrySigns nothingUkrainian() {
    CountrySigns s;
    s.keyboardCountries = {1u, 7u};
    s.currency = u"$";
    s.systemLanguage = 0x0419;
    s.userLanguage = 0x0419;
    s.userCountry = 7u;
    s.geoId = 203;
    return s;
}

TEST(CountrySigns, CountsEachSignAtMostOnce) {
    struct Case {
        const char* what;
        void (*change)(CountrySigns&);
        int expected;
    };
    const Case cases[] = {
        {"nothing", [](CountrySigns&) {}, 0},
        {"one Ukrainian keyboard", [](CountrySigns& s) { s.keyboardCountries.push_back(380u); }, 1},
        {"three Ukrainian keyboards",
         [](CountrySigns& s) {
             s.keyboardCountries = {380u, 380u, 380u};
         },
         1},
        {"keyboard query failed", [](CountrySigns& s) { s.keyboardCountries = {std::nullopt}; }, 0},
        {"hryvnia", [](CountrySigns& s) { s.currency = u"\u20B4"; }, 1},
        {"hryvnia with a trailing dot", [](CountrySigns& s) { s.currency = u"\u20B4."; }, 0},
        {"currency query failed", [](CountrySigns& s) { s.currency.reset(); }, 0},
        {"system language", [](CountrySigns& s) { s.systemLanguage = 0x0422; }, 1},
        {"user language", [](CountrySigns& s) { s.userLanguage = 0x0422; }, 1},
        {"locale country", [](CountrySigns& s) { s.userCountry = 380u; }, 1},
        {"geo id", [](CountrySigns& s) { s.geoId = 241; }, 1},
        {"geo id and currency",
         [](CountrySigns& s) {
             s.geoId = 241;
             s.currency = u"\u20B4";
         },
         2},
        {"everything",
         [](CountrySigns& s) {
             s.keyboardCountries = {380u};
             s.currency = u"\u20B4";
             s.systemLanguage = s.userLanguage = 0x0422;
             s.userCountry = 380u;
             s.geoId = 241;
         },
         6},
    };
    for (const Case& c : cases) {
        CountrySigns signs = nothingUkrainian();
        c.change(signs);
        EXPECT_EQ(countCountrySigns(ukraine(), signs), c.expected) << c.what;
    }
}

TEST(CountryTable, RowsInOrder) {
    const auto& table = countryTable();
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0].key, u"US");
    EXPECT_EQ(table[1].currencySymbol, u"\u20BD");
    EXPECT_EQ(table[2].dialingCode, 380);
    EXPECT_EQ(table[2].languageId, 0x0422);
    EXPECT_EQ(table[2].geoId, 241);
}

} // namespace
