#include "cmdline/tokenizer.h"

#include "platform/wtext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string show(const std::vector<std::u16string>& tokens) {
    std::string text;
    for (const auto& t : tokens)
        text += "<" + wtext::toUtf8(t) + ">";
    return text;
}

TEST(TokenizeCommandLine, SplitsOnBlanksOutsideQuotesAndKeepsQuotesAndBackslashes) {
    struct Case {
        const char16_t* line;
        std::vector<std::u16string> tokens;
    };
    const Case cases[] = {
        {u"", {}},
        {u" \t  ", {}},
        {u"setup.exe", {u"setup.exe"}},
        {u"  C:\\m\\setup.exe\t/S  /l   ru  ", {u"C:\\m\\setup.exe", u"/S", u"/l", u"ru"}},
        // A quoted path arrives with its quotes; an unquoted one with a space splits.
        {u"\"C:\\Program Files\\setup.exe\" /S", {u"\"C:\\Program Files\\setup.exe\"", u"/S"}},
        {u"C:\\Program Files\\setup.exe /S", {u"C:\\Program", u"Files\\setup.exe", u"/S"}},
        // A quoted property value stays one token, quotes included.
        {u"setup PROP=\"a b\" X=1", {u"setup", u"PROP=\"a b\"", u"X=1"}},
        {u"a\"b c\"d e", {u"a\"b c\"d", u"e"}},
        {u"\"\"", {u"\"\""}},
        {u"a \"\" b", {u"a", u"\"\"", u"b"}},
        // A backslash keeps only the quote right after it from toggling.
        {u"a\\\"b c", {u"a\\\"b", u"c"}},
        {u"\"a\\\" b\"", {u"\"a\\\" b\""}},
        {u"a\\\\\"b c\"", {u"a\\\\\"b c\""}},
        {u"a\\x\"b c\"", {u"a\\x\"b c\""}},
        {u"C:\\dir\\ x", {u"C:\\dir\\", u"x"}},
        // An escaped quote is taken, and the quote after it toggles again.
        {u"a\\\"\"b c\"", {u"a\\\"\"b c\""}},
        // The escape state starts afresh in every token: an odd run of backslashes that ends
        // one token does not keep the next token's opening quote from toggling.
        {u"x\\\\\\ \"y z\"", {u"x\\\\\\", u"\"y z\""}},
        {u"x\\ \"y z\" w", {u"x\\", u"\"y z\"", u"w"}},
        // An open quote runs to the end of the line.
        {u"x \"open to the end", {u"x", u"\"open to the end"}},
        // Only space and tab separate.
        {u"a\nb\rc", {u"a\nb\rc"}},
        {u"\x0439\x0446 \x0443", {u"\x0439\x0446", u"\x0443"}},
    };
    for (const auto& c : cases) {
        auto tokens = tokenizeCommandLine(c.line);
        EXPECT_EQ(tokens, c.tokens) << "line [" << wtext::toUtf8(c.line) << "] gave "
                                    << show(tokens) << ", expected " << show(c.tokens);
    }
}

TEST(TokenizeCommandLine, KeepsLongTokensWhole) {
    std::u16string longToken(5000, u'x');
    auto tokens = tokenizeCommandLine(u"setup " + longToken + u" \"" + longToken + u" y\"");
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[1], longToken);
    EXPECT_EQ(tokens[2], u"\"" + longToken + u" y\"");
}

} // namespace
