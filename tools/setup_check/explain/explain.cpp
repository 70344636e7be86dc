#include "tools/setup_check/explain/explain.h"

#include "cmdline/option_parser.h"
#include "cmdline/option_table.h"
#include "locale/country.h"
#include "platform/msi_api.h"
#include "tools/setup_check/basics/text.h"

namespace setupcheck {

namespace {

std::string versionText(const VersionQuad& v) {
    std::string text;
    for (std::int32_t c : {v.major, v.minor, v.build, v.revision}) {
        if (c < 0)
            break;
        text += (text.empty() ? "" : ".") + std::to_string(c);
    }
    return text.empty() ? "(unreadable)" : text;
}

// What the options among `arguments` would have done, had the parse reached them: the
// launcher's own parser over them alone.
std::string unseenEffects(const std::vector<std::u16string>& arguments) {
    OptionParser parser;
    std::vector<std::u16string> tail{u"setup.exe"};
    tail.insert(tail.end(), arguments.begin(), arguments.end());
    parser.setArguments(tail);
    parser.setLongOptionsEnabled(false);
    parser.defineOptions(optionTable);
    parser.parse();
    const std::pair<const char16_t*, const char*> effects[] = {
        {option::silent, "a silent run (UI level 2)"},
        {option::adminInstall, "an administrative installation"},
        {option::uninstall, "a removal"},
        {option::language, "the language"},
        {option::debugLog, "the installer's log"},
        {option::usage, "the usage box"},
    };
    std::string text;
    for (const auto& [name, effect] : effects)
        if (parser.isSet(name))
            text += (text.empty() ? "" : ", ") + std::string(effect);
    for (std::size_t i = 0; i < parser.parameterCount(); ++i)
        text +=
            (text.empty() ? "the property " : ", the property ") + utf8(parser.parameterValue(i));
    return text;
}

} // namespace

std::string modeText(InstallMode mode) {
    static const char* const names[] = {"installation", "administrative installation", "removal"};
    return nameOf(mode, names);
}

std::string uiLevelText(std::uint32_t uiLevel) {
    return std::to_string(uiLevel) + (uiLevel == 2 ? " (none: /S)" : " (full)");
}

std::string installedStateText(InstalledState state) {
    if (state == InstalledState::Product)
        return "the product itself is installed in this version";
    if (state == InstalledState::Instance)
        return "the package's instance is installed in this version";
    return "neither the product nor an instance is installed in this version";
}

std::string languageReason(const DecisionRecord& record) {
    const LanguageDecision& language = record.language;
    std::string reason;
    switch (language.source) {
    case LanguageSource::Option:
        reason = "the option /l";
        if (!language.codeKnown)
            reason += " (\"" + utf8(language.code) +
                      "\" names no language the launcher knows: the language stays)";
        break;
    case LanguageSource::CustomLocale:
        reason = "the language of the user's custom locale";
        break;
    case LanguageSource::SystemDefault:
        reason = "the system's default language (the user's custom locale cannot be told)";
        break;
    default:
        reason = "the user's default language";
    }
    if (record.country.applied) {
        int signs = 0;
        for (bool sign : record.country.signs)
            signs += sign ? 1 : 0;
        reason += (language.languageId == record.finalLanguageId
                       ? "; kept Ukrainian, with COUNTRY=UA, because "
                       : "; switched to Ukrainian because ") +
                  std::to_string(signs) + " of 6 signs point to Ukraine";
    }
    return reason;
}

std::string commandLineText(const CommandLineDecision& c) {
    if (c.parseResult == -1)
        return "ends at /? (the usage box)";
    if (c.parseResult == 0)
        return "accepted";
    std::string diagnostic = utf8(c.diagnostic);
    if (!diagnostic.empty() && diagnostic.back() == '\n')
        diagnostic.pop_back();
    std::string text = "refused";
    if (c.stoppedAt < c.arguments.size())
        text +=
            " at " + utf8(c.arguments[c.stoppedAt]) + " (" + diagnostic + "): " + neverSeenText(c);
    else
        text += " (" + diagnostic + ")";
    return text;
}

std::string neverSeenText(const CommandLineDecision& c) {
    if (c.stoppedAt >= c.arguments.size())
        return {};
    const std::vector<std::u16string> unseen(c.arguments.begin() + std::ptrdiff_t(c.stoppedAt) + 1,
                                             c.arguments.end());
    if (unseen.empty())
        return "the options before it count";
    std::string seen;
    for (const std::u16string& argument : unseen)
        seen += (seen.empty() ? "" : " ") + utf8(argument);
    std::string text = "never seen after it: " + seen;
    const std::string lost = unseenEffects(unseen);
    if (!lost.empty())
        text += "; so the run has none of: " + lost;
    return text;
}

std::vector<std::string> windowsLines(const DecisionRecord& record) {
    std::vector<std::string> lines;
    for (const WindowsEntryCheck& check : record.windows.entries) {
        std::string line = utf8(check.key) + "=" + utf8(check.value);
        if (!check.enabled) {
            lines.push_back(line + ": not an accepted version");
            continue;
        }
        const WindowsEntry& e = check.entry;
        line += ": Windows " + (e.canBeMet() ? versionText(e.version) : "(never met)") + " SP" +
                std::to_string(e.servicePackMajor) + "." + std::to_string(e.servicePackMinor);
        line += !check.checked ? ", not asked (an earlier entry is met)"
                : check.met    ? ", met"
                               : ", not met";
        lines.push_back(line);
    }
    return lines;
}

std::string runtimeText(const DecisionRecord& record) {
    const RuntimeDecision& r = record.runtime;
    std::string text =
        (r.installed.empty() ? std::string("unreadable") : utf8(r.installed)) + ", required " +
        (record.windows.requiredRuntime.empty() ? std::string("nothing")
                                                : utf8(record.windows.requiredRuntime));
    if (!r.older)
        return text + ": no update";
    if (r.setupStarted)
        return text + ": older, instmsi30.exe runs first";
    if (r.setupFound)
        return text + ": older, instmsi30.exe cannot be started";
    return text + ": older, but no instmsi30.exe on the medium";
}

std::string ukraineText(const DecisionRecord& record) {
    const CountryDecision& c = record.country;
    if (!c.asked)
        return "off (language given with /l)";
    int count = 0;
    std::string names;
    for (std::size_t i = 0; i < countrySignCount; ++i) {
        if (!c.signs[i])
            continue;
        ++count;
        names += (names.empty() ? "" : ", ") + std::string(countrySignNames[i]);
    }
    std::string text = std::to_string(count) + " of 6 signs point to Ukraine";
    if (!names.empty())
        text += " (" + names + ")";
    return text + (c.applied ? ": Ukrainian, COUNTRY=UA added" : ": not applied (needs 2)");
}

std::string transformsText(const DecisionRecord& record) {
    const TransformsDecision& t = record.transforms;
    std::string text = t.setting.empty() ? std::string("none") : utf8(t.setting);
    if (!t.languageTransform.empty())
        text +=
            "; " + utf8(t.languageTransform) +
            (t.languageTransformFound ? " is beside the launcher" : " is not beside the launcher");
    return text;
}

std::string restartText(const RestartOutcome& restart) {
    static const char* const when[] = {"", "needed: the installer answers 3010",
                                       "started by Windows at the end of the installation (1641)",
                                       "started by Windows during the installation (1641)"};
    if (restart.restart == Restart::none)
        return {};
    return nameOf(restart.restart, when) + std::string(", by ") + restart.cause;
}

std::string contextName(InstallContext context) {
    static const char* const names[] = {"per_machine", "per_user",
                                        "per_machine_for_administrators"};
    return nameOf(context, names);
}

std::string contextText(InstallContext context) {
    static const char* const texts[] = {
        "every user of the machine (per machine)", "the user who runs it (per user)",
        "every user when an administrator runs it, else the user who runs it"};
    return nameOf(context, texts);
}

std::string imageStatusName(ImageStatus status) {
    static const char* const names[] = {"missing", "unreadable", "too_large", "not_a_program",
                                        "program"};
    return nameOf(status, names);
}

std::string launcherFileText(const LauncherImage& image) {
    switch (image.status) {
    case ImageStatus::missing:
        return "missing";
    case ImageStatus::unreadable:
        return "cannot be read";
    case ImageStatus::tooLarge:
        return "larger than 64 MiB, not read";
    case ImageStatus::notAProgram:
        return "no Windows program: " + image.problem;
    case ImageStatus::program:
        break;
    }
    std::string text = std::string(image.dll ? "a DLL for " : "a program for ") +
                       machineName(image.machine) + " Windows";
    if (const std::optional<std::string> code = image.string(launcherVersionString))
        text += ", launcher code " + *code;
    if (image.fileVersion)
        text += ", file version " + image.fileVersion->text();
    return text;
}

std::string outcomeText(const CheckResult& r) {
    if (!r.started())
        return "the installation is not started";
    switch (r.run.exitCode) {
    case msi::errorSuccess:
        return "installed";
    case msi::errorInstallUserExit:
        return "cancelled by the user";
    case msi::errorSuccessRebootRequired:
        return "installed, restart needed";
    case msi::errorSuccessRebootInitiated:
        return "installed, restart started";
    default:
        return "the installer's error";
    }
}

std::string boxStyleText(std::uint32_t style) {
    std::string text;
    if ((style & 0xF0) == 0x10)
        text = "error";
    else if ((style & 0xF0) == 0x40)
        text = "information";
    else if ((style & 0xF0) == 0x30)
        text = "warning";
    else
        text = "plain";
    if (style & 0x1000)
        text += ", system-modal";
    return text;
}

std::string oneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

} // namespace setupcheck
