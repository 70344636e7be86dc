#include "installer/instance_description.h"

#include "platform/wtext.h"
#include "tests/support/test_files.h"
#include "tests/support/text_bytes.h"

#include <gtest/gtest.h>

namespace {

struct Found {
    std::u16string name;
    std::u16string code;
};

Found apply(const char16_t* text, Found start = {}) {
    applyInstanceDescription(text, start.name, start.code);
    return start;
}

TEST(InstanceDescription, SinglePassLineRules) {
    struct Case {
        const char* what;
        const char16_t* text;
        const char16_t* name;
        const char16_t* code;
    };
    const Case cases[] = {
        {"instance named, then its section",
         u"[Instances]\ncount=1\n1=Second\n[Second]\nProductCode=X\n", u"Second", u"X"},
        {"instance section before the line naming it",
         u"[Second]\nProductCode=X\n[Instances]\ncount=1\n1=Second\n", u"Second", u""},
        {"blanks around '=' belong to key and value",
         u"[Instances]\n1=Second\n[Second]\nProductCode = X\n", u"Second", u""},
        {"blank after the value is kept", u"[Instances]\n1=Second \n[Second ]\nProductCode=X \n",
         u"Second ", u"X "},
        {"names ignore ASCII case", u"[instances]\nCOUNT=2\n1=Second\n[SECOND]\nproductcode=X",
         u"Second", u"X"},
        {"the last instance line wins",
         u"[Instances]\n1=First\n2=Second\n[First]\nProductCode=A\n[Second]\nProductCode=B\n",
         u"Second", u"B"},
        {"product code before any section while no instance is named",
         u"ProductCode=Early\n[Instances]\n1=Second\n", u"Second", u"Early"},
        {"value split at the first '='", u"[Instances]\n1=a=b\n[a=b]\nProductCode={X}=1\n", u"a=b",
         u"{X}=1"},
        {"header loses exactly its first and last character",
         u"[Instances]\n1=Second\n[Second]x\nProductCode=X\n", u"Second", u""},
        {"a lone '[' is an empty section name", u"[\nProductCode=X\n", u"", u"X"},
        {"lines without '=' are ignored", u"[Instances]\nSecond\n", u"", u""},
        {"a count line after the instance, in any case, is no instance",
         u"[Instances]\n1=Second\ncount=1\nCoUnT=2\n[Second]\nProductCode=X\n", u"Second", u"X"},
        {"a lone CR stays part of the line", u"[Instances]\r1=Second\r", u"", u""},
        {"empty text", u"", u"", u""},
    };
    for (const auto& c : cases) {
        Found f = apply(c.text);
        EXPECT_EQ(f.name, c.name) << c.what;
        EXPECT_EQ(f.code, c.code) << c.what;
    }
}

TEST(InstanceDescription, FieldsKeepEarlierValuesUnlessALineSetsThem) {
    Found f = apply(u"[Other]\nx=y\n", {u"Old", u"{OLD}"});
    EXPECT_EQ(f.name, u"Old");
    EXPECT_EQ(f.code, u"{OLD}");
    // The earlier name still selects its section.
    f = apply(u"[Old]\nProductCode=New\n", {u"Old", u"{OLD}"});
    EXPECT_EQ(f.code, u"New");
}

TEST(InstanceDescription, DecodesLikeTheRuntimesUtf8TextMode) {
    const std::u16string expected = u"[Instances]\n1=Zw\u00F6lf\u20AC\n";
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"UTF-8", "[Instances]\n1=Zw\xC3\xB6lf\xE2\x82\xAC\n"},
        {"UTF-8 with CR LF", "[Instances]\r\n1=Zw\xC3\xB6lf\xE2\x82\xAC\r\n"},
        {"UTF-8 mark skipped", "\xEF\xBB\xBF[Instances]\r\n1=Zw\xC3\xB6lf\xE2\x82\xAC\n"},
        {"UTF-16LE by its mark", textbytes::utf16(u"[Instances]\r\n1=Zw\u00F6lf\u20AC\r\n")},
    };
    for (const auto& c : cases) {
        std::u16string text;
        ASSERT_TRUE(decodeInstanceDescription(reinterpret_cast<const std::uint8_t*>(c.bytes.data()),
                                              c.bytes.size(), text))
            << c.what;
        EXPECT_EQ(text, expected) << c.what;
    }
    std::string be = textbytes::utf16(u"[Instances]\n", textbytes::Order::bigEndian);
    std::u16string text = u"unchanged";
    EXPECT_FALSE(decodeInstanceDescription(reinterpret_cast<const std::uint8_t*>(be.data()),
                                           be.size(), text));
}

