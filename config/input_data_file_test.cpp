#include "config/input_data_file.h"

#include "platform/wtext.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::u16string writeFile(const std::string& bytes) {
    return testfiles::write(testfiles::freshFolder(), u"file.ini", bytes);
}

} // namespace

TEST(InputDataFile, DecodesByMarkInTextMode) {
    struct Case {
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {"a\r\nb\rc\r\r\n", u"a\nb\rc\r\n"},
        {std::string("\xFF\xFE"
                     "a\0\r\0\n\0b\0c",
                     11),
         u"a\nb"}, // odd last byte dropped
        {"\xFF\xFE", u""},
        {"\xEF\xBB\xBFx\xC3\xA9\x1Ay", u"x\u00E9"},
        {"\xEF\xBB", u"\u00EF\u00BB"},
        {"\xFE", u"\u00FE"},
        {std::string("A\0B\x1A", 4), std::u16string(u"A\0B", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        std::shared_ptr<char16_t[]> text;
        std::size_t length = 0;
        {
            InputDataFile file(writeFile(c.bytes));
            file.read();
            text = file.getText();
            length = file.getTextLength();
        }
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::u16string(text.get(), length), c.text);
        EXPECT_EQ(text[length], u'\0');
    }
}

TEST(InputDataFile, RefusalCarriesTheErrnoText) {
    const std::u16string folder = testfiles::freshFolder();
    const std::pair<std::u16string, std::u16string> cases[] = {
        {folder + u"missing.ini", u"No such file or directory"},
        {testfiles::write(folder, u"be.ini", "\xFE\xFF"), u"Invalid argument"},
    };
    for (const auto& [path, message] : cases) {
        SCOPED_TRACE(wtext::toUtf8(path));
        try {
            InputDataFile file(path);
            ADD_FAILURE() << "opened";
        } catch (const InputDataFileException& e) {
            EXPECT_EQ(e.message, message);
        }
    }
}
