#include "config/ini_file.h"
#include "config/input_data_file.h"

#include "tests/support/sim_machine.h"

#include <limits>

namespace {

using IniFileSim = testsupport::SimTest;

const std::u16string path = u"C:\\media\\Setup.ini";

// A file that is shorter when read than its length said, in each encoding: the reader keeps
// what it could read, and nothing beyond it.
TEST_F(IniFileSim, FileThatShrinksWhileItIsReadGivesWhatWasRead) {
    const std::string text = "[Startup]\r\nProductCode={P}\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : text)
        utf16 += {c, '\0'};
    const std::string files[] = {text, "\xEF\xBB\xBF" + text, utf16};
    for (const std::string& bytes : files) {
        renew();
        sim::addFile(path, bytes);
        sim::setReportedLength(path, bytes.size() + 4096);
        InputDataFile reader(path);
        reader.read();
        ASSERT_TRUE(reader.getText()) << bytes.size();
        EXPECT_EQ(std::u16string(reader.getText().get(), reader.getTextLength()),
                  u"[Startup]\nProductCode={P}\n")
            << bytes.size();
        IniFile settings;
        ASSERT_TRUE(settings.load(path).isRead()) << bytes.size();
        InputDataFile file(path);
        file.readUntranslated();
        ASSERT_NE(file.getText(), nullptr);
        EXPECT_EQ(std::u16string(file.getText().get(), file.getTextLength()),
                  std::u16string(text.begin(), text.end()))
            << bytes.size();
        EXPECT_EQ(settings.getSection(u"Startup").getValue(u"ProductCode"), u"{P}") << bytes.size();
        EXPECT_EQ(settings.getSection(u"Startup").getKeyCount(), 1u) << bytes.size();
    }
}

// A length that no decoded text could be held for: in a 32-bit process any file over 1 GB.
// The reader refuses it as a file it cannot read, without trying to allocate.
TEST_F(IniFileSim, FileTooLargeToHoldIsNotRead) {
    sim::addFile(path, "[Startup]\r\nProductCode={P}\r\n");
    sim::setReportedLength(path, std::uint64_t(std::numeric_limits<std::size_t>::max() / 4) + 1);
    IniFile settings;
    const IniLoadResult result = settings.load(path);
    EXPECT_EQ(result.status, IniLoadStatus::unreadable);
    EXPECT_EQ(result.describe(), path + u": the file is too large to be read");
    EXPECT_EQ(settings.getSection(u"Startup").getKeyCount(), 0u);
}

} // namespace
