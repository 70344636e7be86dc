// The whole launcher, as the entry runs it, on a simulated machine: a fuzzed Setup.ini, a
// fuzzed language file and a fuzzed command line, with the simulated Windows Installer.
//
// Input layout (every length is clamped to what is left):
//   byte 0   machine switches (bit 0 a user in Ukraine, bit 1 transforms 1033/1049/1058.mst
//            beside the program, bit 2 admupdt.cfg, bit 3 the product installed, bit 4 a
//            package folder naming an installed instance "Inst2", bits 5-6 the installer's
//            result 0/1602/1603/3010, bit 7 an old msi.dll and an instmsi30.exe)
//   byte 1   program switches (bits 0-1 the program's own path, bit 2 an English user instead
//            of a Russian one, bit 3 no language file, bit 4 MsiInstallProductW missing,
//            bit 5 no msi.dll at all)
//   2 bytes  little-endian length of the settings file, then its bytes
//   2 bytes  little-endian length of the language file, then its bytes
//   the rest the arguments after the program's path, as UTF-16LE code units up to the first
//            U+0000
//
// Checked on every input: nothing escapes runSetup and an exit code comes back; a refused
// start never reaches the installer and exits with 1; a start that reaches it makes exactly
// one call whose command line follows the installer command-line grammar (mode prefix,
// administrative folder settings, transforms, one space, then the tail), whose tail is the
// CmdLine setting with the positional arguments and the country setting, and whose user
// interface level follows /S; the exit code is the installer's result; every installer handle
// is closed before the installation and none is closed twice; an unattended run (/S) shows
// no box unless the usage was asked for.
#include "cmdline/option_parser.h"
#include "cmdline/option_table.h"
#include "cmdline/tokenizer.h"
#include "config/ini_file.h"
#include "fuzz/fuzz_input.h"
#include "installer/msi_library.h"
#include "installer/msi_package.h"
#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_msi.h"
#include "platform/wtext.h"
#include "setup/entry.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

const std::u16string productCode = u"{11111111-2222-3333-4444-555555555555}";
const std::u16string instanceCode = u"{99999999-2222-3333-4444-555555555555}";

using fuzzinput::check;

using fuzzinput::Reader;

bool consume(std::u16string_view& text, std::u16string_view piece) {
    if (text.substr(0, piece.size()) != piece)
        return false;
    text.remove_prefix(piece.size());
    return true;
}

// The transform setting at the start of `text`: "TRANSFORMS=", then an optional
// ":<instance>.mst;", then an optional "<decimal>.mst" naming a file beside the program; at
// least one of the two. Consumed when it matches.
bool consumeTransforms(std::u16string_view& text, const std::u16string& instanceName,
                       const std::u16string& setupDir) {
    std::u16string_view rest = text;
    if (!consume(rest, u"TRANSFORMS="))
        return false;
    bool any = false;
    if (!instanceName.empty() && consume(rest, u":" + instanceName + u".mst;"))
        any = true;
    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= u'0' && rest[digits] <= u'9')
        ++digits;
    if (digits > 0 && rest.substr(digits, 4) == u".mst") {
        std::u16string name(rest.substr(0, digits + 4));
        if (platform::fileExists(setupDir + name)) {
            rest.remove_prefix(digits + 4);
            any = true;
        }
    }
    if (!any)
        return false;
    text = rest;
    return true;
}

