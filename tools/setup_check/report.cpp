#include "tools/setup_check/report.h"

#include "platform/wtext.h"

#include <cstdio>
#include <sstream>

namespace {

std::string hex(std::uint32_t value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%0*x", digits, value);
    return buffer;
}

std::string languageName(std::uint32_t id) {
    switch (id & 0xFFFF) {
    case 0x0409:
        return "English";
    case 0x0419:
        return "Russian";
    case 0x0422:
        return "Ukrainian";
    case 0x0426:
        return "Latvian";
    case 0x0427:
        return "Lithuanian";
    case 0x0418:
        return "Romanian";
    case 0x0402:
        return "Bulgarian";
    case 0x0407:
        return "German";
    case 0x0437:
        return "Georgian";
    case 0x043F:
        return "Kazakh";
    case 0x042A:
        return "Vietnamese";
    case 0x0415:
        return "Polish";
    case 0x041F:
        return "Turkish";
    case 0x042C:
        return "Azerbaijani";
    case 0x040E:
        return "Hungarian";
    case 0x0804:
        return "Chinese (Simplified)";
    case 0x040C:
        return "French";
    default:
        return "";
    }
}

std::string languageWithName(std::uint32_t id) {
    std::string name = languageName(id);
    return std::to_string(id) + " (" + hex(id, 4) + (name.empty() ? "" : ", " + name) + ")";
}

std::string stateText(int state) {
    switch (state) {
    case 1:
        return "1: the product itself is installed in this version";
    case 2:
        return "2: the package's instance is installed in this version";
    default:
        return "-1: neither the product nor an instance is installed in this version";
    }
}

std::string exitText(const CheckResult& r) {
    if (!r.started())
        return "the installation is not started";
    switch (r.exitCode) {
    case 0:
        return "installed";
    case 1602:
        return "cancelled by the user";
    case 3010:
        return "installed, restart needed";
    case 1641:
        return "installed, restart started";
    default:
        return "the installer's error";
    }
}

std::string where(const Warning& w) {
    if (w.file.empty())
        return "(this machine)";
    return w.line ? w.file + ":" + std::to_string(w.line) : w.file;
}

// Text shown on one line: line breaks as \n.
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

std::string profileSummary(const Profile& p) {
    std::string text = windowsText(p.windows) + ", user language " + hex(p.userLanguage, 4) +
                       ", system language " + hex(p.systemLanguage, 4) + ", keyboards ";
    for (std::size_t i = 0; i < p.keyboards.size(); ++i)
        text += (i ? "," : "") + hex(std::uint32_t(p.keyboards[i]), 8);
    text += ", currency " + (p.currency ? wtext::toUtf8(*p.currency) : std::string("none"));
    text +=
        ", country code " + (p.countryCode ? std::to_string(*p.countryCode) : std::string("none"));
    text += ", GeoID " + std::to_string(p.geoId);
    text += ", Windows Installer " +
            (p.msiRuntime ? wtext::toUtf8(*p.msiRuntime) : std::string("unreadable"));
    return text;
}

} // namespace

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

