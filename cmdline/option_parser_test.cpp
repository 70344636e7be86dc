#include "cmdline/option_parser.h"

#include "cmdline/tokenizer.h"
#include "platform/wtext.h"
#include "tests/support/expected_usage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::u16string>;

void load(OptionParser& parser, const Args& args, std::span<const OptionSpec> table,
          bool longOptions) {
    Args all{u"C:\\media\\setup.exe"};
    all.insert(all.end(), args.begin(), args.end());
    parser.setArguments(all);
    parser.setLongOptionsEnabled(longOptions);
    parser.defineOptions(table);
}

// What a parse recorded, in one comparable line: the given options in table order (with
// their values, or numbers for the number option), then the positional arguments.
std::u16string recorded(const OptionParser& parser, const std::vector<std::u16string>& names) {
    std::u16string text;
    for (const auto& name : names) {
        if (!parser.isSet(name))
            continue;
        if (!text.empty())
            text += u' ';
        text += name;
        if (name == u"count")
            text += u'#' + wtext::formatDecimal(parser.number(name));
        else if (!parser.value(name).empty() || name == option::language)
            text += u'=' + parser.value(name);
    }
    for (std::size_t i = 0; i < parser.parameterCount(); ++i)
        text += (text.empty() ? u"+" : u" +") + parser.parameterValue(i);
    return text;
}

std::string show(const Args& args) {
    std::string text;
    for (const auto& a : args)
        text += " " + wtext::toUtf8(a);
    return text;
}

struct ParseCase {
    Args args;
    std::int32_t result;
    std::u16string recorded;
    std::u16string diagnostic;
};

void runCases(const std::vector<ParseCase>& cases, std::span<const OptionSpec> table,
              const std::vector<std::u16string>& names, bool longOptions) {
    for (const auto& c : cases) {
        OptionParser parser;
        load(parser, c.args, table, longOptions);
        std::int32_t result = parser.parse();
        SCOPED_TRACE("arguments:" + show(c.args));
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(wtext::toUtf8(recorded(parser, names)), wtext::toUtf8(c.recorded));
        EXPECT_EQ(wtext::toUtf8(parser.diagnostic()), wtext::toUtf8(c.diagnostic));
    }
}

const std::vector<std::u16string> systemNames{
    option::language, option::silent,   option::adminInstall, option::uninstall,
    option::instance, option::debugLog, option::usage};

