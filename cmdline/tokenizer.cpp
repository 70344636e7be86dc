#include "cmdline/tokenizer.h"

#include <utility>

namespace {

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

} // namespace

std::vector<std::u16string> tokenizeCommandLine(std::u16string_view commandLine) {
    std::vector<std::u16string> tokens;
    bool insideQuotes = false;
    std::size_t i = 0;
    const std::size_t n = commandLine.size();
    for (;;) {
        while (i < n && isBlank(commandLine[i]))
            ++i;
        if (i == n)
            break;
        std::u16string token;
        bool escaped = false;
        for (; i < n; ++i) {
            char16_t c = commandLine[i];
            if (isBlank(c) && !insideQuotes)
                break;
            if (c == u'"') {
                if (escaped)
                    escaped = false;
                else
                    insideQuotes = !insideQuotes;
            } else if (c == u'\\') {
                escaped = !escaped;
            } else {
                escaped = false;
            }
            token.push_back(c);
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}
