#include "setup/setup_app.h"

#include "cmdline/option_parser.h"
#include "cmdline/option_table.h"
#include "cmdline/tokenizer.h"
#include "installer/msi_library.h"
#include "installer/msi_runtime.h"
#include "locale/country.h"
#include "locale/language.h"
#include "platform/platform.h"
#include "platform/wtext.h"
#include "sysreq/windows_requirement.h"

namespace {

// A drive letter with a colon and a separator, or a UNC start: a Location that names its
// own place is taken as it is, since prefixing the program's folder could never exist.
bool isAbsolutePath(const std::u16string& path) {
    if (path.size() >= 3 &&
        ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z')) &&
        path[1] == u':' && (path[2] == u'\\' || path[2] == u'/'))
        return true;
    return path.size() >= 2 &&
           ((path[0] == u'\\' && path[1] == u'\\') || (path[0] == u'/' && path[1] == u'/'));
}

} // namespace

SetupApp::SetupApp() : languageId(defaultLanguageId()) {
    std::u16string path;
    if (!platform::moduleFileName(path))
        return;
    setupDir = path;
    std::size_t slash = setupDir.rfind(u'\\');
    if (slash == std::u16string::npos)
        return;
    exeName = setupDir.substr(slash + 1);
    setupDir.resize(slash);
    if (setupDir.empty() || setupDir.back() != u'\\')
        setupDir.push_back(u'\\');
}

std::u16string SetupApp::setupFilePath(const std::u16string& name) const {
    return setupDir + name;
}

std::uint32_t SetupApp::languageIdFromCode(const std::u16string& code) const {
    return ::languageIdFromCode(code, languageId);
}

int SetupApp::installedProductState() const {
    return ::installedProductState(productCode, productVersion, instanceProductCode);
}

bool SetupApp::checkWindowsRequirement(const std::u16string& sectionName) const {
    return ::checkWindowsRequirement(settings, sectionName);
}

bool SetupApp::init(const std::u16string& settingsName) {
    std::u16string settingsPath = setupFilePath(settingsName);
    if (!platform::fileExists(settingsPath))
        return false;
    settings.load(settingsPath);

    IniSection startup = settings.getSection(u"Startup");
    std::u16string packageSection = startup.getValue(u"PackageName");
    productVersion = parseVersion(startup.getValue(u"ProductVersion"));
    cmdLine = startup.getValue(u"CmdLine");
    productCode = startup.getValue(u"ProductCode");

    std::u16string location = settings.getSection(packageSection).getValue(u"Location");
    packagePath = isAbsolutePath(location) ? location : setupDir + location;

    applyCommandLine();

    std::u16string languageTag = wtext::formatHex04(languageId).substr(0, 100);
    std::u16string languageFile = languageTag + u".ini";
    if (!platform::fileExists(setupFilePath(languageFile)))
        languageFile = u"0x0409.ini";
    IniFile languageDocument;
    languageDocument.load(setupFilePath(languageFile));
    messages = languageDocument.getSection(languageTag);

    if (showUsage) {
        std::u16string text = usageText;
        std::u16string lines[] = {messages.getValue(u"1203"), messages.getValue(u"1204"),
                                  messages.getValue(u"1205"), messages.getValue(u"1206")};
        bool localized = false;
        for (const auto& line : lines)
            localized = localized || !line.empty();
        if (localized)
            text = lines[0] + u"\n" + lines[1] + u"\n" + lines[2] + u"\n" + lines[3] + u"\n\n" +
                   usageText;
        const std::u16string caption;
        platform::messageBox(text, &caption, platform::mbIconInformation);
        return false;
    }

    IniSection msiVersionSection = settings.getSection(u"MsiVersion");
    std::u16string requiredRuntime = msiVersionSection.getKeyAt(0);
    if (!checkWindowsRequirement(msiVersionSection.getValue(requiredRuntime))) {
        // An unattended run must never wait on a box nobody can click.
        if (!silent()) {
            const std::u16string caption;
            platform::messageBox(messages.getValue(u"1150"), &caption, platform::mbIconInformation);
        }
        return false;
    }
    msiVersion = parseVersion(requiredRuntime);
    return true;
}