TEST(OptionParser, ParsesTheLaunchersOwnOptions) {
    const std::vector<ParseCase> cases = {
        {{}, 0, u"", u""},
        {{u"/S", u"/a", u"/x"}, 0, u"S a x", u""},
        {{u"-s", u"/A"}, 0, u"S a", u""},
        {{u"/S", u"/S"}, 0, u"S", u""},
        // Every spelling of a value; the value keeps the case typed.
        {{u"/lru"}, 0, u"l=ru", u""},
        {{u"/l:ru"}, 0, u"l=ru", u""},
        {{u"/l=ru"}, 0, u"l=ru", u""},
        {{u"/l", u"ru"}, 0, u"l=ru", u""},
        {{u"/L", u"RU"}, 0, u"l=RU", u""},
        {{u"-l:ru:x=y"}, 0, u"l=ru:x=y", u""},
        {{u"/l:"}, 0, u"l=", u""},
        {{u"/l", u"ru", u"/l", u"de"}, 0, u"l=de", u""},
        // The next argument is the value whatever it looks like.
        {{u"/l", u"/S"}, 0, u"l=/S", u""},
        {{u"/l", u"--", u"/S"}, 0, u"l=-- S", u""},
        {{u"/debuglog:C:\\logs\\setup.log"}, 0, u"debuglog=C:\\logs\\setup.log", u""},
        // The longest prefix of the name run that is an option wins; the rest is the value.
        {{u"/debuglogsetup.log"}, 0, u"debuglog=setup.log", u""},
        {{u"/DEBUGLOG-x"}, 0, u"debuglog=-x", u""},
        {{u"/instance", u"{4D1A}"}, 0, u"instance={4D1A}", u""},
        {{u"/x", u"/a"}, 0, u"a x", u""},
        // Positional arguments, in order and as tokenized.
        {{u"A=1", u"/S", u"PROP=\"a b\""}, 0, u"S +A=1 +PROP=\"a b\"", u""},
        {{u"/", u"-"}, 0, u"+/ +-", u""},
        {{u"--", u"/S", u"-x", u"--", u"--l"}, 0, u"+/S +-x +--l", u""},
        // Help ends the parse; nothing after it is looked at.
        {{u"/?", u"/S"}, -1, u"?", u""},
        {{u"-?", u"/bogus"}, -1, u"?", u""},
        {{u"/S", u"/?"}, -1, u"S ?", u""},
        // Refusals: the first problem ends the parse, what came before stays recorded.
        {{u"/S", u"/bogus", u"/x"}, 1, u"S", u"Unknown option bogus\n"},
        {{u"/bogus", u"/?"}, 1, u"", u"Unknown option bogus\n"},
        {{u"A", u"/in", u"B"}, 1, u"+A", u"Unknown option in\n"},
        {{u"/l"}, 1, u"", u"Option \"l\" requires a value.\n"},
        {{u"/l", u"ru", u"/L"}, 1, u"l=ru", u"Option \"L\" requires a value.\n"},
        {{u"/silent"}, 1, u"", u"Unexpected characters following option \"s\"\n"},
        {{u"/Sa"}, 1, u"", u"Unexpected characters following option \"S\"\n"},
        {{u"/a/x"}, 1, u"", u"Unexpected characters following option \"a\"\n"},
        {{u"/S:"}, 1, u"", u"Unexpected characters following option \"S\"\n"},
        {{u"/??"}, 1, u"", u"Unexpected characters following option \"?\"\n"},
        {{u"--S"}, 1, u"", u"Unknown option --S\n"},
        {{u"--debug-log=x"}, 1, u"", u"Unknown option --debug-log\n"},
        {{u"//"}, 1, u"", u"Unknown option \n"},
        {{u"-/"}, 1, u"", u"Unknown option \n"},
        {{u"/:ru"}, 1, u"", u"Unknown option \n"},
        {{u"/_x"}, 1, u"", u"Unknown option _x\n"},
        // Letters beyond ASCII belong to the name run but never fold.
        {{u"/l\x00E9"}, 0, u"l=\x00E9", u""},
        {{u"/\x00E9l"}, 1, u"", u"Unknown option \x00E9l\n"},
    };
    runCases(cases, optionTable, systemNames, false);
}

TEST(OptionParser, SkipsTheProgramPathEvenWhenItWasSplit) {
    OptionParser parser;
    parser.setArguments(tokenizeCommandLine(u"C:\\Program Files\\setup.exe /S"));
    parser.setLongOptionsEnabled(false);
    parser.defineOptions(optionTable);
    EXPECT_EQ(parser.parse(), 0);
    EXPECT_TRUE(parser.isSet(option::silent));
    ASSERT_EQ(parser.parameterCount(), 1u);
    EXPECT_EQ(parser.parameterValue(0), u"Files\\setup.exe");
}

// A table that sets what the launcher's own does not: numbers, dates, long names, a required
// option, a separator rule, help and required parameters.
const OptionSpec fullTable[] = {
    {OptionKind::Valued, u"count", u"count", u"how many", ValueType::Num, OptionFlags{}},
    {OptionKind::Valued, u"d", u"date", u"when", ValueType::Date, OptionFlags::SeparatorRequired},
    {OptionKind::Switch, u"v", u"verbose", u"more", ValueType::Str, OptionFlags{}},
    {OptionKind::Switch, u"h", u"help", u"help", ValueType::Str, OptionFlags::Help},
    {OptionKind::Valued, u"o", u"output-file", u"output", ValueType::Str, OptionFlags::Required},
    {OptionKind::Parameter, nullptr, nullptr, u"source", ValueType::Str, OptionFlags{}},
    {OptionKind::Parameter, nullptr, nullptr, u"files", ValueType::Str, OptionFlags::Repeatable},
    {OptionKind::End, nullptr, nullptr, nullptr, ValueType::Str, OptionFlags{}},
};
const std::vector<std::u16string> fullNames{u"count", u"d", u"v", u"h", u"o"};

