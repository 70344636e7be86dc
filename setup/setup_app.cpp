#include "setup/setup_app.h"

#include "cmdline/option_parser.h"
#include "cmdline/option_table.h"
#include "cmdline/tokenizer.h"
#include "installer/instance_description.h"
#include "installer/msi_library.h"
#include "installer/msi_runtime.h"
#include "locale/country.h"
#include "locale/language.h"
#include "platform/msi_api.h"
#include "platform/platform.h"
#include "platform/wtext.h"
#include "setup/decision_record.h"
#include "setup/property_string.h"
#include "setup/setup_ini.h"
#include "sysreq/windows_requirement.h"

#include <optional>

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

SetupApp::SetupApp(DecisionRecord* record) : record(record) {
    const DefaultLanguage language = defaultLanguage();
    languageId = language.languageId;
    if (record) {
        record->language.languageId = languageId;
        record->language.source = language.source;
    }
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

InstalledState SetupApp::installedProductState() const {
    return ::installedProductState(productCode, productVersion, instanceProductCode);
}

bool SetupApp::checkWindowsRequirement(const std::u16string& sectionName) const {
    return ::checkWindowsRequirement(settings, sectionName);
}

bool SetupApp::init(const std::u16string& settingsName) {
    const std::u16string settingsPath = setupFilePath(settingsName);
    if (!platform::fileExists(settingsPath)) {
        if (record)
            record->initOutcome = InitOutcome::NoSettings;
        return false;
    }
    // A file that is there but cannot be read is refused like a malformed one, not taken as
    // settings without any section; an empty file is read as one without any.
    if (const IniLoadResult read = settings.load(settingsPath);
        read.status == IniLoadStatus::unreadable || read.status == IniLoadStatus::malformed)
        return refuse(read.describe());
    readStartupSettings();
    applyCommandLine();
    if (!loadMessages())
        return false;
    if (showUsage) {
        showUsageBox();
        return false;
    }
    return acceptsThisWindows();
}

bool SetupApp::refuse(const std::u16string& line) {
    refusal = line;
    if (record) {
        record->initOutcome = InitOutcome::UnreadableFile;
        record->refusal = line;
    }
    return false;
}

void SetupApp::readStartupSettings() {
    auto read = [this](const std::u16string& section, const char16_t* key) {
        std::u16string value = settings.getSection(section).getValue(key);
        if (record)
            record->settings.read.push_back({section, key, value});
        return value;
    };
    const std::u16string packageSection = read(setupIni::startup, setupIni::packageName);
    productVersion = parseVersion(read(setupIni::startup, setupIni::productVersion));
    cmdLine = read(setupIni::startup, setupIni::cmdLine);
    productCode = read(setupIni::startup, setupIni::productCode);
    const std::u16string location = read(packageSection, setupIni::location);
    packagePath = isAbsolutePath(location) ? location : setupDir + location;
    if (record)
        record->settings.packagePath = packagePath;
}

void SetupApp::applyCommandLine() {
    OptionParser parser;
    parser.setArguments(tokenizeCommandLine(platform::commandLine()));
    parser.setLongOptionsEnabled(false);
    parser.defineOptions(optionTable);
    const std::int32_t parseResult = parser.parse();

    if (parser.isSet(option::adminInstall))
        installMode = InstallMode::AdminInstall;
    else if (parser.isSet(option::uninstall))
        installMode = InstallMode::Uninstall;
    if (parser.isSet(option::usage)) {
        showUsage = true;
        usageText = parser.usage();
    }
    if (parser.isSet(option::silent))
        uiLevel = uiLevelNone;
    if (parser.isSet(option::language)) {
        languageId = languageIdFromCode(parser.value(option::language));
        languageGiven = true;
    }
    if (parser.isSet(option::debugLog)) {
        // Quotes group a path with blanks on the command line but stay in the token; a
        // Windows file name cannot hold them, so the log path is taken without them.
        debugLog = parser.value(option::debugLog);
        std::erase(debugLog, u'"');
    }
    std::vector<std::u16string> positional;
    for (std::size_t i = 0; i < parser.parameterCount(); ++i)
        positional.push_back(parser.parameterValue(i));
    cmdLine = withPositionalArguments(cmdLine, positional);

    if (record) {
        record->commandLine = {parser.arguments(),
                               parseResult,
                               parser.diagnostic(),
                               parser.stoppedAt(),
                               installMode,
                               uiLevel,
                               debugLog};
        if (languageGiven) {
            record->language.source = LanguageSource::Option;
            record->language.code = parser.value(option::language);
            record->language.codeKnown = isKnownLanguageCode(record->language.code);
        }
        record->language.languageId = languageId;
    }
}

bool SetupApp::loadMessages() {
    const std::u16string tag = languageTag(languageId);
    std::u16string file = messageFileName(languageId);
    const bool ownFile = platform::fileExists(setupFilePath(file));
    if (!ownFile)
        file = messageFileName(fallbackMessageLanguage);
    if (record)
        record->messages = {file, tag, ownFile};
    IniFile document;
    // A language file that cannot be read counts as absent; one that cannot be split into
    // sections is refused.
    if (const IniLoadResult read = document.load(setupFilePath(file));
        read.status == IniLoadStatus::malformed)
        return refuse(read.describe());
    messages = document.getSection(tag);
    return true;
}

void SetupApp::showUsageBox() const {
    if (record)
        record->initOutcome = InitOutcome::UsageShown;
    std::u16string text = usageText;
    const std::u16string lines[] = {messages.getValue(u"1203"), messages.getValue(u"1204"),
                                    messages.getValue(u"1205"), messages.getValue(u"1206")};
    bool localized = false;
    for (const auto& line : lines)
        localized = localized || !line.empty();
    if (localized)
        text =
            lines[0] + u"\n" + lines[1] + u"\n" + lines[2] + u"\n" + lines[3] + u"\n\n" + usageText;
    const std::u16string caption;
    platform::messageBox(text, &caption, platform::mbIconInformation);
}

bool SetupApp::acceptsThisWindows() {
    const IniSection msiVersionSection = settings.getSection(setupIni::msiVersion);
    const std::u16string requiredRuntime = msiVersionSection.getKeyAt(0);
    const std::u16string listSection = msiVersionSection.getValue(requiredRuntime);
    const std::vector<WindowsEntryCheck> entries = checkWindowsEntries(settings, listSection);
    bool accepted = false;
    for (const WindowsEntryCheck& entry : entries)
        accepted = accepted || entry.met;
    if (record) {
        record->windows = {requiredRuntime, listSection, entries, accepted};
        record->initOutcome = accepted ? InitOutcome::Accepted : InitOutcome::WindowsRefused;
    }
    if (!accepted) {
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

void SetupApp::updateRuntime() {
    const std::u16string setupProgram = setupFilePath(u"instmsi30.exe");
    const RuntimeUpdate update = updateRuntimeIfOlder(msiVersion, setupProgram);
    if (record)
        record->runtime = {update.installedVersion, update.older,
                           platform::fileExists(setupProgram), update.setupStarted};
}

void SetupApp::inspectPackage(bool adminUpdate) {
    const std::uint32_t inspected = package.inspect(packagePath);
    if (!adminUpdate)
        instanceProductCode = package.instanceProductCode();
    if (!record)
        return;
    PackageDecision& p = record->package;
    p.path = packagePath;
    p.inspectResult = inspected;
    p.productCode = package.packageProductCode();
    p.productVersion = package.packageProductVersion();
    p.keyFileVersion = package.packageKeyFileVersion();
    p.packageCode = package.packageCodeValue();
    p.instanceDescriptionFound = platform::fileExists(instanceDescriptionPath(packagePath));
    p.instanceName = package.instanceName();
    p.instanceProductCode = package.instanceProductCode();
    p.adminUpdate = adminUpdate;
}

std::u16string SetupApp::languageTransform() {
    if (languageId == 0)
        return {};
    const std::u16string transform = languageTransformName(languageId);
    const bool found = platform::fileExists(setupFilePath(transform));
    if (record) {
        record->transforms.languageTransform = transform;
        record->transforms.languageTransformFound = found;
    }
    return found ? transform : std::u16string();
}

std::uint32_t SetupApp::run() {
    const bool adminUpdate = platform::fileExists(setupFilePath(u"admupdt.cfg"));
    updateRuntime();
    inspectPackage(adminUpdate);
    const InstalledState state = installedProductState();
    if (record)
        record->package.installed = state;

    std::u16string administrative;
    // The instance's name may be empty: a description whose ProductCode line stands before
    // any section names no instance, and its transform is still handed over (":.mst;").
    std::optional<std::u16string> instanceTransform;
    if (installMode == InstallMode::AdminInstall)
        administrative = administrativePart(setupDir, exeName);
    else if (state == InstalledState::Instance && !adminUpdate &&
             !package.instanceProductCode().empty())
        instanceTransform = package.instanceName();

    if (!languageGiven) {
        const CountryAnswer ukraine = askUserInCountry(u"UK");
        if (ukraine.inCountry) {
            languageId = languageIdFromCode(u"uk");
            cmdLine = withCountry(cmdLine);
        }
        if (record)
            record->country = {true, ukraine.signs, ukraine.inCountry};
    }
    const std::u16string transforms = transformSetting(instanceTransform, languageTransform());
    if (record) {
        record->transforms.instanceTransformUsed = instanceTransform.has_value();
        record->transforms.instanceTransform = instanceTransform.value_or(std::u16string());
        record->transforms.setting = transforms;
    }

    if (!debugLog.empty())
        msiLibrary().enableLog(msi::logModeVerbose, debugLog, msi::logFlushEachLine);
    const std::u16string properties = composePropertyString(administrative, transforms, cmdLine);
    msiLibrary().setInternalUI(static_cast<std::int32_t>(uiLevel));
    const std::uint32_t result = package.install(installMode, properties);
    if (record) {
        record->finalLanguageId = languageId;
        record->installer = {true, installerCommandLine(installMode, properties), result};
    }
    showFailure(result);
    return result;
}

void SetupApp::showFailure(std::uint32_t result) const {
    // An installation that went through and the user's own cancel are not errors; a silent run
    // never waits on a box.
    if (msi::installSucceeded(result) || result == msi::errorInstallUserExit || silent())
        return;
    std::u16string text;
    if (!platform::systemErrorText(result, text))
        text = u"Unknown error " + wtext::formatDecimal(result) + u".";
    const std::u16string caption = u"Error";
    platform::messageBox(text, &caption, platform::mbIconError | platform::mbSystemModal);
}