std::string textReport(const CheckResult& r) {
    const Decisions& d = r.decisions;
    std::ostringstream out;
    out << "Medium    " << r.medium << "  (as " << r.placement.launcherPath() << ")\n";
    out << "Profile   " << r.profile.name
        << (r.profile.description.empty() ? "" : ": " + r.profile.description) << "\n";
    out << "          " << profileSummary(r.profile) << "\n";
    if (!r.profile.installed.empty()) {
        out << "          installed:";
        for (const auto& [code, version] : r.profile.installed)
            out << " " << wtext::toUtf8(code) << " " << wtext::toUtf8(version);
        out << "\n";
    }
    out << "Arguments " << (r.arguments.empty() ? "(none)" : r.arguments) << "\n";

    out << "\nRead\n";
    if (!d.settingsFound)
        out << "  no Setup.ini beside the launcher\n";
    if (!d.malformed.empty())
        out << "  " << d.malformed << "\n";
    for (const SettingRead& s : r.read) {
        out << "  " << s.file << (s.line ? ":" + std::to_string(s.line) : std::string()) << "  ["
            << s.section << "] " << s.key << " = "
            << (s.line ? oneLine(s.value) : std::string("(absent)")) << "\n";
    }

    out << "\nDecisions\n";
    auto row = [&](const char* name, const std::string& value) {
        out << "  " << name << std::string(22 - std::string(name).size(), ' ') << value << "\n";
    };
    row("mode", d.installMode);
    row("UI level", std::to_string(d.uiLevel) + (d.uiLevel == 2 ? " (none: /S)" : " (full)"));
    if (d.usageAsked)
        row("usage", "/? given: the usage box, nothing is installed");
    row("language",
        languageWithName(d.languageId) + ": " +
            (d.languageReason.empty() ? "the user's default language" : d.languageReason));
    if (!d.messageFile.empty())
        row("message file", d.messageFile + ", section [" + d.messageSection + "]");
    if (d.settingsFound && d.malformed.empty() && !d.usageAsked)
        row("Windows", std::string(d.windowsAccepted ? "accepted" : "refused (message 1150)") +
                           " (" + windowsText(r.profile.windows) + ")");
    if (r.started()) {
        std::string runtime =
            (d.installedRuntime.empty() ? std::string("unreadable") : d.installedRuntime) +
            ", required " + (d.requiredRuntime.empty() ? "nothing" : d.requiredRuntime);
        if (!d.runtimeOlder)
            runtime += ": no update";
        else if (d.runtimeSetupRan)
            runtime += ": older, instmsi30.exe runs first";
        else if (d.runtimeSetupPresent)
            runtime += ": older, instmsi30.exe cannot be started";
        else
            runtime += ": older, but no instmsi30.exe on the medium";
        row("Windows Installer", runtime);
        row("package", d.packagePath + (d.packageFound ? "" : " (missing)"));
        if (d.packageFound)
            row("", "ProductCode " + d.packageProductCode + ", ProductVersion " + d.packageVersion +
                        ", vorta.dll " +
                        (d.packageKeyFileVersion.empty() ? "(none)" : d.packageKeyFileVersion));
        std::string instance = d.instanceName.empty()
                                   ? std::string("no instance named beside the package")
                                   : d.instanceName + " " + d.instanceProductCode;
        if (d.adminUpdate)
            instance += "; admupdt.cfg: instance handling off";
        row("instance", instance);
        row("installed state", stateText(d.installedState));
        std::string ukraine;
        if (!d.ukraineRuleOn)
            ukraine = "off (language given with /l)";
        else {
            ukraine = std::to_string(d.ukraineSigns) + " of 6 signs point to Ukraine";
            if (!d.ukraineSignsFound.empty()) {
                ukraine += " (";
                for (std::size_t i = 0; i < d.ukraineSignsFound.size(); ++i)
                    ukraine += (i ? ", " : "") + d.ukraineSignsFound[i];
                ukraine += ")";
            }
            ukraine +=
                d.ukraineApplied ? ": Ukrainian, COUNTRY=UA added" : ": not applied (needs 2)";
        }
        row("Ukraine rule", ukraine);
        std::string transforms = d.transforms.empty() ? std::string("none") : d.transforms;
        if (!d.languageTransform.empty())
            transforms += std::string("; ") + d.languageTransform +
                          (d.languageTransformPresent ? " is beside the launcher"
                                                      : " is not beside the launcher");
        row("transforms", transforms);
    }

    out << "\nBoxes\n";
    if (r.boxes.empty())
        out << "  none\n";
    for (const BoxShown& b : r.boxes)
        out << "  caption " << (b.captionIsNull ? "(null)" : "\"" + b.caption + "\"") << ", style "
            << hex(b.style, 8) << " (" << boxStyleText(b.style) << "): \"" << oneLine(b.text)
            << "\"\n";

    out << "\nInstaller\n";
    if (!r.installer) {
        out << "  not called\n";
    } else {
        out << "  package       " << r.installer->packagePath << "\n";
        out << "  command line  [" << r.installer->commandLine << "]\n";
        out << "  UI level      " << r.installer->uiLevel << "\n";
        if (!r.installer->logFile.empty())
            out << "  log           " << r.installer->logFile << "\n";
    }
    for (const std::string& p : r.processesRun)
        out << "  ran first     " << p << "\n";
    if (!r.standardOutput.empty()) {
        out << "\nStandard output\n";
        std::istringstream lines(r.standardOutput);
        std::string line;
        while (std::getline(lines, line))
            out << "  " << line << "\n";
    }
    out << "\nExit code " << r.exitCode << " (" << exitText(r) << ")\n";
    if (!r.inconsistency.empty())
        out << "\nINTERNAL: " << r.inconsistency << "\n";
    out << "\nWarnings\n";
    if (r.warnings.empty())
        out << "  none\n";
    for (const Warning& w : r.warnings)
        out << "  " << where(w) << ": " << w.message << "\n";
    return out.str();
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20)
                out += hex(c, 4).replace(0, 2, "\\u");
            else
                out += char(c);
        }
    }
    return out + "\"";
}