TEST(OptionParser, ParsesNumbersLongNamesAndRequiredEntries) {
    const std::vector<ParseCase> cases = {
        {{u"/o", u"x", u"src", u"f1", u"f2"}, 0, u"o=x +src +f1 +f2", u""},
        {{u"--output-file=x", u"--VERBOSE", u"src", u"f"}, 0, u"v o=x +src +f", u""},
        {{u"--output-file=", u"src", u"f"}, 0, u"o +src +f", u""},
        // Numbers convert like wcstol; 0 and text without digits are refused alike.
        {{u"/o:x", u"/count:5", u"s", u"f"}, 0, u"count#5 o=x +s +f", u""},
        {{u"/o:x", u"/count= -7", u"s", u"f"}, 0, u"count#-7 o=x +s +f", u""},
        {{u"/o:x", u"/count12abc", u"s", u"f"}, 0, u"count#12 o=x +s +f", u""},
        {{u"/o:x", u"--count=99999999999", u"s", u"f"}, 0, u"count#2147483647 o=x +s +f", u""},
        {{u"/count", u"-99999999999", u"/o:x", u"s", u"f"}, 0, u"count#-2147483648 o=x +s +f", u""},
        {{u"/count:0"}, 1, u"", u"0 is not a correct numeric value for option count\n"},
        {{u"/COUNT", u"abc"}, 1, u"", u"abc is not a correct numeric value for option COUNT\n"},
        {{u"/count:"}, 1, u"", u" is not a correct numeric value for option count\n"},
        {{u"/d:2024-01-31", u"/o:x", u"s", u"f"}, 0, u"d=2024-01-31 o=x +s +f", u""},
        {{u"/d2024"}, 1, u"", u"Separator expected after the option d\n"},
        {{u"/h", u"/bogus"}, -1, u"h", u""},
        {{u"/v", u"--help"}, -1, u"v h", u""},
        // A required option that is missing fails without a line; parameters come after it.
        {{}, 1, u"", u""},
        {{u"src", u"f"}, 1, u"+src +f", u""},
        {{u"/o", u"x"}, 1, u"o=x", u"The required parameter 'source' was not specified.\n"},
        {{u"/o", u"x", u"src"},
         1,
         u"o=x +src",
         u"The required parameter 'files' was not specified.\n"},
        {{u"--output-file", u"x"},
         1,
         u"",
         u"Option 'output-file' requires a value, '=' expected.\n"},
        {{u"--Output-File:x"}, 1, u"", u"Option 'Output-File' requires a value, '=' expected.\n"},
        {{u"--verbose=yes"}, 1, u"", u"Unexpected characters following option \"verbose\"\n"},
        {{u"--nosuch"}, 1, u"", u"Unknown long option nosuch\n"},
        {{u"--v"}, 1, u"", u"Unknown long option v\n"},
        {{u"--"}, 1, u"", u""},
    };
    runCases(cases, fullTable, fullNames, true);
}

TEST(OptionParser, RefusesPositionalArgumentsBeyondTheLastParameter) {
    const OptionSpec table[] = {
        {OptionKind::Switch, u"q", u"", u"quiet", ValueType::Str, OptionFlags{}},
        {OptionKind::Parameter, nullptr, nullptr, u"one", ValueType::Str, OptionFlags::Optional},
    };
    const std::vector<ParseCase> cases = {
        {{}, 0, u"", u""},
        {{u"a"}, 0, u"+a", u""},
        {{u"a", u"\"b c\"", u"/q"}, 1, u"+a", u"Unexpected parameter '\"b c\"'\n"},
        {{u"--", u"a", u"/q"}, 1, u"+a", u"Unexpected parameter '/q'\n"},
    };
    runCases(cases, table, {u"q"}, false);
}

TEST(OptionParser, EmptyLongNamesNeverMatch) {
    // Every long name of the launcher's table is empty: "--=x" must not reach the first row.
    const std::vector<ParseCase> cases = {
        {{u"--=ru"}, 1, u"", u"Unknown long option \n"},
        {{u"--"}, 0, u"", u""},
    };
    runCases(cases, optionTable, systemNames, true);
}

