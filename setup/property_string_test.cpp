#include "setup/property_string.h"

#include "installer/msi_package.h"
#include "platform/wtext.h"

#include <gtest/gtest.h>

namespace {

std::string utf8(const std::u16string& s) {
    return wtext::toUtf8(s);
}

TEST(PropertyString, PiecesJoinWithOneBlankBeforeTheTailAlways) {
    struct Case {
        const char16_t* administrative;
        const char16_t* transforms;
        const char16_t* tail;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"", u"", u"", u" "},
        {u"", u"TRANSFORMS=1049.mst", u"A=1", u"TRANSFORMS=1049.mst A=1"},
        {u"", u"", u"A=1", u" A=1"},
        {u"SETUPEXEDIR=\"C:\"", u"", u"A=1", u"SETUPEXEDIR=\"C:\" A=1"},
        {u"SETUPEXEDIR=\"C:\"", u"TRANSFORMS=1049.mst", u"",
         u"SETUPEXEDIR=\"C:\" TRANSFORMS=1049.mst "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(utf8(composePropertyString(c.administrative, c.transforms, c.tail)),
                  utf8(c.expected));
}

TEST(PropertyString, AdministrativePartNamesTheFolderWithoutItsBackslash) {
    EXPECT_EQ(administrativePart(u"C:\\media\\", u"setup.exe"),
              u"SETUPEXEDIR=\"C:\\media\" SETUPEXENAME=\"setup.exe\"");
    EXPECT_EQ(administrativePart(u"C:\\", u"s.exe"), u"SETUPEXEDIR=\"C:\" SETUPEXENAME=\"s.exe\"");
}

TEST(PropertyString, TransformSettingStoredInstanceFirst) {
    EXPECT_EQ(transformSetting(std::nullopt, u""), u"");
    EXPECT_EQ(transformSetting(std::nullopt, u"1049.mst"), u"TRANSFORMS=1049.mst");
    EXPECT_EQ(transformSetting(u"Inst2", u""), u"TRANSFORMS=:Inst2.mst;");
    EXPECT_EQ(transformSetting(u"Inst2", u"1049.mst"), u"TRANSFORMS=:Inst2.mst;1049.mst");
}

// The launcher hands the instance transform over whenever the instance is installed, also
// under the empty name a description gives with its ProductCode line before any section: the
// installer then refuses the storage ".mst" the package lacks, rather than installing the
// product again beside the instance.
TEST(PropertyString, InstanceWithoutANameStillGivesItsTransform) {
    EXPECT_EQ(transformSetting(u"", u"1033.mst"), u"TRANSFORMS=:.mst;1033.mst");
    EXPECT_EQ(transformSetting(u"", u""), u"TRANSFORMS=:.mst;");
    EXPECT_EQ(composePropertyString(u"", transformSetting(u"", u"1033.mst"), u"A=1"),
              u"TRANSFORMS=:.mst;1033.mst A=1");
}

TEST(PropertyString, TailGainsArgumentsEachWithABlankAfterItAndTheCountryLast) {
    EXPECT_EQ(withPositionalArguments(u"A=1", {}), u"A=1");
    EXPECT_EQ(withPositionalArguments(u"A=1", {u"B=2", u"C=\"x y\""}), u"A=1 B=2 C=\"x y\" ");
    EXPECT_EQ(withPositionalArguments(u"", {u"B=2"}), u"B=2 ");
    EXPECT_EQ(withCountry(u""), u"COUNTRY=UA");
    EXPECT_EQ(withCountry(u"A=1 B=2 "), u"A=1 B=2  COUNTRY=UA");
}

TEST(InstallerCommandLine, ModePrefixThenThePropertyString) {
    EXPECT_EQ(installerCommandLine(InstallMode::Install, u" A=1"), u" A=1");
    EXPECT_EQ(installerCommandLine(InstallMode::AdminInstall, u"X"), u"ACTION=ADMIN X");
    EXPECT_EQ(installerCommandLine(InstallMode::Uninstall, u" "), u"REMOVE=ALL  ");
    EXPECT_EQ(installerCommandLine(static_cast<InstallMode>(3), u"X"), u"X");
}

} // namespace
