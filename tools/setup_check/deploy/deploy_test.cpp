// The deployment's own rules: the exit code table against the installer's successes, the
// hashes, winget's identifiers, the installation context and the launcher image reader on
// damaged input. The forms themselves are compared with the report in tests/check.
#include "tools/setup_check/deploy/archive.h"
#include "tools/setup_check/deploy/deployment.h"
#include "tools/setup_check/deploy/forms.h"
#include "tools/setup_check/medium/launcher_image.h"
#include "tools/setup_check/run/installer_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace setupcheck {

namespace {

TEST(ExitCodes, ActionsAgreeWithTheInstallersSuccesses) {
    for (const msi::ExitCodeRow& row : msi::exitCodes) {
        SCOPED_TRACE(row.code);
        const bool success = row.action == msi::DeploymentAction::success ||
                             row.action == msi::DeploymentAction::softReboot ||
                             row.action == msi::DeploymentAction::hardReboot;
        EXPECT_EQ(success, msi::installSucceeded(row.code));
        EXPECT_EQ(exitCodeRow(row.code), &row);
    }
    EXPECT_STREQ(actionName(exitCodeRow(msi::errorSuccessRebootRequired)->action), "softReboot");
    EXPECT_STREQ(actionName(exitCodeRow(msi::errorInstallAlreadyRunning)->action), "retry");
}

TEST(Archive, HashesMatchTheirStandards) {
    const auto bytes = [](const char* text) {
        return reinterpret_cast<const unsigned char*>(text);
    };
    EXPECT_EQ(sha256Hex(bytes(""), 0),
              "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855");
    const std::string many(1000, 'a'); // more than one block, and a length across blocks
    EXPECT_EQ(sha256Hex(bytes(many.c_str()), many.size()),
              "41EDECE42D63E8D9BF515A9BA6932E1C20CBC9F5A5D134645ADB5DB1B9737EA3");
    EXPECT_EQ(crc32(0, bytes("123456789"), 9), 0xCBF43926u);
}

TEST(Winget, IdentifiersFromTheProductAndThoseGiven) {
    EXPECT_EQ(*wingetIdentifier("Vorta Test", "Vorta Test product"), "VortaTest.VortaTestProduct");
    EXPECT_EQ(*wingetIdentifier("Vorta: Ltd.", "Office \"Pro\" 2.5"), "VortaLtd.OfficePro25");
    EXPECT_FALSE(wingetIdentifier("***", "Vorta").ok());
    const std::string longName(40, 'x');
    EXPECT_EQ(wingetIdentifier(longName, "A")->size(), 34u);
    for (const char* good : {"Vorta.Office", "A.B.C.D.E.F.G.H", "Vorta.Офис"})
        EXPECT_TRUE(validWingetIdentifier(good)) << good;
    for (const char* bad : {"Vorta", "Vorta.", ".Office", "Vorta Ltd.Office", "Vorta.Off/ice",
                            "A.B.C.D.E.F.G.H.I", "Vorta.xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"})
        EXPECT_FALSE(validWingetIdentifier(bad)) << bad;
}

TEST(InstallationContext, AllUsersAndMsiInstallPerUser) {
    struct Case {
        std::optional<std::string> allUsers, perUser;
        const char16_t* commandLine;
        int installer;
        InstallContext context;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, u"", 5, InstallContext::perUser},
        {"", std::nullopt, u"", 5, InstallContext::perUser},
        {"1", std::nullopt, u"", 5, InstallContext::perMachine},
        {"2", std::nullopt, u"", 5, InstallContext::perMachine},
        {"2", "1", u"", 5, InstallContext::perUser},
        {"2", "1", u"", 4, InstallContext::perMachineForAdministrators},
        {"1", "1", u"", 5, InstallContext::perMachine}, // MSIINSTALLPERUSER needs ALLUSERS=2
        {std::nullopt, std::nullopt, u"ALLUSERS=1", 5, InstallContext::perMachine},
        {"1", std::nullopt, u"ALLUSERS=\"\"", 5, InstallContext::perUser},
        {"2", std::nullopt, u"MSIINSTALLPERUSER=1", 5, InstallContext::perUser},
    };
    for (const Case& c : cases) {
        const ContextOutcome outcome = installationContext(
            c.allUsers, c.perUser, readInstallerCommandLine(c.commandLine), c.installer);
        EXPECT_EQ(outcome.context, c.context) << outcome.reason;
    }
}

// Every cut of a real-looking image, and every byte of its headers overwritten, is read
// without a read outside the bytes; a whole one keeps its fields.
TEST(LauncherImage, DamagedImagesAreReadSafely) {
    std::string image(0x400, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    image[0x3C] = 0x40;
    image.replace(0x40, 4, std::string("PE\0\0", 4));
    image[0x44] = char(0x4c);
    image[0x45] = 0x01; // i386
    image[0x46] = 1;    // one section
    image[0x54] = char(0xE0);
    image[0x56] = 0x02; // executable
    image[0x58] = 0x0b;
    image[0x59] = 0x01;           // PE32
    image[0x58 + 68] = 2;         // GUI
    image[0x58 + 92] = 16;        // data directories
    image[0x58 + 96 + 16] = 0x10; // resources at RVA 0x1000, no bytes of them
    const LauncherImage whole = readLauncherImage(image);
    EXPECT_TRUE(whole.is32BitWindowsProgram());
    EXPECT_FALSE(whole.fileVersion.has_value());
    for (std::size_t cut = 0; cut < image.size(); cut += 7)
        (void)readLauncherImage(std::string_view(image).substr(0, cut));
    for (std::size_t at = 0; at < 0x200; ++at) {
        std::string damaged = image;
        damaged[at] = char(0xFF);
        (void)readLauncherImage(damaged);
    }
    EXPECT_EQ(readLauncherImage("MZ").status, ImageStatus::notAProgram);
    EXPECT_EQ(readLauncherImage("").status, ImageStatus::notAProgram);
}

} // namespace

} // namespace setupcheck
