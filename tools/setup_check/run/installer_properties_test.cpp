#include "tools/setup_check/run/installer_properties.h"

#include "platform/wtext.h"

#include <gtest/gtest.h>

#include <string>

namespace setupcheck {

namespace {

// "NAME=value|" for every setting read.
std::string settingsOf(std::u16string_view commandLine) {
    std::string out;
    for (const PropertySetting& s : propertySettings(commandLine))
        out += wtext::toUtf8(s.name) + "=" + wtext::toUtf8(s.value) + "|";
    return out;
}

TEST(InstallerProperties, ReadsEachSettingWithItsQuotedValue) {
    const std::pair<std::u16string, std::string> cases[] = {
        {u"", ""},
        {u"REBOOT=ReallySuppress", "REBOOT=ReallySuppress|"},
        {u"  A=1\tB=2  ", "A=1|B=2|"},
        {u"INSTALLDIR=\"C:\\My Apps\" REBOOT=R", "INSTALLDIR=C:\\My Apps|REBOOT=R|"},
        {u"A=\"say \"\"hi\"\"\" B=", "A=say \"hi\"|B=|"},
        {u"TRANSFORMS=:Inst2.mst;1049.mst", "TRANSFORMS=:Inst2.mst;1049.mst|"},
        // Text that sets no property is passed over.
        {u"/qn =x \"A=1\" plain A=1", "A=1|"},
        {u"X=\"unclosed value", "X=\"unclosed value|"},
    };
    for (const auto& [line, settings] : cases)
        EXPECT_EQ(settingsOf(line), settings) << wtext::toUtf8(line);
}

TEST(InstallerProperties, NamesMatchWithoutRegardToCase) {
    EXPECT_TRUE(setsProperty(u"A=1 REINSTALL=ALL", u"REINSTALL"));
    EXPECT_TRUE(setsProperty(u"reinstall=ALL", u"REINSTALL"));
    EXPECT_FALSE(setsProperty(u"REINSTALLMODE=vomus", u"REINSTALL"));
    EXPECT_FALSE(setsProperty(u"X=\"REINSTALL=ALL\"", u"REINSTALL"));
}

} // namespace

} // namespace setupcheck
