#include "locale/language.h"

#include "tests/support/sim_machine.h"

namespace {

using DefaultLanguageId = testsupport::SimTest;

TEST_F(DefaultLanguageId, UserLanguageOrTheCustomLocaleRule) {
    struct Case {
        const char* what;
        std::uint16_t user;
        std::uint16_t system;
        bool versionOk;
        std::uint32_t major;
        int localeResult;
        std::uint32_t localeValue;
        std::uint16_t expected;
    };
    const Case cases[] = {
        {"plain user language", 0x0419, 0x0409, true, 10, 1, 0x0422, 0x0419},
        {"custom locale on XP", 0x0C00, 0x0409, true, 5, 1, 0x0422, 0x0409},
        {"custom locale on 7", 0x0C00, 0x0409, true, 6, 1, 0x0422, 0x0422},
        {"custom locale, low bits only", 0x0C00, 0x0409, true, 10, 1, 0x00010419, 0x0419},
        {"custom locale, query fails", 0x0C00, 0x0407, true, 10, 0, 0x0422, 0x0407},
        {"custom locale, version unknown", 0x0C00, 0x0409, false, 5, 1, 0x0422, 0x0422},
    };
    for (const Case& c : cases) {
        renew();
        auto& m = sim::machine();
        m.userLangId = c.user;
        m.systemLangId = c.system;
        m.getVersionSucceeds = c.versionOk;
        m.version.major = c.major;
        m.customLocaleResult = c.localeResult;
        m.customLocaleValue = c.localeValue;
        EXPECT_EQ(defaultLanguageId(), c.expected) << c.what;
    }
}

} // namespace
