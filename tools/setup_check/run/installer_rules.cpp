#include "tools/setup_check/run/installer_rules.h"

#include "platform/msi_api.h"
#include "platform/wtext.h"
#include "tools/setup_check/basics/text.h"

namespace setupcheck {

namespace {

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

struct PlatformRow {
    const char* name;
    bool x86, x64, arm64; // the architectures whose Windows installs it
};

// Intel64 (Itanium) is no architecture a profile describes; Windows on Arm runs x64 and 32-bit
// Arm programs besides its own.
const PlatformRow platforms[] = {
    {"Intel", true, true, true}, {"x64", false, true, true},    {"AMD64", false, true, true},
    {"Arm", false, false, true}, {"Arm64", false, false, true}, {"Intel64", false, false, false},
};

// The first row of `action` without a condition; the rows under one go to `conditional`.
const SequenceAction* unconditioned(const std::vector<SequenceAction>& sequence, const char* action,
                                    std::vector<SequenceAction>& conditional) {
    const SequenceAction* found = nullptr;
    for (const SequenceAction& row : sequence) {
        if (row.action != action)
            continue;
        if (!trimmed(row.condition).empty())
            conditional.push_back(row);
        else if (!found)
            found = &row;
    }
    return found;
}

// The first character of REBOOT is all the installer reads of it.
char16_t rebootMode(const InstallerCommandLine& commandLine) {
    const std::optional<std::u16string> reboot = commandLine.value(u"REBOOT");
    return reboot && !reboot->empty() ? wtext::lowerAscii((*reboot)[0]) : u'\0';
}

} // namespace

ContextOutcome installationContext(const std::optional<std::string>& packageAllUsers,
                                   const std::optional<std::string>& packagePerUser,
                                   const InstallerCommandLine& commandLine, int installerMajor) {
    auto value = [&](const char16_t* name, const std::optional<std::string>& package,
                     std::string& from) -> std::optional<std::string> {
        if (const std::optional<std::u16string> given = commandLine.value(name)) {
            from = "command line";
            return utf8(*given);
        }
        from = "package";
        return package;
    };
    std::string allFrom, perUserFrom;
    const std::optional<std::string> all = value(u"ALLUSERS", packageAllUsers, allFrom);
    const std::optional<std::string> perUser =
        value(u"MSIINSTALLPERUSER", packagePerUser, perUserFrom);
    if (!all || all->empty())
        return {InstallContext::perUser,
                all ? "ALLUSERS empty (" + allFrom + ")" : std::string("ALLUSERS not set")};
    const std::string allText = "ALLUSERS=" + *all + " (" + allFrom + ")";
    if (*all != "2")
        return {InstallContext::perMachine, allText};
    if (installerMajor < 5)
        return {InstallContext::perMachineForAdministrators,
                allText + ", Windows Installer before 5.0"};
    if (perUser && *perUser == "1")
        return {InstallContext::perUser,
                allText + " and MSIINSTALLPERUSER=1 (" + perUserFrom + ")"};
    return {InstallContext::perMachine, allText + ", MSIINSTALLPERUSER not 1"};
}

std::vector<SequenceAction> restartActions(const std::vector<SequenceAction>& sequence) {
    std::vector<SequenceAction> actions;
    for (const SequenceAction& row : sequence)
        if (row.action == "ScheduleReboot" || row.action == "ForceReboot")
            actions.push_back(row);
    return actions;
}

std::string packagePlatform(const std::string& templateText) {
    std::string platform = templateText.substr(0, templateText.find(';'));
    platform = trimmed(platform.substr(0, platform.find(',')));
    return platform.empty() ? "Intel" : platform;
}

bool platformInstallable(const std::string& platform, Architecture architecture) {
    for (const PlatformRow& row : platforms)
        if (platform == row.name)
            return architecture == Architecture::x86   ? row.x86
                   : architecture == Architecture::x64 ? row.x64
                                                       : row.arm64;
    return false;
}

std::optional<OtherPackage> otherPackageInstalled(const Profile& profile,
                                                  const PackageIdentity& id) {
    if (!id.productCode.present || !id.productVersion.present)
        return std::nullopt;
    for (const auto& [code, version] : profile.installed) {
        if (!wtext::equalsNoCaseAscii(code, utf16(id.productCode.value)))
            continue;
        const auto stated = profile.installedPackageCodes.find(code);
        const std::string packageCode =
            stated == profile.installedPackageCodes.end() ? "" : utf8(stated->second);
        // A package has one ProductVersion: another version is another package, and so is
        // another package code of the same version.
        if (utf8(version) != id.productVersion.value)
            return OtherPackage{utf8(version), packageCode, false};
        if (!packageCode.empty() && id.packageCode.present &&
            !wtext::equalsNoCaseAscii(utf16(packageCode), utf16(id.packageCode.value)))
            return OtherPackage{utf8(version), packageCode, true};
    }
    return std::nullopt;
}

bool reinstallsFromThisPackage(const InstallerCommandLine& commandLine) {
    const std::optional<std::u16string> reinstall = commandLine.value(u"REINSTALL");
    const std::optional<std::u16string> mode = commandLine.value(u"REINSTALLMODE");
    return reinstall && !reinstall->empty() && mode &&
           wtext::lowerAscii(*mode).find(u'v') != std::u16string::npos;
}

RestartOutcome restartOutcome(const std::vector<SequenceAction>& sequence,
                              const InstallerCommandLine& commandLine, bool silent) {
    const char16_t mode = rebootMode(commandLine);
    // Only ReallySuppress holds back the restart at a ForceReboot. At the end of the
    // installation the user is asked where there is an interface; without one Windows restarts
    // unless REBOOT suppresses it.
    const bool forceRestarts = mode != u'r';
    const bool endRestarts = silent && mode != u'r' && mode != u's';
    std::vector<SequenceAction> forced, scheduled;
    const SequenceAction* force = unconditioned(sequence, "ForceReboot", forced);
    const SequenceAction* schedule = unconditioned(sequence, "ScheduleReboot", scheduled);
    RestartOutcome outcome;
    if (forceRestarts)
        outcome.conditional = forced;
    if (endRestarts)
        outcome.conditional.insert(outcome.conditional.end(), scheduled.begin(), scheduled.end());
    if (force) {
        outcome.restart = forceRestarts ? Restart::during : Restart::needed;
        outcome.cause = "ForceReboot";
        outcome.sequence = force->sequence;
    } else if (schedule || mode == u'f') {
        outcome.restart = endRestarts ? Restart::atEnd : Restart::needed;
        outcome.cause = schedule ? "ScheduleReboot" : "REBOOT=Force";
        outcome.sequence = schedule ? schedule->sequence : 0;
    }
    return outcome;
}

std::uint32_t restartResult(Restart restart) {
    switch (restart) {
    case Restart::needed:
        return msi::errorSuccessRebootRequired;
    case Restart::atEnd:
    case Restart::during:
        return msi::errorSuccessRebootInitiated;
    case Restart::none:
        break;
    }
    return msi::errorSuccess;
}

} // namespace setupcheck
