#include "tools/setup_check/options/tool_options.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace setupcheck {

namespace {

TEST(Profile, ArgumentsGivenOneByOneAreQuotedWhereTheyHoldBlanks) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, ""},
        {{"/l", "uk", "/S"}, "/l uk /S"},
        {{"INSTALLDIR=C:\\My Apps"}, "INSTALLDIR=\"C:\\My Apps\""},
        {{"/debuglog", "C:\\my log.txt"}, "/debuglog \"C:\\my log.txt\""},
        {{"A=\"x y\""}, "A=\"x y\""},
    };
    for (const auto& [arguments, line] : cases)
        EXPECT_EQ(joinArguments(arguments), line);
}

} // namespace

} // namespace setupcheck