void SetupApp::applyCommandLine() {
    OptionParser parser;
    parser.setArguments(tokenizeCommandLine(platform::commandLine()));
    parser.setLongOptionsEnabled(false);
    parser.defineOptions(optionTable);
    parser.parse();

    if (parser.isSet(u"a"))
        installMode = AdminInstall;
    else if (parser.isSet(u"x"))
        installMode = Uninstall;
    if (parser.isSet(u"?")) {
        showUsage = true;
        usageText = parser.usage();
    }
    if (parser.isSet(u"S"))
        uiLevel = uiLevelNone;
    if (parser.isSet(u"l")) {
        languageId = languageIdFromCode(parser.value(u"l"));
        languageGiven = true;
    }
    if (parser.isSet(u"debuglog")) {
        // Quotes group a path with blanks on the command line but stay in the token; a
        // Windows file name cannot hold them, so the log path is taken without them.
        debugLog = parser.value(u"debuglog");
        std::erase(debugLog, u'"');
    }
    if (parser.parameterCount() > 0) {
        if (!cmdLine.empty())
            cmdLine += u' ';
        for (std::size_t i = 0; i < parser.parameterCount(); ++i)
            cmdLine += parser.parameterValue(i) + u' ';
    }
}

std::uint32_t SetupApp::run() {
    std::u16string transforms = u"TRANSFORMS=";
    bool adminUpdate = platform::fileExists(setupFilePath(u"admupdt.cfg"));

    updateRuntimeIfOlder(msiVersion, setupFilePath(u"instmsi30.exe"));
    package.inspect(packagePath);
    if (!adminUpdate)
        instanceProductCode = package.instanceProductCode();
    int state = installedProductState();

    std::u16string adminPart;
    if (installMode == AdminInstall) {
        std::u16string folder =
            setupDir.empty() ? setupDir : setupDir.substr(0, setupDir.size() - 1);
        adminPart = u"SETUPEXEDIR=\"" + folder + u"\" SETUPEXENAME=\"" + exeName + u"\"";
    } else if (state == 2 && !adminUpdate && !package.instanceProductCode().empty()) {
        // A transform stored inside the package, named after the installed instance.
        transforms += u":" + package.instanceName() + u".mst;";
    }

    if (!languageGiven && isUserInCountry(u"UK")) {
        languageId = languageIdFromCode(u"uk");
        if (!cmdLine.empty())
            cmdLine += u' ';
        cmdLine += u"COUNTRY=UA";
    }

    if (languageId != 0) {
        std::u16string transform = languageTransformName(languageId);
        if (platform::fileExists(setupFilePath(transform)))
            transforms += transform;
    }

    if (!debugLog.empty())
        msiLibrary().enableLog(msi::logModeVerbose, debugLog, msi::logFlushEachLine);

    if (transforms == u"TRANSFORMS=")
        transforms.clear();
    std::u16string properties = adminPart;
    if (!adminPart.empty() && !transforms.empty())
        properties += u' ';
    properties += transforms;
    properties += u' ';
    properties += cmdLine;

    msiLibrary().setInternalUI(static_cast<std::int32_t>(uiLevel));

    std::uint32_t result = package.install(installMode, properties);

    // Success, the user's own cancel and the two restart results are not errors; a silent
    // run never waits on a box.
    bool success = result == 0 || result == 1602 || result == 3010 || result == 1641;
    if (!success && !silent()) {
        std::u16string text;
        if (!platform::systemErrorText(result, text))
            text = u"Unknown error " + wtext::formatDecimal(result) + u".";
        const std::u16string caption = u"Error";
        platform::messageBox(text, &caption, platform::mbIconError | platform::mbSystemModal);
    }
    return result;
}
