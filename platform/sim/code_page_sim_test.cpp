// The simulated machine decodes text without a byte-order mark in its own ANSI code page, as
// Windows decodes CP_ACP in the code page of its system locale.
#include "platform/platform.h"
#include "platform/wtext.h"
#include "tests/support/sim_machine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

class AnsiCodePage : public testsupport::SimTest {};

TEST_F(AnsiCodePage, DecodesInTheMachinesCodePage) {
    struct Case {
        std::uint32_t codePage;
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {1252, "Caf\xE9 \x80", u"Caf\u00E9 \u20AC"},
        {1251, "\xC4\xEB\xFF Vorta", u"\u0414\u043B\u044F Vorta"},
        {1252, "\xC4\xEB\xFF Vorta", u"\u00C4\u00EB\u00FF Vorta"},
        {1250, "\x8A\xE8", u"\u0160\u010D"},
        {936, "\xC4\xE3\xBA\xC3", u"\u4F60\u597D"},
        // Bytes the code page leaves unassigned stand for themselves, as on Windows.
        {1252, "a\x81z", u"a\u0081z"},
        {1251, "\x98", u"\u0098"},
        // A double-byte character cut by the end of the text.
        {936, "a\xC4", u"a\u00C4"},
        {1251, "", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.codePage) + " " + c.bytes);
        machine().ansiCodePage = c.codePage;
        EXPECT_EQ(wtext::toUtf8(platform::decodeAnsi(
                      reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size())),
                  wtext::toUtf8(c.text));
    }
}

} // namespace