namespace {

std::string str(const std::string& s) {
    return jsonString(s);
}
std::string boolean(bool b) {
    return b ? "true" : "false";
}
std::string orNull(const std::string& s) {
    return s.empty() ? "null" : jsonString(s);
}

std::string resultObject(const CheckResult& r, const std::string& indent) {
    const Decisions& d = r.decisions;
    const Profile& p = r.profile;
    std::ostringstream o;
    std::string i1 = indent + "  ", i2 = i1 + "  ";
    o << "{\n";
    o << i1 << "\"medium\": " << str(r.medium) << ",\n";
    o << i1 << "\"launcher\": " << str(r.placement.launcherPath()) << ",\n";
    o << i1 << "\"profile\": {\"name\": " << str(p.name)
      << ", \"windows\": " << str(windowsText(p.windows))
      << ", \"user_language\": " << p.userLanguage << ", \"system_language\": " << p.systemLanguage
      << ", \"msi_runtime\": " << (p.msiRuntime ? str(wtext::toUtf8(*p.msiRuntime)) : "null")
      << "},\n";
    o << i1 << "\"arguments\": " << str(r.arguments) << ",\n";
    o << i1 << "\"read\": [";
    for (std::size_t k = 0; k < r.read.size(); ++k) {
        const SettingRead& s = r.read[k];
        o << (k ? "," : "") << "\n"
          << i2 << "{\"file\": " << str(s.file) << ", \"line\": " << s.line
          << ", \"section\": " << str(s.section) << ", \"key\": " << str(s.key)
          << ", \"value\": " << (s.line ? str(s.value) : "null") << "}";
    }
    o << (r.read.empty() ? "" : "\n" + i1) << "],\n";
    o << i1 << "\"decisions\": {\n";
    o << i2 << "\"settings_found\": " << boolean(d.settingsFound) << ",\n";
    o << i2 << "\"malformed\": " << orNull(d.malformed) << ",\n";
    o << i2 << "\"usage\": " << boolean(d.usageAsked) << ",\n";
    o << i2 << "\"windows_accepted\": " << boolean(d.windowsAccepted) << ",\n";
    o << i2 << "\"mode\": " << str(d.installMode) << ",\n";
    o << i2 << "\"ui_level\": " << d.uiLevel << ",\n";
    o << i2 << "\"language\": " << d.languageId << ",\n";
    o << i2 << "\"language_hex\": " << str(hex(d.languageId, 4)) << ",\n";
    o << i2 << "\"language_given\": " << boolean(d.languageGiven) << ",\n";
    o << i2 << "\"language_reason\": " << str(d.languageReason) << ",\n";
    o << i2 << "\"message_file\": " << orNull(d.messageFile) << ",\n";
    o << i2 << "\"message_section\": " << orNull(d.messageSection) << ",\n";
    o << i2 << "\"required_runtime\": " << orNull(d.requiredRuntime) << ",\n";
    o << i2 << "\"installed_runtime\": " << orNull(d.installedRuntime) << ",\n";
    o << i2 << "\"runtime_older\": " << boolean(d.runtimeOlder) << ",\n";
    o << i2 << "\"runtime_setup_ran\": " << boolean(d.runtimeSetupRan) << ",\n";
    o << i2 << "\"package_path\": " << orNull(d.packagePath) << ",\n";
    o << i2 << "\"package_found\": " << boolean(d.packageFound) << ",\n";
    o << i2 << "\"package\": {\"product_code\": " << orNull(d.packageProductCode)
      << ", \"product_version\": " << orNull(d.packageVersion)
      << ", \"key_file_version\": " << orNull(d.packageKeyFileVersion)
      << ", \"package_code\": " << orNull(d.packageCode) << "},\n";
    o << i2 << "\"instance\": {\"name\": " << orNull(d.instanceName)
      << ", \"product_code\": " << orNull(d.instanceProductCode) << "},\n";
    o << i2 << "\"admin_update\": " << boolean(d.adminUpdate) << ",\n";
    o << i2 << "\"installed_state\": " << d.installedState << ",\n";
    o << i2 << "\"ukraine\": {\"rule_on\": " << boolean(d.ukraineRuleOn)
      << ", \"signs\": " << d.ukraineSigns << ", \"signs_found\": [";
    for (std::size_t k = 0; k < d.ukraineSignsFound.size(); ++k)
        o << (k ? ", " : "") << str(d.ukraineSignsFound[k]);
    o << "], \"applied\": " << boolean(d.ukraineApplied) << "},\n";
    o << i2 << "\"transforms\": " << orNull(d.transforms) << ",\n";
    o << i2 << "\"language_transform\": " << orNull(d.languageTransform) << ",\n";
    o << i2 << "\"language_transform_present\": " << boolean(d.languageTransformPresent) << "\n";
    o << i1 << "},\n";
    o << i1 << "\"boxes\": [";
    for (std::size_t k = 0; k < r.boxes.size(); ++k) {
        const BoxShown& b = r.boxes[k];
        o << (k ? "," : "") << "\n"
          << i2 << "{\"caption\": " << (b.captionIsNull ? "null" : str(b.caption))
          << ", \"style\": " << b.style << ", \"style_text\": " << str(boxStyleText(b.style))
          << ", \"text\": " << str(b.text) << "}";
    }
    o << (r.boxes.empty() ? "" : "\n" + i1) << "],\n";
    o << i1 << "\"installer\": ";
    if (r.installer)
        o << "{\"package\": " << str(r.installer->packagePath)
          << ", \"command_line\": " << str(r.installer->commandLine)
          << ", \"ui_level\": " << r.installer->uiLevel
          << ", \"log\": " << orNull(r.installer->logFile) << "},\n";
    else
        o << "null,\n";
    o << i1 << "\"processes_run\": [";
    for (std::size_t k = 0; k < r.processesRun.size(); ++k)
        o << (k ? ", " : "") << str(r.processesRun[k]);
    o << "],\n";
    o << i1 << "\"standard_output\": " << str(r.standardOutput) << ",\n";
    o << i1 << "\"started\": " << boolean(r.started()) << ",\n";
    o << i1 << "\"exit_code\": " << r.exitCode << ",\n";
    if (!r.inconsistency.empty())
        o << i1 << "\"inconsistency\": " << str(r.inconsistency) << ",\n";
    o << i1 << "\"warnings\": [";
    for (std::size_t k = 0; k < r.warnings.size(); ++k) {
        const Warning& w = r.warnings[k];
        o << (k ? "," : "") << "\n"
          << i2 << "{\"file\": " << orNull(w.file) << ", \"line\": " << w.line
          << ", \"message\": " << str(w.message) << "}";
    }
    o << (r.warnings.empty() ? "" : "\n" + i1) << "]\n";
    o << indent << "}";
    return o.str();
}

} // namespace

