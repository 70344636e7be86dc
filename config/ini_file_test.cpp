#include "config/ini_file.h"
#include "config/input_data_file.h"

#include "platform/platform.h"
#include "platform/wtext.h"
#include "tests/support/test_files.h"
#include "tests/support/text_bytes.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

std::u16string writeFile(const std::string& bytes) {
    return testfiles::write(testfiles::freshFolder(), u"Setup.ini", bytes);
}

// What the observer was told, in order: "[name]@line" for a header, "section/key=value@line"
// for a key line.
struct Events {
    std::vector<std::string> told;
    IniObserver observer;

    Events() {
        observer.section = [this](std::u16string_view name, std::size_t line) {
            told.push_back("[" + wtext::toUtf8(std::u16string(name)) + "]@" + std::to_string(line));
        };
        observer.key = [this](std::u16string_view section, std::u16string_view key,
                              std::u16string_view value, std::size_t line) {
            told.push_back(wtext::toUtf8(std::u16string(section)) + "/" +
                           wtext::toUtf8(std::u16string(key)) + "=" +
                           wtext::toUtf8(std::u16string(value)) + "@" + std::to_string(line));
        };
    }
};

// "key=value|" for every key, in key order, as UTF-8 so a failing case prints readably.
std::string dump(const IniSection& section) {
    std::u16string out;
    for (std::size_t i = 0; i < section.getKeyCount(); ++i)
        out += section.getKeyAt(i) + u"=" + section.getValue(section.getKeyAt(i)) + u"|";
    return wtext::toUtf8(out);
}

} // namespace

TEST(IniFile, ReadsEveryEncodingInTextMode) {
    const std::pair<std::string, std::string> cases[] = {
        {"[A]\r\nk=Caf\xE9 \x80\r\n", "k=Caf\xC3\xA9 \xE2\x82\xAC|"},
        {"\xEF\xBB\xBF[A]\r\nk=Caf\xC3\xA9 \xE2\x82\xAC\r\n", "k=Caf\xC3\xA9 \xE2\x82\xAC|"},
        {textbytes::utf16(u"[A]\r\nk=Caf\u00E9 \u20AC\r\n"), "k=Caf\xC3\xA9 \xE2\x82\xAC|"},
        {"[A]\r\nk=v\r\n\x1Alate=1\r\n[B]\r\n", "k=v|"},
        {textbytes::utf16(u"[A]\r\nk=v\r\n\u001Alate=1\r\n[B]\r\n"), "k=v|"},
        {textbytes::utf16(std::u16string(u"[A]\r\nk=v\r\n\0late=1\r\n[B]\r\n", 23)), "k=v|"},
    };
    for (const auto& [bytes, keys] : cases) {
        SCOPED_TRACE(bytes);
        IniFile doc;
        ASSERT_TRUE(doc.load(writeFile(bytes)).isRead());
        EXPECT_EQ(dump(doc.getSection(u"A")), keys);
        EXPECT_EQ(doc.getSection(u"B").getName(), u"");
    }
}

