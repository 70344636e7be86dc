#include "locale/country.h"

#include "tests/support/sim_machine.h"

namespace {

class IsUserInCountry : public testsupport::SimTest {
protected:
    void russianUser() {
        renew();
        auto& m = machine();
        m.userLangId = m.systemLangId = 0x0419;
        m.keyboardLayouts = {0x04190419, 0x04090409};
        m.currency = u"\u20BD";
        m.userCountryCode = 7;
        m.geoId = 203;
    }
};

TEST_F(IsUserInCountry, TwoSignsAreEnough) {
    struct Case {
        const char* what;
        void (*script)(sim::Machine&);
        bool expected;
    };
    const Case cases[] = {
        {"Russian user", [](sim::Machine&) {}, false},
        {"Russian languages, Ukrainian currency and place",
         [](sim::Machine& m) {
             m.currency = u"\u20B4";
             m.geoId = 241;
         },
         true},
        {"Ukrainian place only", [](sim::Machine& m) { m.geoId = 241; }, false},
        {"Ukrainian keyboard among others",
         [](sim::Machine& m) { m.keyboardLayouts.push_back(0x04220422); }, false},
        {"two Ukrainian keyboards",
         [](sim::Machine& m) {
             m.keyboardLayouts = {0x04220422, 0xF0A80422};
         },
         false},
        {"keyboard and locale country",
         [](sim::Machine& m) {
             m.keyboardLayouts.push_back(0x04220422);
             m.userCountryCode = 380;
         },
         true},
        {"custom user locale naming Ukrainian, and Ukrainian system",
         [](sim::Machine& m) {
             m.userLangId = 0x0C00;
             m.version.major = 10;
             m.customLocaleValue = 0x0422;
             m.systemLangId = 0x0422;
         },
         true},
        // A layout's language is its low word; the high word names the keyboard device.
        {"Ukrainian layout on a US keyboard, and Ukrainian place",
         [](sim::Machine& m) {
             m.keyboardLayouts = {0x04090422};
             m.geoId = 241;
         },
         true},
        {"US layout on a Ukrainian keyboard, and Ukrainian place",
         [](sim::Machine& m) {
             m.keyboardLayouts = {0x04220409};
             m.geoId = 241;
         },
         false},
        {"the user's own country setting and the place",
         [](sim::Machine& m) {
             m.userCountryCode = 380;
             m.geoId = 241;
         },
         true},
        {"a country setting alone counts once, not again through a keyboard of the same language",
         [](sim::Machine& m) { m.userCountryCode = 380; }, false},
        {"failed queries do not count",
         [](sim::Machine& m) {
             m.keyboardListSucceeds = false;
             m.currency.reset();
             m.userCountryCode.reset();
             m.geoId = 241;
         },
         false},
    };
    for (const Case& c : cases) {
        russianUser();
        c.script(sim::machine());
        EXPECT_EQ(isUserInCountry(u"UK"), c.expected) << c.what;
    }
}

TEST_F(IsUserInCountry, KeysAreExact) {
    renew();
    auto& m = sim::machine();
    m.userLangId = m.systemLangId = 0x0422;
    m.currency = u"\u20B4";
    m.geoId = 241;
    EXPECT_TRUE(isUserInCountry(u"UK"));
    EXPECT_FALSE(isUserInCountry(u"uk"));
    EXPECT_FALSE(isUserInCountry(u"UA"));
    EXPECT_FALSE(isUserInCountry(u""));
}

TEST_F(IsUserInCountry, KeyboardScanStopsAtTheFirstMatch) {
    russianUser();
    auto& m = sim::machine();
    m.keyboardLayouts = {0x04090409, 0x04220422, 0x04190419};
    const CountryRow& ukraine = countryTable()[2];
    CountrySigns signs = gatherCountrySigns(ukraine);
    ASSERT_EQ(signs.keyboardCountries.size(), 2u);
    EXPECT_EQ(signs.keyboardCountries[1], 380u);
}

} // namespace
