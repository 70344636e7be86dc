// The command line: bytes taken as UTF-16LE code units (any unit, lone surrogates included)
// are one process command line; it is split into tokens and parsed against the launcher's
// option table, with long options off (as the launcher runs) and on.
//
// Checked on every input:
//  - tokens are non-empty, stand in the line in order, and only blanks lie between them;
//    joining them with single spaces and splitting again gives the same tokens;
//  - the parse answers 0, 1 or -1; a refusal has a diagnostic line ending in a line feed,
//    an accepted parse and the help switch have none;
//  - queries stay in range: a positional index past the count is empty, an option outside
//    the table is never set;
//  - the usage text depends on the table alone: it is the same before and after a parse,
//    whatever the arguments were.
#include "cmdline/option_parser.h"
#include "cmdline/option_table.h"
#include "cmdline/tokenizer.h"
#include "fuzz/fuzz_input.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using fuzzinput::check;

bool blank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::u16string usageOf(bool longOptions) {
    OptionParser parser;
    parser.setLongOptionsEnabled(longOptions);
    parser.defineOptions(optionTable);
    return parser.usage();
}

void checkTokens(const std::u16string& line, const std::vector<std::u16string>& tokens) {
    std::size_t pos = 0;
    for (const std::u16string& token : tokens) {
        check(!token.empty(), "tokens are not empty");
        while (pos < line.size() && blank(line[pos]))
            ++pos;
        check(line.compare(pos, token.size(), token) == 0, "tokens stand in the line in order");
        pos += token.size();
    }
    while (pos < line.size() && blank(line[pos]))
        ++pos;
    check(pos == line.size(), "only blanks follow the last token");

    std::u16string joined;
    for (const std::u16string& token : tokens) {
        if (!joined.empty())
            joined += u' ';
        joined += token;
    }
    check(tokenizeCommandLine(joined) == tokens, "joined tokens split the same way again");
}

void parseWith(const std::vector<std::u16string>& tokens, bool longOptions,
               const std::u16string& expectedUsage) {
    OptionParser parser;
    parser.setArguments(tokens);
    parser.setLongOptionsEnabled(longOptions);
    parser.defineOptions(optionTable);
    check(parser.usage() == expectedUsage, "usage before a parse is the table's");
    std::int32_t result = parser.parse();
    check(result == 0 || result == 1 || result == -1, "parse answers 0, 1 or -1");
    const std::u16string& diagnostic = parser.diagnostic();
    if (result == 1)
        check(!diagnostic.empty() && diagnostic.back() == u'\n', "a refusal is described");
    else
        check(diagnostic.empty(), "no diagnostic without a refusal");
    if (result == -1)
        check(parser.isSet(option::usage), "the help switch ended the parse");

    for (const OptionSpec& row : optionTable) {
        if (row.kind != OptionKind::Switch && row.kind != OptionKind::Valued)
            continue;
        std::u16string name = row.name;
        check(parser.findOption(name) >= 0, "a table option is found");
        if (!parser.isSet(name))
            check(parser.value(name).empty(), "an absent option has no value");
        check(parser.number(name) == 0, "no option of the table is numeric");
    }
    check(!parser.isSet(u"") && parser.findOption(u"") == -1, "the empty name is no option");
    check(!parser.isSet(u"bogus"), "a name outside the table is never set");
    check(parser.parameterCount() < tokens.size() || tokens.empty(),
          "positional arguments come from the tokens after the first");
    check(parser.parameterValue(parser.parameterCount()).empty(), "past the last parameter");
    for (std::size_t i = 0; i < parser.parameterCount(); ++i)
        check(!parser.parameterValue(i).empty(), "positional arguments are tokens");
    check(parser.usage() == expectedUsage, "usage after a parse is the table's");
    // A second parse of the same arguments gives the same answer.
    check(parser.parse() == result, "parsing again gives the same answer");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::u16string usageShort = usageOf(false);
    static const std::u16string usageLong = usageOf(true);

    std::u16string line(size / 2, u'\0');
    for (std::size_t i = 0; i < line.size(); ++i)
        line[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));

    std::vector<std::u16string> tokens = tokenizeCommandLine(line);
    checkTokens(line, tokens);
    parseWith(tokens, false, usageShort);
    parseWith(tokens, true, usageLong);
    return 0;
}