TEST(IniFile, ParsesBodyLines) {
    struct Case {
        std::string body; // UTF-8, under the header "[S]"
        std::string keys;
    };
    const Case cases[] = {
        {"CmdLine=/q ; quiet", "CmdLine=/q|"},
        {"Url=a#b#c", "Url=a#b|"},
        {"a=b;c;d", "a=b;c|"},
        {"; Product=X\n# Product=X\n  ;k=v", ""},
        {"Key\n=Value\n\n", "Key=|"},
        {"  Key  =  Value  \r\na=b=c", "Key=Value|a=b=c|"},
        {"Product=A\nProduct=B", "Product=B|"},
        {"q=\"a b\" \\", "q=\"a b\" \\|"},
        {"\xE3\x80\x80K\xC2\xA0=\t\xE3\x80\x80V\xE3\x80\x80\x0B", "K=V|"},
        {"K=V\xC2\x85", "K=V\xC2\x85|"}, // U+0085 is not the reader's white space
        {"b\nA\na\nZ\n9\n10", "10=|9=|A=|Z=|a=|b=|"},
        // Code-unit order: a surrogate pair (U+1F600) sorts below U+E000.
        {"\xEE\x80\x80=1\n\xF0\x9F\x98\x80=2\nz=3\n\xC3\xA9=4",
         "z=3|\xC3\xA9=4|\xF0\x9F\x98\x80=2|\xEE\x80\x80=1|"},
        // "=", ";" and "#" far into a long line.
        {"a_key_longer_than_sixteen_units = a value longer than sixteen units ; and a comment",
         "a_key_longer_than_sixteen_units=a value longer than sixteen units|"},
        {"k=0123456789abcdef;0123456789abcdef#0123456789abcdef;x", "k=0123456789abcdef|"},
        {"Cmd=INSTALLDIR=[ProgramFilesFolder]Demo", "Cmd=INSTALLDIR=[ProgramFilesFolder]Demo|"},
        {"Path=C:\\[x]\\y", "Path=C:\\[x]\\y|"},
        {"; see [Old]\nk=v", "k=v|"},
        {"k=v # [x] ; [y]", "k=v|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        IniFile doc;
        ASSERT_TRUE(doc.load(writeFile("\xEF\xBB\xBF[S]\n" + c.body)).isRead());
        EXPECT_EQ(dump(doc.getSection(u"S")), c.keys);
    }
}

TEST(IniFile, TextEndsAtItsFirstNulOrCtrlZWithinALine) {
    struct Case {
        std::string bytes;
        std::string keys;                 // of [A]
        std::optional<std::size_t> fault; // the line of a malformed text
    };
    const Case cases[] = {
        {"[A]\r\nk=va\x1Alue\r\n[B]\r\n", "k=va|", std::nullopt},
        {textbytes::utf16(std::u16string(u"[A]\r\nk=va\0lue\r\n[B]", 18)), "k=va|", std::nullopt},
        {"\xEF\xBB\xBF[A]\r\nkey=a value that runs past sixteen units\x1A;x\r\n[B]",
         "key=a value that runs past sixteen units|", std::nullopt},
        {"[A]\r\nk=v\r\x1A\n[B]\r\n", "k=v|", std::nullopt},
        {"[A]\r\nk=v\r\n\x1A\r\n[B]", "k=v|", std::nullopt},
        {std::string("[A]\nk=v\n[B\0]\n", 13), "k=v|", 3},
        {"[A]\n[B\x1A]\n", "", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        IniFile doc;
        const IniLoadResult result = doc.load(writeFile(c.bytes));
        if (c.fault) {
            EXPECT_EQ(result.status, IniLoadStatus::malformed);
            EXPECT_EQ(result.line, *c.fault);
        } else {
            EXPECT_TRUE(result.isRead());
        }
        EXPECT_EQ(dump(doc.getSection(u"A")), c.keys);
        EXPECT_EQ(doc.getSection(u"B").getName(), u"");
    }
}

TEST(IniFile, LineEndsAndEncodingsReadAlike) {
    const std::u16string text =
        u"; \u0417\u0430\u0433\u043E\u043B\u043E\u0432\u043E\u043A\n"
        u"[\u0421\u0435\u043A\u0446\u0438\u044F]\n"
        u"\u041A\u043B\u044E\u0447 = \u0437\u043D\u0430\u0447\u0435\u043D\u0438\u0435 \u3000\n"
        u"\n"
        u"Cmd=INSTALLDIR=\"C:\\Program Files\\Vendor\" REBOOT=ReallySuppress # note\n"
        u"  [Other]  \n"
        u"x=1;2;3\n"
        u"x=\U0001F600\n";
    const std::string expected =
        "[\xD0\xA1\xD0\xB5\xD0\xBA\xD1\x86\xD0\xB8\xD1\x8F]"
        "Cmd=INSTALLDIR=\"C:\\Program Files\\Vendor\" REBOOT=ReallySuppress|"
        "\xD0\x9A\xD0\xBB\xD1\x8E\xD1\x87=\xD0\xB7\xD0\xBD\xD0\xB0"
        "\xD1\x87\xD0\xB5\xD0\xBD\xD0\xB8\xD0\xB5|"
        "[Other]x=\xF0\x9F\x98\x80|";
    for (const std::u16string lineEnd : {u"\n", u"\r\n", u"\r\r\n"}) {
        std::u16string withEnds;
        for (char16_t c : text)
            withEnds += c == u'\n' ? lineEnd : std::u16string(1, c);
        for (const std::string& bytes :
             {"\xEF\xBB\xBF" + wtext::toUtf8(withEnds), textbytes::utf16(withEnds)}) {
            SCOPED_TRACE(bytes);
            IniFile doc;
            std::vector<std::u16string> names;
            std::size_t lineOfX = 0; // the last line of x in [Other]
            IniObserver observer;
            observer.section = [&](std::u16string_view name, std::size_t) {
                names.emplace_back(name);
            };
            observer.key = [&](std::u16string_view section, std::u16string_view key,
                               std::u16string_view, std::size_t line) {
                if (section == u"Other" && key == u"x")
                    lineOfX = line;
            };
            ASSERT_TRUE(doc.load(writeFile(bytes), &observer).isRead());
            std::string got;
            for (const std::u16string& name : names)
                got += "[" + wtext::toUtf8(name) + "]" + dump(doc.getSection(name));
            EXPECT_EQ(got, expected);
            EXPECT_EQ(lineOfX, 8u);
        }
    }
}

// A comment cuts a key line at its last "#", or at the last ";" before that "#": the observer
// is told the line and where the cut falls, so a tool can say what was dropped.
TEST(IniFile, TellsWhereACommentCutsAKeyLine) {
    std::vector<std::string> told;
    IniObserver observer;
    observer.comment = [&](std::u16string_view section, std::u16string_view key,
                           std::u16string_view lineText, std::size_t cutAt, std::size_t line) {
        told.push_back(
            wtext::toUtf8(std::u16string(section)) + "/" + wtext::toUtf8(std::u16string(key)) +
            " kept [" + wtext::toUtf8(std::u16string(lineText.substr(0, cutAt))) + "] dropped [" +
            wtext::toUtf8(std::u16string(lineText.substr(cutAt))) + "]@" + std::to_string(line));
    };
    const std::string text = "[S]\r\n"
                             "CmdLine=TRANSFORMS=a.mst;b.mst REBOOT=R\r\n"
                             "Location=p.msi ; note \r\n"
                             "Url=https://x/#top\r\n"
                             "a=1;2#3\r\n"
                             "b=1#2;3\r\n"
                             "; a comment line\r\n"
                             "plain=value\r\n"
                             "no value;x=1\r\n";
    IniFile doc;
    ASSERT_TRUE(doc.load(writeFile(text), &observer).isRead());
    EXPECT_EQ(told, (std::vector<std::string>{
                        "S/CmdLine kept [CmdLine=TRANSFORMS=a.mst] dropped [;b.mst REBOOT=R]@2",
                        "S/Location kept [Location=p.msi ] dropped [; note]@3",
                        "S/Url kept [Url=https://x/] dropped [#top]@4",
                        "S/a kept [a=1] dropped [;2#3]@5",
                        "S/b kept [b=1] dropped [#2;3]@6",
                        "S/no value kept [no value] dropped [;x=1]@9",
                    }));
    EXPECT_EQ(doc.getSection(u"S").getValue(u"CmdLine"), u"TRANSFORMS=a.mst");

    // A section parsed on its own tells the same.
    told.clear();
    IniSection section;
    section.parse(u"[T]\nk=v;w", 4, &observer);
    EXPECT_EQ(told, std::vector<std::string>{"T/k kept [k=v] dropped [;w]@5"});
}

TEST(IniFile, SortsManyKeysGivenOutOfOrderAndRepeated) {
    // 3000 lines, 1000 keys each met three times, in scattered order: the last line counts,
    // and the observer is told of every line.
    std::string body;
    std::map<std::string, std::string> expected;
    Events expectedEvents;
    expectedEvents.told.push_back("[S]@1");
    for (std::size_t i = 0; i < 3000; ++i) {
        const std::string key = "k" + std::to_string(i * 7919 % 1000);
        const std::string value = "v" + std::to_string(i);
        body += key + "=" + value + "\r\n";
        expected[key] = value;
        expectedEvents.told.push_back("S/" + key + "=" + value + "@" + std::to_string(i + 2));
    }
    IniFile doc;
    Events events;
    ASSERT_TRUE(doc.load(writeFile("[S]\r\n" + body), &events.observer).isRead());
    const IniSection section = doc.getSection(u"S");
    ASSERT_EQ(section.getKeyCount(), expected.size());
    std::size_t i = 0;
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(wtext::toUtf8(section.getKeyAt(i++)), key);
        EXPECT_EQ(wtext::toUtf8(section.getValue(wtext::fromUtf8(key))), value);
    }
    EXPECT_TRUE(events.told == expectedEvents.told);
}

TEST(IniFile, SectionsOutOfOrderAcrossLoads) {
    IniFile doc;
    ASSERT_TRUE(doc.load(writeFile("[C]\nc=1\n[A]\na=1\n[E]\ne=1\n")).isRead());
    std::string names;
    IniObserver observer;
    observer.section = [&](std::u16string_view name, std::size_t) {
        names += wtext::toUtf8(std::u16string(name)) + " ";
    };
    ASSERT_TRUE(
        doc.load(writeFile("[B]\nb=2\n[A]\na=2\n[D]\nd=2\n[F]\nf=2\n[B]\nb=3\n[0]\n"), &observer)
            .isRead());
    // Every header is told, those of sections the document passes over too.
    EXPECT_EQ(names, "B A D F B 0 ");
    std::string all;
    for (const char16_t* name : {u"0", u"A", u"B", u"C", u"D", u"E", u"F", u"G"})
        all += wtext::toUtf8(doc.getSection(name).getName()) + ":" + dump(doc.getSection(name));
    EXPECT_EQ(all, "0:A:a=1|B:b=2|C:c=1|D:d=2|E:e=1|F:f=2|:");

    // Files whose names each increase, one after the other's.
    IniFile sorted;
    ASSERT_TRUE(sorted.load(writeFile("[B]\nb=1\n[D]\nd=1\n")).isRead());
    ASSERT_TRUE(sorted.load(writeFile("[A]\na=2\n[C]\nc=2\n[D]\nd=2\n[E]\ne=2\n")).isRead());
    ASSERT_TRUE(sorted.load(writeFile("[F]\nf=3\n")).isRead());
    all.clear();
    for (const char16_t* name : {u"A", u"B", u"C", u"D", u"E", u"F"})
        all +=
            wtext::toUtf8(sorted.getSection(name).getName()) + ":" + dump(sorted.getSection(name));
    EXPECT_EQ(all, "A:a=2|B:b=1|C:c=2|D:d=1|E:e=2|F:f=3|");
}

TEST(IniFile, SectionHeadersStandOnlyAtTheStartOfALine) {
    IniFile doc;
    ASSERT_TRUE(doc.load(writeFile("early=1\r\n"
                                   "[A] trailing ] text\r\n"
                                   "Path=C:\\[x]\\y\r\n"
                                   "; see [Old]\r\n"
                                   "Cmd=INSTALLDIR=[ProgramFilesFolder]Demo\r\n"
                                   " \t[ B ]\r\n"
                                   "k=v\r\n"
                                   "[]\r\n"
                                   "e=1\r\n"
                                   "[Last]"))
                    .isRead());
    EXPECT_EQ(dump(doc.getSection(u"A")),
              "Cmd=INSTALLDIR=[ProgramFilesFolder]Demo|Path=C:\\[x]\\y|");
    EXPECT_EQ(dump(doc.getSection(u" B ")), "k=v|");
    EXPECT_EQ(dump(doc.getSection(u"")), "e=1|");
    EXPECT_EQ(doc.getSection(u"Last").getName(), u"Last");
    for (const char16_t* absent : {u"B", u"x", u"Old", u"ProgramFilesFolder", u"Startup"})
        EXPECT_EQ(doc.getSection(absent).getName(), u"") << wtext::toUtf8(absent);
}

TEST(IniFile, FirstSectionOfANameWinsWhole) {
    IniFile doc;
    ASSERT_TRUE(doc.load(writeFile("[X]\na=1\n[Startup]\nb=1\n[X]\na=2\nc=2\n")).isRead());
    ASSERT_TRUE(doc.load(writeFile("[X]\nd=3\n[Y]\ne=4\n")).isRead());
    EXPECT_EQ(dump(doc.getSection(u"X")), "a=1|");
    EXPECT_EQ(dump(doc.getSection(u"Y")), "e=4|");
    EXPECT_EQ(dump(doc.getSection(u"Startup")), "b=1|");
    EXPECT_EQ(doc.getSection(u"startup").getName(), u"");
}

// A section that repeats the section directly before it is ignored whole, as any repeated
// section is: its keys neither join the first one's nor replace them. In a file whose names
// otherwise increase (each section taken as it comes) and in one whose names do not.
TEST(IniFile, SectionRepeatingTheOneDirectlyBeforeItIsIgnoredWhole) {
    struct Case {
        const char* what;
        std::string text;
        std::string startup; // the keys of [Startup]
    };
    const Case cases[] = {
        {"repeat with keys of its own and the same",
         "[Startup]\nb=1\nd=1\n[Startup]\na=2\nb=2\ne=2\n", "b=1|d=1|"},
        {"header right after the header", "[Startup]\n[Startup]\nk=2\n", ""},
        {"the first with keys, the repeat without", "[Startup]\nk=1\n[Startup]\n", "k=1|"},
        {"three in a row", "[Startup]\nk=1\n[Startup]\nk=2\n[Startup]\nk=3\nx=3\n", "k=1|"},
        {"between names that increase", "[A]\na=1\n[Startup]\nk=1\n[Startup]\nk=2\nx=2\n[Z]\nz=1\n",
         "k=1|"},
        {"between names out of order", "[Z]\nz=1\n[Startup]\nk=1\n[Startup]\nk=2\nx=2\n[A]\na=1\n",
         "k=1|"},
        {"the repeat's header told apart by blanks only", "[Startup]\nk=1\n \t[Startup] x\nk=2\n",
         "k=1|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        IniFile doc;
        const IniLoadResult loaded = doc.load(writeFile(c.text));
        ASSERT_TRUE(loaded.isRead()) << wtext::toUtf8(loaded.describe());
        const IniSection startup = doc.getSection(u"Startup");
        EXPECT_EQ(startup.getName(), u"Startup");
        EXPECT_EQ(dump(startup), c.startup);
        if (c.text.find("[A]") != std::string::npos) {
            EXPECT_EQ(dump(doc.getSection(u"A")), "a=1|");
            EXPECT_EQ(dump(doc.getSection(u"Z")), "z=1|");
        }
        // A later file's repeat is ignored too, and its other sections taken.
        ASSERT_TRUE(doc.load(writeFile("[Startup]\nk=9\n[Startup]\nq=9\n[Y]\ny=9\n")).isRead());
        EXPECT_EQ(dump(doc.getSection(u"Startup")), c.startup);
        EXPECT_EQ(dump(doc.getSection(u"Y")), "y=9|");
    }
    // The settings as a medium has them: [Startup] given twice, one after the other.
    IniFile settings;
    ASSERT_TRUE(settings
                    .load(writeFile("[Startup]\r\nProductCode={A}\r\nCmdLine=A=1\r\n"
                                    "[Startup]\r\nProductCode={B}\r\nPackageName=Package\r\n"
                                    "[Package]\r\nLocation=product.msi\r\n"))
                    .isRead());
    EXPECT_EQ(dump(settings.getSection(u"Startup")), "CmdLine=A=1|ProductCode={A}|");
    EXPECT_EQ(dump(settings.getSection(u"Package")), "Location=product.msi|");
}

// The reader's white space above U+00FF is whatever the platform classifies as space
// (GetStringTypeW's C1_SPACE on Windows), character by character, not a fixed list: each one
// around a key, around a value and before a section header's "[".
TEST(IniFile, WhiteSpaceAboveLatin1IsWhatThePlatformCallsSpace) {
    // Both Windows and the simulation call these space, and these not.
    for (const char16_t c : {u'\u1680', u'\u2000', u'\u2003', u'\u200A', u'\u2028', u'\u2029',
                             u'\u202F', u'\u205F', u'\u3000'})
        EXPECT_TRUE(platform::isSpace(c)) << std::hex << unsigned(c);
    for (const char16_t c : {u'\u0100', u'\u180E', u'\u200B', u'\u2060', u'\u4E00', u'\uFEFF'})
        EXPECT_FALSE(platform::isSpace(c)) << std::hex << unsigned(c);

    // Every code unit above U+00FF on a line of its own: "<c>k<hex><c>=<c>v<c>".
    std::u16string text = u"[S]\n";
    for (char32_t c = 0x100; c <= 0xFFFF; ++c) {
        const char16_t u = static_cast<char16_t>(c);
        text += std::u16string(1, u) + u"k" + wtext::formatDecimal(c) + std::u16string(1, u) +
                u"=" + std::u16string(1, u) + u"v" + std::u16string(1, u) + u"\n";
    }
    // A header after a blank of each kind the platform has.
    for (const char16_t c : {u'\u2003', u'\u3000', u'\u200B'})
        text += std::u16string(1, c) + u"[H" + wtext::formatDecimal(c) + u"]\nh=1\n";
    IniFile doc;
    ASSERT_TRUE(doc.load(writeFile(textbytes::utf16(text))).isRead());
    const IniSection s = doc.getSection(u"S");
    std::size_t mismatches = 0;
    for (char32_t c = 0x100; c <= 0xFFFF && mismatches < 10; ++c) {
        const char16_t u = static_cast<char16_t>(c);
        const std::u16string around(1, u);
        const bool space = platform::isSpace(u);
        const std::u16string key = space ? u"k" + wtext::formatDecimal(c)
                                         : around + u"k" + wtext::formatDecimal(c) + around;
        const std::u16string value = space ? u"v" : around + u"v" + around;
        if (s.getValue(key) != value) {
            ++mismatches;
            ADD_FAILURE() << "U+" << std::hex << unsigned(c) << (space ? " is" : " is not")
                          << " space to the platform, but the reader did "
                          << (space ? "not trim it" : "trim it");
        }
    }
    EXPECT_EQ(s.getKeyCount(), 0x10000u - 0x100u);
    EXPECT_EQ(dump(doc.getSection(u"H8195")), "h=1|"); // after U+2003
    // After U+3000; the line after U+200B, no blank, is one of its keys and opens nothing.
    EXPECT_EQ(dump(doc.getSection(u"H12288")), "h=1|\xE2\x80\x8B[H8203]=|");
    EXPECT_EQ(doc.getSection(u"H8203").getName(), u"");
}

TEST(IniFile, RefusesUnreadableFilesAndKeepsTheDocument) {
    const std::u16string folder = testfiles::freshFolder();
    const std::u16string beMark =
        u"the file begins with the UTF-16 big-endian mark FE FF, which the launcher cannot read";
    struct Case {
        std::u16string path;
        IniLoadStatus status;
        std::u16string problem; // empty: whatever the system says
    };
    const Case cases[] = {
        {testfiles::write(folder, u"be.ini", std::string("\xFE\xFF\0[\0X\0]", 8)),
         IniLoadStatus::unreadable, beMark},
        {testfiles::write(folder, u"empty.ini", ""), IniLoadStatus::empty, u""},
        {folder + u"missing.ini", IniLoadStatus::unreadable, u"No such file or directory"},
        {testfiles::makeFolder(folder, u"sub.ini"), IniLoadStatus::unreadable, u""},
    };
    IniFile doc;
    ASSERT_TRUE(doc.load(writeFile("[Keep]\nk=v\n")).isRead());
    for (const Case& c : cases) {
        SCOPED_TRACE(wtext::toUtf8(c.path));
        const IniLoadResult result = doc.load(c.path);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.path, c.path);
        if (c.status == IniLoadStatus::unreadable) {
            EXPECT_FALSE(result.problem.empty());
            if (!c.problem.empty()) {
                EXPECT_EQ(result.problem, c.problem);
            }
            EXPECT_EQ(result.describe(), c.path + u": " + result.problem);
        }
        EXPECT_EQ(dump(doc.getSection(u"Keep")), "k=v|");
        EXPECT_EQ(doc.getSection(u"X").getName(), u"");
    }
}

namespace {

// A file that opens but whose read fails is refused with the system's reason, like one that
// cannot be opened: failing on its first bytes it is not "empty", failing further on it does
// not give the sections read before the failure. The document keeps what it held.
void expectRefusedForItsRead(const std::u16string& path, std::uint32_t systemError) {
    // The reader's reason for the failure (its own test pins the words).
    InputDataResult failed;
    failed.fault = InputDataFault::readFailed;
    failed.systemError = systemError;
    const std::u16string reason = failed.reason();
    IniFile doc;
    ASSERT_TRUE(doc.load(writeFile("[Keep]\nk=v\n")).isRead());
    const IniLoadResult result = doc.load(path);
    EXPECT_EQ(result.status, IniLoadStatus::unreadable);
    EXPECT_EQ(result.path, path);
    EXPECT_FALSE(result.problem.empty());
    EXPECT_EQ(result.problem, reason);
    EXPECT_EQ(result.describe(), path + u": " + reason);
    EXPECT_EQ(dump(doc.getSection(u"Keep")), "k=v|");
    EXPECT_EQ(doc.getSection(u"Startup").getName(), u"");
    EXPECT_EQ(doc.getSection(u"Late").getName(), u"");
}

} // namespace

TEST(IniFile, RefusesAFileWhoseFirstReadFails) {
    const testfiles::FileFailingFromItsStart failing(testfiles::freshFolder(),
                                                     testfiles::longSettings());
    if (failing.path().empty())
        GTEST_SKIP() << "this system has no file whose first read fails";
    expectRefusedForItsRead(failing.path(), failing.systemError());
}

TEST(IniFile, RefusesAFileWhoseReadFailsFurtherOn) {
    for (const auto& [encoding, bytes] : textbytes::inEachEncoding(testfiles::longSettings())) {
        for (const std::uint64_t offset : {std::uint64_t{3}, std::uint64_t{12000}}) {
            SCOPED_TRACE(std::string(encoding) + " locked from " + std::to_string(offset));
            const std::u16string path = writeFile(bytes);
            testfiles::LockedRegion lock(path, offset);
            if (!lock.refusesReads())
                GTEST_SKIP() << "this system lets a region locked elsewhere be read (Wine)";
            expectRefusedForItsRead(path, platform::errorLockViolation);
        }
    }
}

TEST(IniFile, RefusesTextWithoutSectionsNamingTheLine) {
    struct Case {
        std::string bytes;
        std::size_t line;
        std::optional<std::string> keptSection; // inserted before the fault
    };
    const Case cases[] = {
        {"; comment\r\n\r\nk=v\r\n", 3, std::nullopt},
        {"k=[v]\n x[y]", 2, std::nullopt},
        {"\xEF\xBB\xBF", 1, std::nullopt},
        {"\xFF\xFE", 1, std::nullopt},
        {"\x1A[A]\n", 1, std::nullopt},
        {"; comment\r\n\x1A[A]\r\n", 1, std::nullopt},
        {std::string("k=v\n\0[A]\n", 9), 1, std::nullopt},
        {"[A]\nk=v\n[B\nx=1\n[C]\n", 3, "k=v|"},
        {"[A]\n[[\n", 2, ""},
        // UTF-16 without its mark reads as ANSI and ends at the first zero byte, after "[".
        {std::string("[\0A\0]\0", 6), 1, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const std::u16string path = writeFile(c.bytes);
        IniFile doc;
        const IniLoadResult e = doc.load(path);
        EXPECT_EQ(e.status, IniLoadStatus::malformed);
        EXPECT_EQ(e.path, path);
        EXPECT_EQ(e.line, c.line);
        EXPECT_FALSE(e.problem.empty());
        EXPECT_EQ(e.describe(),
                  path + u", line " + wtext::formatDecimal(c.line) + u": " + e.problem);
        if (c.keptSection) {
            EXPECT_EQ(doc.getSection(u"A").getName(), u"A");
            EXPECT_EQ(dump(doc.getSection(u"A")), *c.keptSection);
        }
        EXPECT_EQ(doc.getSection(u"C").getName(), u"");
    }
}

TEST(IniSection, CopiesAreIndependentOfTheDocument) {
    IniSection section;
    {
        IniFile doc;
        ASSERT_TRUE(doc.load(writeFile("[S]\nb=2\na=\n")).isRead());
        section = doc.getSection(u"S");
    }
    EXPECT_EQ(section.getName(), u"S");
    EXPECT_EQ(section.getKeyCount(), 2u);
    EXPECT_EQ(section.getValue(u"b"), u"2");
    EXPECT_EQ(section.getValue(u"a"), u"");
    EXPECT_EQ(section.getValue(u"c"), u"");
    EXPECT_EQ(section.getKeyAt(1), u"b");
    EXPECT_EQ(section.getKeyAt(2), u"");
    EXPECT_EQ(IniSection().getKeyAt(0), u"");
}

TEST(IniSection, ParseKeepsItsOwnCopyAndAddsToWhatItHas) {
    IniSection section;
    {
        std::u16string text = u"[S]\nb=1\na=2";
        section.parse(text);
        text.assign(text.size(), u'x');
    }
    const IniSection before = section;
    Events events;
    // A first line without brackets names nothing: the section keeps its name.
    section.parse(u"no header\nc=3\nb=4\n\nc=5", 5, &events.observer);
    EXPECT_EQ(dump(before), "a=2|b=1|");
    EXPECT_EQ(before.getName(), u"S");
    EXPECT_EQ(dump(section), "a=2|b=4|c=5|");
    EXPECT_EQ(section.getName(), u"S");
    EXPECT_EQ(events.told, (std::vector<std::string>{"[S]@5", "S/c=3@6", "S/b=4@7", "S/c=5@9"}));

    section.parse(u"[T]");
    EXPECT_EQ(section.getName(), u"T");
    EXPECT_EQ(dump(section), "a=2|b=4|c=5|");
}