TEST(InstanceDescription, PathIsThePackagesFolderWithoutAnyLengthLimit) {
    std::u16string longFolder =
        u"C:\\" + std::u16string(300, u'd') + u"\\" + std::u16string(300, u'e') + u"\\";
    struct Case {
        std::u16string package;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"C:\\media\\disk1\\product.msi", u"C:\\media\\disk1\\setup.ini"},
        {u"C:/media/product.msi", u"C:/media/setup.ini"},
        {u"\\\\server\\share\\product.msi", u"\\\\server\\share\\setup.ini"},
        {u"C:product.msi", u"C:setup.ini"},
        {u"product.msi", u"setup.ini"},
        {longFolder + std::u16string(400, u'n') + u".msi", longFolder + u"setup.ini"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(instanceDescriptionPath(c.package), c.expected)
            << wtext::toUtf8(c.package.substr(0, 60));
}

TEST(InstanceDescription, ReadsTheFileBesideThePackage) {
    const std::u16string lines =
        u"[Instances]\r\ncount=1\r\n1=Second\r\n[Second]\r\nProductCode={A}\r\n";
    struct Case {
        const char* what;
        std::string bytes;
        const char16_t* name;
        const char16_t* code;
    };
    const Case cases[] = {
        {"made on Windows: UTF-8 with CR LF", wtext::toUtf8(lines), u"Second", u"{A}"},
        {"UTF-16LE with its mark", textbytes::utf16(lines), u"Second", u"{A}"},
        {"UTF-16BE is not opened", textbytes::utf16(lines, textbytes::Order::bigEndian), u"", u""},
    };
    for (const auto& c : cases) {
        std::u16string folder = testfiles::freshFolder();
        testfiles::write(folder, u"Setup.ini", c.bytes);
        Found f;
        readInstanceDescription(folder + u"product.msi", f.name, f.code);
        EXPECT_EQ(f.name, c.name) << c.what;
        EXPECT_EQ(f.code, c.code) << c.what;
    }
}

TEST(InstanceDescription, MissingOrUnreadableFileChangesNothing) {
    std::u16string folder = testfiles::freshFolder();
    Found f{u"Old", u"{OLD}"};
    readInstanceDescription(folder + u"product.msi", f.name, f.code);
    EXPECT_EQ(f.name, u"Old");
    testfiles::makeFolder(folder, u"setup.ini");
    readInstanceDescription(folder + u"product.msi", f.name, f.code);
    EXPECT_EQ(f.name, u"Old");
    EXPECT_EQ(f.code, u"{OLD}");
}

// A read that fails after the open is not the end of the description: what stood before it
// could name another instance, or cut a product code short. The file counts as unreadable.
TEST(InstanceDescription, ReadThatFailsAfterTheOpenChangesNothing) {
    std::string bytes = "[Instances]\r\ncount=1\r\n1=Second\r\n";
    while (bytes.size() < 10000)
        bytes += "a line without an equals sign, which the reader passes over\r\n";
    bytes += "[Second]\r\nProductCode={A}\r\n";
    for (const std::uint64_t offset : {std::uint64_t{0}, std::uint64_t{9000}}) {
        SCOPED_TRACE(offset);
        const std::u16string folder = testfiles::freshFolder();
        testfiles::LockedRegion lock(testfiles::write(folder, u"setup.ini", bytes), offset);
        if (!lock.refusesReads())
            GTEST_SKIP() << "this system lets a region locked elsewhere be read (Wine)";
        Found f{u"Old", u"{OLD}"};
        readInstanceDescription(folder + u"product.msi", f.name, f.code);
        EXPECT_EQ(f.name, u"Old");
        EXPECT_EQ(f.code, u"{OLD}");
    }
}

} // namespace
