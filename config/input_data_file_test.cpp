#include "config/input_data_file.h"

#include "platform/platform.h"
#include "platform/wtext.h"
#include "tests/support/test_files.h"
#include "tests/support/text_bytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

namespace {

std::u16string writeFile(const std::string& bytes) {
    return testfiles::write(testfiles::freshFolder(), u"file.ini", bytes);
}

// The system's text for a code, as a reason on a line of its own (without its line end), or
// the reader's words where the system has none (natively, outside a simulated machine).
std::u16string systemText(std::uint32_t code) {
    std::u16string text;
    if (!platform::systemErrorText(code, text))
        return u"the file could not be read (system error " +
               wtext::formatDecimal(static_cast<std::int64_t>(code)) + u")";
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' '))
        text.pop_back();
    return text;
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

TEST(InputDataFile, ReadsUntranslatedOnRequest) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"a\r\nb\x1A\r\nc", u"a\r\nb\x1A\r\nc"},
        {"\xEF\xBB\xBF"
         "a\r\nb\x1A\r\nc",
         u"a\r\nb\x1A\r\nc"},
        {std::string("\xFF\xFE"
                     "a\0\r\0\n\0b\0\x1A\0\r\0\n\0c\0",
                     18),
         u"a\r\nb\x1A\r\nc"},
    };
    for (const auto& [bytes, text] : cases) {
        SCOPED_TRACE(bytes);
        const std::u16string path = writeFile(bytes);
        InputDataFile untranslated(path);
        untranslated.readUntranslated();
        ASSERT_NE(untranslated.getText(), nullptr);
        EXPECT_EQ(std::u16string(untranslated.getText().get(), untranslated.getTextLength()), text);
        InputDataFile translated(path);
        translated.read();
        ASSERT_NE(translated.getText(), nullptr);
        EXPECT_EQ(std::u16string(translated.getText().get(), translated.getTextLength()), u"a\nb");
    }
}

// UTF-8 is read and decoded in pieces cut after line feeds; whatever the cuts, the text must be
// the whole file's decoding: long and short lines, a line longer than any piece, characters of
// every length and malformed sequences next to the line feeds.
TEST(InputDataFile, DecodesLargeUtf8FilesLikeTheWholeFile) {
    // Mostly whole characters of two to four bytes, so that a piece cut anywhere but after a
    // line feed would split some of them.
    const std::string pieces[] = {"k=v",
                                  "\xD0\x96",
                                  "\xD0\x96",
                                  "\xE2\x82\xAC",
                                  "\xE2\x82\xAC",
                                  "\xE2\x82\xAC",
                                  "\xF0\x9F\x98\x80",
                                  "\xF0\x9F\x98\x80",
                                  "\xD0",
                                  "\xE2\x82",
                                  "\xF0\x9F\x98",
                                  "\x80\x80",
                                  "\xC0\xAF",
                                  "\xED\xA0\x80",
                                  "\xFF",
                                  "\r",
                                  "plain ascii ",
                                  "\x1A",
                                  std::string(1, '\0')};
    std::string body;
    std::uint32_t state = 7;
    while (body.size() < 300000) {
        state = state * 1664525u + 1013904223u;
        const std::size_t length = (state >> 8) % 7 == 0 ? 70000 : (state >> 12) % 400;
        std::string line;
        while (line.size() < length) {
            state = state * 1664525u + 1013904223u;
            line += pieces[(state >> 8) % (sizeof pieces / sizeof pieces[0])];
        }
        body += line + "\n";
    }
    const std::u16string whole =
        platform::decodeUtf8(reinterpret_cast<const std::uint8_t*>(body.data()), body.size());
    InputDataFile file(writeFile("\xEF\xBB\xBF" + body));
    file.readUntranslated();
    ASSERT_NE(file.getText(), nullptr);
    const std::u16string text(file.getText().get(), file.getTextLength());
    ASSERT_EQ(text.size(), whole.size());
    EXPECT_TRUE(text == whole);
    EXPECT_EQ(file.getText()[file.getTextLength()], u'\0');
}

TEST(InputDataFile, RefusalCarriesItsReason) {
    const std::u16string folder = testfiles::freshFolder();
    struct Case {
        std::u16string path;
        InputDataFault fault;
        std::u16string reason;
    };
    const Case cases[] = {
        {folder + u"missing.ini", InputDataFault::cannotOpen, u"No such file or directory"},
        {testfiles::write(folder, u"be.ini", "\xFE\xFF"), InputDataFault::bigEndianMark,
         u"the file begins with the UTF-16 big-endian mark FE FF, which the launcher cannot read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(wtext::toUtf8(c.path));
        InputDataFile file(c.path);
        EXPECT_EQ(file.result().fault, c.fault);
        EXPECT_EQ(file.result().reason(), c.reason);
        file.read();
        EXPECT_EQ(file.getText(), nullptr);
        EXPECT_EQ(file.result().fault, c.fault);
    }
}

namespace {

// A read that fails after the open (a locked region, a device error, a share gone away) is no
// end of the file: failing on the first bytes the file is not taken for empty, further on not
// for one that ends there. The reader keeps no text and says why.
void expectReadFailed(InputDataFile& file, bool translated, std::uint32_t systemError) {
    if (translated)
        file.read();
    else
        file.readUntranslated();
    EXPECT_EQ(file.getText(), nullptr);
    EXPECT_EQ(file.getTextLength(), 0u);
    EXPECT_EQ(file.result().fault, InputDataFault::readFailed);
    EXPECT_EQ(file.result().systemError, systemError);
    EXPECT_FALSE(file.result().reason().empty());
    EXPECT_EQ(file.result().reason(), systemText(systemError));
}

} // namespace

TEST(InputDataFile, ReadThatFailsOnTheFirstBytesIsNoEmptyFile) {
    const testfiles::FileFailingFromItsStart failing(testfiles::freshFolder(),
                                                     testfiles::longSettings());
    if (failing.path().empty())
        GTEST_SKIP() << "this system has no file whose first read fails";
    for (const bool translated : {true, false}) {
        InputDataFile file(failing.path());
        expectReadFailed(file, translated, failing.systemError());
    }
}

TEST(InputDataFile, ReadThatFailsFurtherOnIsNoEndOfTheFile) {
    for (const auto& [encoding, bytes] : textbytes::inEachEncoding(testfiles::longSettings())) {
        for (const std::uint64_t offset : {std::uint64_t{3}, std::uint64_t{12000}}) {
            SCOPED_TRACE(std::string(encoding) + " locked from " + std::to_string(offset));
            const std::u16string path = writeFile(bytes);
            testfiles::LockedRegion lock(path, offset);
            if (!lock.refusesReads())
                GTEST_SKIP() << "this system lets a region locked elsewhere be read (Wine)";
            for (const bool translated : {true, false}) {
                InputDataFile file(path);
                expectReadFailed(file, translated, platform::errorLockViolation);
            }
        }
    }
}