// The grammar of the installer's command line, with the pieces this run must produce:
//   [mode prefix] [administrative part] [SP if both it and transforms] [transforms] SP tail
bool followsGrammar(std::u16string_view line, int mode, const std::u16string& setupDir,
                    const std::u16string& exeName, const std::u16string& instanceName,
                    const std::u16string& tail) {
    if (mode == 1 && !consume(line, u"ACTION=ADMIN "))
        return false;
    if (mode == 2 && !consume(line, u"REMOVE=ALL "))
        return false;
    bool admin = false;
    if (mode == 1) {
        std::u16string folder =
            setupDir.empty() ? setupDir : setupDir.substr(0, setupDir.size() - 1);
        if (!consume(line, u"SETUPEXEDIR=\"" + folder + u"\" SETUPEXENAME=\"" + exeName + u"\""))
            return false;
        admin = true;
    }
    // The transforms are optional, and the tail may itself begin like them; either reading
    // may be the right one.
    for (bool withTransforms : {true, false}) {
        std::u16string_view rest = line;
        if (withTransforms) {
            if (admin && !consume(rest, u" "))
                continue;
            if (!consumeTransforms(rest, mode == 1 ? std::u16string() : instanceName, setupDir))
                continue;
        }
        if (consume(rest, u" ") && rest == tail)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char16_t* const modulePaths[] = {u"C:\\media\\setup.exe", u"C:\\setup.exe",
                                                  u"\\\\server\\share\\setup.exe", u"setup.exe"};
    static const std::uint32_t results[] = {0, 1602, 1603, 3010};

    Reader in{data, size};
    const std::uint8_t machineBits = in.byte();
    const std::uint8_t programBits = in.byte();
    const std::string settingsBytes = in.chunk();
    const std::string languageBytes = in.chunk();
    std::u16string arguments = in.restAsUtf16();
    // A process's command line is a C string: it cannot hold U+0000.
    arguments.resize(std::min(arguments.size(), arguments.find(u'\0')));

    // The process-wide binding points into the simulated library; drop it before the
    // machine is made anew.
    msiLibrary().unload();
    sim::reset();
    auto& m = sim::machine();
    m.modulePath = modulePaths[programBits & 3];
    std::u16string setupDir = m.modulePath;
    std::u16string exeName;
    if (std::size_t slash = setupDir.rfind(u'\\'); slash != std::u16string::npos) {
        exeName = setupDir.substr(slash + 1);
        setupDir.resize(slash + 1);
    }
    m.commandLine = u"\"" + m.modulePath + u"\"" + (arguments.empty() ? u"" : u" " + arguments);
    const bool english = (programBits & 4) != 0;
    m.userLangId = m.systemLangId = english ? 0x0409 : 0x0419;
    m.keyboardLayouts = {english ? 0x04090409u : 0x04190419u};
    m.currency = english ? u"$" : u"\u20BD";
    m.userCountryCode = english ? 1 : 7;
    m.geoId = english ? 244 : 203;
    const bool ukraine = (machineBits & 1) != 0;
    if (ukraine) {
        m.currency = u"\u20B4";
        m.geoId = 241;
    }

    sim::addFile(setupDir + u"Setup.ini", settingsBytes);
    if (!(programBits & 8))
        sim::addFile(setupDir + (english ? u"0x0409.ini" : u"0x0419.ini"), languageBytes);
    if (machineBits & 2) {
        for (const char16_t* name : {u"1033.mst", u"1049.mst", u"1058.mst"})
            sim::addFile(setupDir + name, "transform");
    }
    if (machineBits & 4)
        sim::addFile(setupDir + u"admupdt.cfg", "");
    sim::addMsiPackage(setupDir + u"product.msi",
                       sim::samplePackage(productCode, u"2.5.1", keyFileName, u"1.2.3.4"));
    auto withInstance = sim::samplePackage(productCode, u"2.5.1", keyFileName, u"1.2.3.4");
    withInstance.embeddedTransforms.insert(u"Inst2.mst");
    sim::addMsiPackage(setupDir + u"data\\product.msi", withInstance);
    if (machineBits & 8)
        sim::msi().products[productCode] = {u"2.5.1", u"C:\\Program Files\\Demo"};
    if (machineBits & 16) {
        sim::addFile(setupDir + u"data\\setup.ini",
                     "[Instances]\r\ncount=1\r\n1=Inst2\r\n[Inst2]\r\nProductCode=" +
                         wtext::toUtf8(instanceCode) + "\r\n");
        sim::msi().products[instanceCode] = {u"2.5.1", u"C:\\Program Files\\Demo2"};
    }
    sim::msi().installResult = results[(machineBits >> 5) & 3];
    if (machineBits & 128) {
        m.dllProductVersions[u"msi.dll"] = {(2u << 16) | 0u, (2600u << 16) | 0u};
        sim::addFile(setupDir + u"instmsi30.exe", "MZ");
    }
    if (programBits & 16)
        sim::hideMsiExport("MsiInstallProductW");
    const bool noMsi = (programBits & 32) != 0;
    if (noMsi)
        m.libraries.erase(u"msi.dll");

    // What the run must do, from the same command line and settings.
    OptionParser parser;
    parser.setArguments(tokenizeCommandLine(m.commandLine));
    parser.setLongOptionsEnabled(false);
    parser.defineOptions(optionTable);
    parser.parse();
    const bool silent = parser.isSet(option::silent);
    const bool helpAsked = parser.isSet(option::usage);
    const int mode = parser.isSet(option::adminInstall) ? 1
                     : parser.isSet(option::uninstall)  ? 2
                                                        : 0;
    IniFile settings;
    settings.load(setupDir + u"Setup.ini");
    const std::u16string cmdLineSetting = settings.getSection(u"Startup").getValue(u"CmdLine");
    std::u16string tail = cmdLineSetting;
    if (parser.parameterCount() > 0) {
        if (!tail.empty())
            tail += u' ';
        for (std::size_t i = 0; i < parser.parameterCount(); ++i)
            tail += parser.parameterValue(i) + u' ';
    }
    if (ukraine && !parser.isSet(option::language)) {
        if (!tail.empty())
            tail += u' ';
        tail += u"COUNTRY=UA";
    }

    const std::uint32_t exitCode = runSetup();

    const auto& installs = sim::msi().installs;
    // SETUP_FUZZ_TRACE=1 shows what each input did, for looking at one input by hand.
    static const bool trace = std::getenv("SETUP_FUZZ_TRACE") != nullptr;
    if (trace)
        std::fprintf(stderr, "exit %u, installs %zu: [%s] expected tail [%s]\n", exitCode,
                     installs.size(),
                     installs.empty() ? "" : wtext::toUtf8(installs.back().commandLine).c_str(),
                     wtext::toUtf8(tail).c_str());
    const std::u16string usage = parser.usage();
    const std::u16string& out = m.standardOutput;
    const bool refused = out.size() >= usage.size() &&
                         out.compare(out.size() - usage.size(), usage.size(), usage) == 0;
    check(installs.size() <= 1, "at most one installation");
    if (refused) {
        check(installs.empty(), "a refused start never reaches the installer");
        check(exitCode == 1, "a refused start exits with 1");
    } else {
        check(out.empty(), "a started run writes nothing to the standard output");
        check(!helpAsked, "the usage request never starts an installation");
        const bool bound = !noMsi && !(programBits & 16);
        check(installs.size() == (bound ? 1u : 0u), "a started run reaches a bound installer");
        check(exitCode == (bound ? sim::msi().installResult : 1u),
              "the exit code is the installer's result");
        if (bound) {
            const sim::MsiInstallCall& call = installs.back();
            check(call.handlesOpen == 0, "every installer handle is closed before installing");
            check(call.uiLevel == (silent ? msi::uiLevelNone : msi::uiLevelFull),
                  "the user-interface level follows /S");
            const std::u16string instanceName =
                (machineBits & 16) && !(machineBits & 4) ? u"Inst2" : u"";
            check(followsGrammar(call.commandLine, mode, setupDir, exeName, instanceName, tail),
                  "the installer's command line follows the grammar");
        }
    }
    check(sim::msi().badCloses == 0, "no installer handle is closed twice");
    if (silent && !helpAsked)
        check(m.messageBoxes.empty(), "an unattended run shows no box");

    msiLibrary().unload();
    return 0;
}