TEST(OptionParser, AnswersNothingForNamesOutsideTheTable) {
    OptionParser parser;
    load(parser, {u"/l", u"ru", u"/S", u"/debuglog:x.log"}, optionTable, false);
    ASSERT_EQ(parser.parse(), 0);
    for (const char16_t* name :
         {u"", u"bogus", u"ll", u"--", u"-l", u"/l", u"debug", u"input params"}) {
        SCOPED_TRACE(wtext::toUtf8(name));
        EXPECT_EQ(parser.findOption(name), -1);
        EXPECT_FALSE(parser.isSet(name));
        EXPECT_EQ(parser.value(name), u"");
        EXPECT_EQ(parser.number(name), 0);
    }
    EXPECT_EQ(parser.findOption(u"L"), 0);
    EXPECT_EQ(parser.findOption(u"DebugLog"), 5);
    EXPECT_EQ(parser.findOption(u"?"), 6);
    EXPECT_EQ(parser.value(u"L"), u"ru");
    EXPECT_EQ(parser.value(u"s"), u"");
    EXPECT_EQ(parser.value(option::instance), u"");
    EXPECT_EQ(parser.parameterValue(0), u"");
}

TEST(OptionParser, FindsByNameBeforeLongNameAndFirstRowFirst) {
    const OptionSpec table[] = {
        {OptionKind::Switch, u"x", u"alpha", u"", ValueType::Str, OptionFlags{}},
        {OptionKind::Switch, u"alpha", u"", u"", ValueType::Str, OptionFlags{}},
        {OptionKind::Switch, u"X", u"", u"", ValueType::Str, OptionFlags{}},
        {OptionKind::Switch, u"\x00E4", u"", u"", ValueType::Str, OptionFlags{}},
    };
    OptionParser parser;
    parser.defineOptions(table);
    EXPECT_EQ(parser.findOption(u"alpha"), 1);
    EXPECT_EQ(parser.findOption(u"ALPHA"), 1);
    EXPECT_EQ(parser.findOption(u"X"), 0);
    EXPECT_EQ(parser.findOption(u"\x00E4"), 3);
    EXPECT_EQ(parser.findOption(u"\x00C4"), -1);
}

TEST(OptionParser, StopsLoadingAtTheEndRowAndTakesNullTextsAsEmpty) {
    const OptionSpec table[] = {
        {OptionKind::Switch, u"a", nullptr, nullptr, ValueType::Str, OptionFlags{}},
        {OptionKind::Switch, nullptr, nullptr, nullptr, ValueType::Str, OptionFlags{}},
        {OptionKind::Parameter, nullptr, nullptr, nullptr, ValueType::Str, OptionFlags::Optional},
        {OptionKind(7), nullptr, nullptr, nullptr, ValueType::Str, OptionFlags{}},
        {OptionKind::Switch, u"b", u"", u"", ValueType::Str, OptionFlags{}},
    };
    OptionParser parser;
    load(parser, {u"/b"}, table, false);
    EXPECT_EQ(parser.parse(), 1);
    EXPECT_EQ(parser.diagnostic(), u"Unknown option b\n");
    EXPECT_EQ(parser.findOption(u"b"), -1);
    EXPECT_EQ(parser.usage(), u"Usage:  [/a] [] []\n/a\t\n  \t\n");
}

TEST(OptionParser, EachParseStartsWithNothingPresent) {
    OptionParser parser;
    load(parser, {u"/l", u"ru", u"/S"}, optionTable, false);
    ASSERT_EQ(parser.parse(), 0);
    parser.setArguments({u"setup.exe", u"/x", u"/bogus"});
    EXPECT_EQ(parser.parse(), 1);
    EXPECT_FALSE(parser.isSet(option::silent));
    EXPECT_FALSE(parser.isSet(option::language));
    EXPECT_EQ(parser.value(option::language), u"");
    EXPECT_TRUE(parser.isSet(option::uninstall));
    EXPECT_EQ(parser.diagnostic(), u"Unknown option bogus\n");
    parser.setArguments({u"setup.exe"});
    EXPECT_EQ(parser.parse(), 0);
    EXPECT_EQ(parser.diagnostic(), u"");
}

TEST(OptionParser, LongestMatchingNameWinsWhateverTheRowOrder) {
    const OptionSpec shortFirst[] = {
        {OptionKind::Switch, u"a", u"", u"a", ValueType::Str, OptionFlags{}},
        {OptionKind::Valued, u"ab", u"", u"ab", ValueType::Str, OptionFlags{}},
    };
    const OptionSpec longFirst[] = {shortFirst[1], shortFirst[0]};
    const std::vector<ParseCase> cases = {
        {{u"/abc"}, 0, u"ab=c", u""},
        {{u"/AB", u"v"}, 0, u"ab=v", u""},
        {{u"/a"}, 0, u"a", u""},
        {{u"/ax"}, 1, u"", u"Unexpected characters following option \"a\"\n"},
    };
    for (std::span<const OptionSpec> table : {std::span(shortFirst), std::span(longFirst)})
        runCases(cases, table, {u"a", u"ab"}, false);
}

