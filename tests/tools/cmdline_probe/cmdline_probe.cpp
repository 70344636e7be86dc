// Writes, as UTF-8 lines: "token <text>" for each token of its own command line, then
// "result <n>", "set <name>" / "value <name> <text>" for each option given, and
// "param <text>" for each positional argument.
#include "cmdline/option_parser.h"
#include "cmdline/option_table.h"
#include "cmdline/tokenizer.h"
#include "platform/platform.h"

int wmain() {
    std::u16string out;
    std::vector<std::u16string> tokens = tokenizeCommandLine(platform::commandLine());
    for (const auto& token : tokens)
        out += u"token " + token + u"\n";
    OptionParser parser;
    parser.setArguments(tokens);
    parser.setLongOptionsEnabled(false);
    parser.defineOptions(optionTable);
    std::int32_t result = parser.parse();
    out += result == 0 ? u"result 0\n" : result < 0 ? u"result -1\n" : u"result 1\n";
    for (const char16_t* name : {u"l", u"S", u"a", u"x", u"instance", u"debuglog", u"?"}) {
        if (parser.isSet(name))
            out += u"set " + std::u16string(name) + u"\n" + u"value " + name + u" " +
                   parser.value(name) + u"\n";
    }
    for (std::size_t i = 0; i < parser.parameterCount(); ++i)
        out += u"param " + parser.parameterValue(i) + u"\n";
    out += u"diagnostic " + parser.diagnostic();
    platform::writeStdout(out);
    return 0;
}