std::string jsonReport(const CheckResult& r) {
    return resultObject(r, "") + "\n";
}

std::string matrixJson(const std::vector<CheckResult>& results) {
    std::string out = "[";
    for (std::size_t k = 0; k < results.size(); ++k)
        out += (k ? ",\n  " : "\n  ") + resultObject(results[k], "  ");
    return out + (results.empty() ? "]\n" : "\n]\n");
}

std::string matrixTable(const std::vector<CheckResult>& results) {
    std::vector<std::vector<std::string>> rows{
        {"profile", "language", "transforms", "command line", "result"}};
    for (const CheckResult& r : results) {
        const Decisions& d = r.decisions;
        std::string language = hex(d.languageId, 4);
        std::string name = languageName(d.languageId);
        if (!name.empty())
            language += " " + name;
        if (d.ukraineApplied)
            language += " (UA)";
        std::string result = std::to_string(r.exitCode) + " " + exitText(r);
        if (!r.started() && !r.boxes.empty())
            result += ": box \"" + oneLine(r.boxes[0].text).substr(0, 40) + "\"";
        rows.push_back({r.profile.name, language, d.transforms.empty() ? "-" : d.transforms,
                        r.installer ? "[" + r.installer->commandLine + "]" : "-", result});
    }
    // Column widths in code points, so UTF-8 texts line up.
    auto width = [](const std::string& s) {
        std::size_t n = 0;
        for (unsigned char c : s)
            n += (c & 0xC0) != 0x80;
        return n;
    };
    std::vector<std::size_t> widths(5, 0);
    for (const auto& row : rows)
        for (std::size_t c = 0; c < 5; ++c)
            widths[c] = std::max(widths[c], width(row[c]));
    std::string out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::string line;
        for (std::size_t c = 0; c < 5; ++c) {
            line += rows[i][c];
            if (c < 4)
                line += std::string(widths[c] - width(rows[i][c]) + 2, ' ');
        }
        out += line + "\n";
        if (i == 0) {
            std::size_t total = 0;
            for (std::size_t c = 0; c < 5; ++c)
                total += widths[c] + (c < 4 ? 2 : 0);
            out += std::string(total, '-') + "\n";
        }
    }
    return out;
}
