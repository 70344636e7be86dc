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

// What the installer makes of a whole command line: the settings, or the first piece it refuses
// (with where it starts), after which it reads nothing.
TEST(InstallerProperties, TheInstallerRefusesAPieceThatSetsNoProperty) {
    const char* const faults[] = {"bare word", "quoted piece", "no name", "unclosed quote"};
    struct Case {
        std::u16string line;
        std::string settings;
        std::string refused; // "fault at N: text", or empty
    };
    const Case cases[] = {
        {u"", "", ""},
        {u"  ", "", ""},
        {u"TRANSFORMS=1049.mst REBOOT=ReallySuppress", "TRANSFORMS=1049.mst|REBOOT=ReallySuppress|",
         ""},
        {u"REMOVE=ALL  A=1 ", "REMOVE=ALL|A=1|", ""},
        {u"PROPERTY = \"string\" B=", "PROPERTY=string|B=|", ""},
        {u"A=\"say \"\"hi\"\"\" B=x\"y z\"w", "A=say \"hi\"|B=xy zw|", ""},
        {u"CLEAR=\"\" X=1", "CLEAR=|X=1|", ""},
        {u"INSTALLDIR=C:\\My Apps", "INSTALLDIR=C:\\My|", "bare word at 17: Apps"},
        {u"INSTALLDIR=C:\\My Apps COUNTRY=UA", "INSTALLDIR=C:\\My|", "bare word at 17: Apps"},
        {u"A=1 /qn", "A=1|", "bare word at 4: /qn"},
        {u"\"INSTALLDIR=C:\\My Apps\" B=2", "", "quoted piece at 0: \"INSTALLDIR=C:\\My"},
        {u"A=1 =2", "A=1|", "no name at 4: =2"},
        {u"A=1 B=\"open end", "A=1|", "unclosed quote at 4: B=\"open end"},
        {u"A=\"x\"\" B=1", "", "unclosed quote at 0: A=\"x\"\" B=1"},
    };
    for (const Case& c : cases) {
        const InstallerCommandLine read = readInstallerCommandLine(c.line);
        std::string settings;
        for (const PropertySetting& s : read.settings)
            settings += wtext::toUtf8(s.name) + "=" + wtext::toUtf8(s.value) + "|";
        const std::string refused = read.refused ? std::string(faults[int(read.refused->fault)]) +
                                                       " at " + std::to_string(read.refused->at) +
                                                       ": " + wtext::toUtf8(read.refused->text)
                                                 : "";
        EXPECT_EQ(settings, c.settings) << wtext::toUtf8(c.line);
        EXPECT_EQ(refused, c.refused) << wtext::toUtf8(c.line);
    }
    EXPECT_EQ(readInstallerCommandLine(u"REBOOT=F reboot=ReallySuppress").value(u"REBOOT"),
              u"ReallySuppress");
}

} // namespace

} // namespace setupcheck
