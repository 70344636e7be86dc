// Splits the process command line into tokens for the option parser.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Tokens are separated by spaces and tabs outside double quotes. Quotes and backslashes stay
// in the token: a quote only toggles grouping, and a backslash only keeps the quote right
// after it from toggling. This is deliberately not CommandLineToArgvW: a quoted path arrives
// with its quotes, and a property assignment such as PROP="a b" reaches the installer as typed.
// The first token is the program's own path.
std::vector<std::u16string> tokenizeCommandLine(std::u16string_view commandLine);
