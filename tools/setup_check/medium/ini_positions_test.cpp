#include "tools/setup_check/medium/ini_positions.h"

#include "platform/sim/sim.h"
#include "platform/wtext.h"

#include "tests/support/text_bytes.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace setupcheck {

namespace {

// Each case writes the one file anew on a fresh simulated machine.
std::u16string writeFile(const std::string& bytes) {
    const std::u16string path = u"C:\\media\\Setup.ini";
    sim::reset();
    sim::addFile(path, bytes);
    return path;
}

std::string dump(const IniSection& section) {
    std::u16string out;
    for (std::size_t i = 0; i < section.getKeyCount(); ++i)
        out += section.getKeyAt(i) + u"=" + section.getValue(section.getKeyAt(i)) + u"|";
    return wtext::toUtf8(out);
}

// "name@line[!]{key@line<replaced...%cut}" for every header met; "!" marks one passed over, "%"
// where a comment cut the line that counts.
std::string dumpPositions(const IniPositions& where) {
    std::string out;
    for (const IniSectionPosition& s : where.sections) {
        out += wtext::toUtf8(s.name) + "@" + std::to_string(s.line) + (s.taken ? "" : "!") + "{";
        for (const IniKeyPosition& k : s.keys) {
            out += wtext::toUtf8(k.key) + "@" + std::to_string(k.line);
            for (std::size_t r : k.replacedLines)
                out += "<" + std::to_string(r);
            if (k.cut)
                out += "%" + std::to_string(k.cut->at) + "[" + wtext::toUtf8(k.cut->lineText) + "]";
            out += ";";
        }
        out += "}";
    }
    return out;
}

} // namespace

TEST(IniPositions, RecordsWhereEverySectionAndKeyStood) {
    struct Case {
        std::string bytes;
        std::string positions;
    };
    const Case cases[] = {
        {"[A]\r\nk=1\r\n\r\nm=2\r\n[B]\r\nn=3", "A@1{k@2;m@4;}B@5{n@6;}"},
        // Comments, blank lines and lines without a key count as lines, but record nothing.
        {"; top\n\n[A]\n# c\n  ;x=1\n=v\nk = v ; c\n", "A@3{k@7%6[k = v ; c];}"},
        // Only the cut of the line that counts is kept.
        {"[A]\r\nk=1;x\r\nk=2\r\nj=a#b \r\n", "A@1{k@3<2;j@4%3[j=a#b];}"},
        {"early=1\n  [ S ]\nk=1\n", " S @2{k@3;}"},
        // A key met again: the later line counts, the earlier is noted as replaced.
        {"[A]\nk=1\nj=0\nk=2\nk=3\n", "A@1{k@5<2<4;j@3;}"},
        // A second section of the same name is passed over whole, and noted so.
        {"[X]\na=1\n[Y]\n[X]\na=2\nc=2\n", "X@1{a@2;}Y@3{}X@4!{a@5;c@6;}"},
        // Every encoding counts lines alike after CR LF has become LF.
        {"\xEF\xBB\xBF[A]\r\n\r\nk=\xC3\xA9\r\n", "A@1{k@3;}"},
        {textbytes::utf16(u"[A]\r\n\r\nk=v"), "A@1{k@3;}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const std::u16string path = writeFile(c.bytes);
        IniFile plain, traced;
        IniPositions where;
        ASSERT_TRUE(plain.load(path).isRead());
        ASSERT_TRUE(loadWithPositions(traced, path, where).isRead());
        EXPECT_EQ(where.path, path);
        EXPECT_EQ(dumpPositions(where), c.positions);
        // The record leaves the document exactly as a load without it.
        for (const IniSectionPosition& s : where.sections)
            EXPECT_EQ(dump(traced.getSection(s.name)), dump(plain.getSection(s.name)));
    }
}

TEST(IniPositions, KeysMetManyTimesInScatteredOrder) {
    // 3000 lines, 1000 keys each met three times: the last line counts.
    std::string body;
    std::map<std::string, std::vector<std::size_t>> lines;
    for (std::size_t i = 0; i < 3000; ++i) {
        const std::string key = "k" + std::to_string(i * 7919 % 1000);
        body += key + "=v" + std::to_string(i) + "\r\n";
        lines[key].push_back(i + 2);
    }
    IniFile doc;
    IniPositions where;
    ASSERT_TRUE(loadWithPositions(doc, writeFile("[S]\r\n" + body), where).isRead());
    ASSERT_EQ(where.sections.size(), 1u);
    ASSERT_EQ(where.sections[0].keys.size(), lines.size());
    std::size_t previousFirstLine = 0;
    for (const IniKeyPosition& k : where.sections[0].keys) {
        const std::vector<std::size_t>& all = lines[wtext::toUtf8(k.key)];
        EXPECT_EQ(k.line, all.back());
        EXPECT_EQ(k.replacedLines, std::vector<std::size_t>(all.begin(), all.end() - 1));
        EXPECT_LT(previousFirstLine, all.front()); // in order of first appearance
        previousFirstLine = all.front();
    }
}

TEST(IniPositions, LooksUpTheTakenSectionAndTheKeyThatCounts) {
    IniFile doc;
    IniPositions where;
    ASSERT_TRUE(loadWithPositions(doc,
                                  writeFile("[Startup]\nProductCode=1\n[Package]\nLocation=a\n"
                                            "[Startup]\nProductVersion=2\n[Package]\nLocation=b\n"
                                            "Location=c\n"),
                                  where)
                    .isRead());
    EXPECT_EQ(where.sectionLine(u"Startup"), 1u);
    EXPECT_EQ(where.sectionLine(u"Package"), 3u);
    EXPECT_EQ(where.sectionLine(u"startup"), 0u);
    EXPECT_EQ(where.keyLine(u"Startup", u"ProductCode"), 2u);
    EXPECT_EQ(where.keyLine(u"Package", u"Location"), 4u);
    // Keys of a section passed over are not the document's.
    EXPECT_EQ(where.keyLine(u"Startup", u"ProductVersion"), 0u);
    EXPECT_EQ(doc.getSection(u"Startup").getValue(u"ProductVersion"), u"");
    EXPECT_EQ(where.keyLine(u"Nowhere", u"Location"), 0u);
}

TEST(IniPositions, KeepsWhatStoodBeforeAFaultAndNothingForAnUnreadableFile) {
    IniFile doc;
    IniPositions where;
    EXPECT_EQ(loadWithPositions(doc, writeFile("[A]\nk=v\n[B]\nm=1\n[C\n"), where).status,
              IniLoadStatus::malformed);
    EXPECT_EQ(dumpPositions(where), "A@1{k@2;}B@3{m@4;}");

    where.sections.push_back({u"stale", 9, true, {}, {}});
    const std::u16string missing = u"C:\\media\\missing.ini";
    EXPECT_EQ(loadWithPositions(doc, missing, where).status, IniLoadStatus::unreadable);
    EXPECT_EQ(where.path, missing);
    EXPECT_TRUE(where.sections.empty());
}

} // namespace setupcheck