TEST(OptionParser, RepeatableParameterBeforeTheLastOneIsNotSatisfiedByRepeats) {
    // Positional arguments all go to the repeatable parameter; only the last parameter may be
    // satisfied by having taken them.
    const OptionSpec table[] = {
        {OptionKind::Parameter, nullptr, nullptr, u"files", ValueType::Str,
         OptionFlags::Repeatable},
        {OptionKind::Parameter, nullptr, nullptr, u"target", ValueType::Str, OptionFlags{}},
    };
    runCases({{{u"x", u"y"}, 1, u"+x +y", u"The required parameter 'files' was not specified.\n"}},
             table, {}, false);
}

TEST(OptionParserUsage, ListsTheLaunchersOptionsExactly) {
    OptionParser parser;
    load(parser, {u"/l", u"ru", u"/bogus"}, optionTable, false);
    EXPECT_EQ(wtext::toUtf8(parser.usage()), wtext::toUtf8(expectedUsage));
    parser.parse();
    EXPECT_EQ(parser.usage(), expectedUsage);
}

TEST(OptionParserUsage, ShowsLongNamesTypesAndRequiredEntries) {
    const OptionSpec table[] = {
        {OptionKind::Valued, u"o", u"output", u"output file", ValueType::Str,
         OptionFlags::Required},
        {OptionKind::Switch, u"", u"verbose", u"more text", ValueType::Num, OptionFlags{}},
        {OptionKind::Valued, u"n", u"", u"count", ValueType::Num, OptionFlags::Optional},
        {OptionKind::Valued, u"", u"when", u"date", ValueType::Date, OptionFlags{}},
        {OptionKind::Valued, u"k", u"", u"key", ValueType(9), OptionFlags{}},
        {OptionKind::Parameter, nullptr, nullptr, u"src", ValueType::Str, OptionFlags{}},
        {OptionKind::Parameter, nullptr, nullptr, u"rest", ValueType::Str,
         OptionFlags::Optional | OptionFlags::Repeatable},
    };
    OptionParser parser;
    parser.defineOptions(table);
    const std::u16string expected =
        u"Usage:  /o <str> [--verbose] [/n <num>] [--when <date>] [/k <str>] src [rest...]\n"
        u"/o, --output=<str>\toutput file\n"
        u"  --verbose       \tmore text\n"
        u"/n:<num>          \tcount\n"
        u"  --when=<date>   \tdate\n"
        u"/k:<str>          \tkey\n";
    EXPECT_EQ(wtext::toUtf8(parser.usage()), wtext::toUtf8(expected));
}

TEST(OptionParserUsage, LongNamesWhileLongOptionsAreOff) {
    // Long names are not shown, but a valued option's long name still chooses '=' over ':'.
    const OptionSpec table[] = {
        {OptionKind::Valued, u"o", u"output", u"output file", ValueType::Str, OptionFlags{}},
        {OptionKind::Switch, u"", u"verbose", u"more text", ValueType::Str, OptionFlags{}},
    };
    OptionParser parser;
    parser.setLongOptionsEnabled(false);
    parser.defineOptions(table);
    EXPECT_EQ(wtext::toUtf8(parser.usage()), "Usage:  [/o <str>] []\n"
                                             "/o=<str>\toutput file\n"
                                             "        \tmore text\n");
}

TEST(OptionParserUsage, WithoutOptionsShowsOnlyTheParameters) {
    const OptionSpec table[] = {
        {OptionKind::Parameter, nullptr, nullptr, u"files", ValueType::Str,
         OptionFlags::Repeatable},
        {OptionKind::End, nullptr, nullptr, nullptr, ValueType::Str, OptionFlags{}},
    };
    OptionParser parser;
    parser.defineOptions(table);
    EXPECT_EQ(parser.usage(), u"Usage:  files...\n");
    OptionParser empty;
    EXPECT_EQ(empty.usage(), u"Usage: \n");
}

} // namespace
