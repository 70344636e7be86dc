#include "sysreq/windows_requirement.h"

#include "platform/wtext.h"
#include "tests/support/sim_machine.h"

namespace {

using WindowsRequirement = testsupport::SimTest;

struct Profile {
    const char* name;
    platform::OsVersion version;
};

const Profile xpSp2{"XP SP2", {5, 1, 2600, 2, 0}};
const Profile xpSp3{"XP SP3", {5, 1, 2600, 3, 0}};
const Profile vista{"Vista", {6, 0, 6000, 0, 0}};
const Profile win7{"7", {6, 1, 7600, 0, 0}};
const Profile win7Sp1{"7 SP1", {6, 1, 7601, 1, 0}};
const Profile win8{"8", {6, 2, 9200, 0, 0}};
const Profile win81{"8.1", {6, 3, 9600, 0, 0}};
const Profile win10{"10", {10, 0, 19045, 0, 0}};
const Profile win11{"11", {10, 0, 22631, 0, 0}};

IniFile loadSettings(const std::string& text) {
    sim::addFile(u"C:\\media\\Setup.ini", text);
    IniFile settings;
    settings.load(u"C:\\media\\Setup.ini");
    return settings;
}

struct Case {
    const char* requirement; // the entry sections and the list [OS]
    Profile profile;
    bool expected;
};

TEST_F(WindowsRequirement, DecidesOverCannedWindowsProfiles) {
    const std::string w7 = "[OS]\nW7=1\nXP=0\n[W7]\nMajorVer=6\nMinorVer=1\nBuildNo=7600\n"
                           "[XP]\nMajorVer=5\nMinorVer=1\nBuildNo=2600\n";
    const std::string xpSp3Only =
        "[OS]\nXP=1\n[XP]\nMajorVer=5\nMinorVer=1\nBuildNo=2600\nServicePack=768\n";
    const std::string sp1Of7 =
        "[OS]\nW7=1\n[W7]\nMajorVer=6\nMinorVer=1\nBuildNo=7601\nServicePack=256\n";
    const std::string win10Only = "[OS]\nW10=1\n[W10]\nMajorVer=10\nMinorVer=0\nBuildNo=10240\n";
    const std::string plusSix = "[OS]\nW=1\n[W]\nMajorVer=+6\nMinorVer=1\nBuildNo=7600\n";
    const std::string highBuildOf7 = "[OS]\nW=1\n[W]\nMajorVer=6\nMinorVer=1\nBuildNo=9999\n";
    const std::string xpOrLater =
        "[OS]\nA=1\nB=1\n[A]\nMajorVer=10\nMinorVer=0\nBuildNo=0\n[B]\nMajorVer=5\nMinorVer=1\n"
        "BuildNo=2600\nServicePack=512\n";
    const Case cases[] = {
        {w7.c_str(), vista, false},
        {w7.c_str(), win7, true},
        {w7.c_str(), win7Sp1, true},
        {w7.c_str(), win10, true},
        {w7.c_str(), xpSp3, false},
        {xpSp3Only.c_str(), xpSp2, false},
        {xpSp3Only.c_str(), xpSp3, true},
        {xpSp3Only.c_str(), vista, true},
        {sp1Of7.c_str(), win7, false},
        {sp1Of7.c_str(), win7Sp1, true},
        {sp1Of7.c_str(), win8, true},
        {win10Only.c_str(), win81, false},
        {win10Only.c_str(), win10, true},
        {win10Only.c_str(), win11, true},
        {plusSix.c_str(), vista, false},
        {plusSix.c_str(), win7, true},
        // The build number is tested on its own: 6.2.9200 does not reach build 9999.
        {highBuildOf7.c_str(), win8, false},
        {highBuildOf7.c_str(), win10, true},
        {xpOrLater.c_str(), xpSp2, true},
        {xpOrLater.c_str(), win81, true},
    };
    for (const Case& c : cases) {
        renew();
        sim::machine().version = c.profile.version;
        IniFile settings = loadSettings(c.requirement);
        EXPECT_EQ(checkWindowsRequirement(settings, u"OS"), c.expected)
            << "on Windows " << c.profile.name << " with\n"
            << c.requirement;
    }
}

TEST_F(WindowsRequirement, EntriesThatCanNeverBeMet) {
    const char* requirements[] = {
        // Value not exactly "1".
        "[OS]\nW=01\n[W]\nMajorVer=5\nMinorVer=0\nBuildNo=0\n",
        "[OS]\nW=yes\n[W]\nMajorVer=5\nMinorVer=0\nBuildNo=0\n",
        "[OS]\nW\n[W]\nMajorVer=5\nMinorVer=0\nBuildNo=0\n",
        // Missing or non-numeric components become 0xFFFFFFFF.
        "[OS]\nW=1\n[W]\nMajorVer=5\nMinorVer=0\n",
        "[OS]\nW=1\n[W]\nMajorVer=5\nMinorVer=x\nBuildNo=0\n",
        "[OS]\nW=1\n",
        // No list, or an empty one.
        "[Other]\nW=1\n[W]\nMajorVer=5\nMinorVer=0\nBuildNo=0\n",
        "[OS]\n[W]\nMajorVer=5\nMinorVer=0\nBuildNo=0\n",
    };
    for (const char* requirement : requirements) {
        renew();
        sim::machine().version = win11.version;
        IniFile settings = loadSettings(requirement);
        EXPECT_FALSE(checkWindowsRequirement(settings, u"OS")) << requirement;
    }
    renew();
    EXPECT_FALSE(checkWindowsRequirement(loadSettings("[OS]\nW=1\n"), u""));
}

TEST_F(WindowsRequirement, ServicePackTextReadAsUnsignedNumber) {
    struct SpCase {
        const char* servicePack;
        platform::OsVersion version;
        bool expected;
    };
    const SpCase cases[] = {
        {"256", {5, 1, 2600, 1, 0}, true},
        {"256", {5, 1, 2600, 0, 0}, false},
        {" 513x", {5, 1, 2600, 2, 1}, true},
        {"513", {5, 1, 2600, 2, 0}, false},
        {"junk", {5, 1, 2600, 0, 0}, true},
        {"", {5, 1, 2600, 0, 0}, true},
        // Only bits 0-15 count: 66304 is 65536 + 768, SP3.
        {"66304", {5, 1, 2600, 3, 0}, true},
        {"66304", {5, 1, 2600, 2, 0}, false},
        {"65536", {5, 1, 2600, 0, 0}, true},
    };
    for (const SpCase& c : cases) {
        renew();
        sim::machine().version = c.version;
        std::string text = std::string("[OS]\nW=1\n[W]\nMajorVer=5\nMinorVer=1\nBuildNo=2600\n") +
                           "ServicePack=" + c.servicePack + "\n";
        EXPECT_EQ(checkWindowsRequirement(loadSettings(text), u"OS"), c.expected)
            << "ServicePack=" << c.servicePack << " on SP " << c.version.servicePackMajor << "."
            << c.version.servicePackMinor;
    }
}

} // namespace
