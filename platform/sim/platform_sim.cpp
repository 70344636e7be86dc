// The simulated platform: every platform call answered from the scripted Machine.
#include "platform/sim/sim.h"
#include "platform/sim/sim_msi.h"
#include "platform/wtext.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace sim {

namespace {

struct FileEntry {
    bool isDirectory = false;
    std::shared_ptr<const std::string> bytes;
    // What a length query answers, when it is not the size of `bytes`.
    std::optional<std::uint64_t> reportedLength;
};

struct FileSystem {
    std::map<std::u16string, FileEntry> entries; // key: normalised path
    std::vector<std::pair<std::u16string, std::string>> mounts;
};

Machine& theMachine() {
    static Machine m;
    return m;
}

FileSystem& fileSystem() {
    static FileSystem fs;
    return fs;
}

char16_t lowerAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

std::u16string normalise(const std::u16string& path) {
    std::u16string n;
    n.reserve(path.size());
    for (char16_t c : path)
        n.push_back(c == u'/' ? u'\\' : lowerAscii(c));
    while (n.size() > 3 && n.back() == u'\\')
        n.pop_back();
    return n;
}

// "*" and "?" as FindFirstFileW matches them. A "*" first takes nothing; on a mismatch the most
// recent "*" takes one unit more and matching goes on from there. Earlier stars never need to
// be tried again, so a name is matched in at most pattern-times-name steps, whatever the stars.
bool wildcardMatch(std::u16string_view pattern, std::u16string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t star = std::u16string_view::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            starName = n;
        } else if (star != std::u16string_view::npos) {
            p = star + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

// Resolves a mounted Windows path to a host path, matching each component without regard
// to ASCII case. Empty when nothing of that name exists.
std::optional<std::filesystem::path> hostPath(const std::u16string& normalised) {
    namespace fs = std::filesystem;
    for (const auto& [prefix, host] : fileSystem().mounts) {
        if (normalised.compare(0, prefix.size(), prefix) != 0)
            continue;
        // The mapped folder must end where a path component ends ("c:\" is a whole root).
        if (normalised.size() > prefix.size() && prefix.back() != u'\\' &&
            normalised[prefix.size()] != u'\\')
            continue;
        fs::path current(host);
        std::u16string rest = normalised.substr(prefix.size());
        std::size_t pos = 0;
        bool found = true;
        while (pos < rest.size() && found) {
            if (rest[pos] == u'\\') {
                ++pos;
                continue;
            }
            std::size_t end = rest.find(u'\\', pos);
            std::u16string component =
                rest.substr(pos, end == std::u16string::npos ? end : end - pos);
            pos = end == std::u16string::npos ? rest.size() : end;
            found = false;
            std::error_code ec;
            if (!fs::is_directory(current, ec))
                break;
            for (const auto& entry : fs::directory_iterator(current, ec)) {
                std::u16string name = normalise(wtext::fromUtf8(entry.path().filename().string()));
                if (wildcardMatch(component, name)) {
                    current = entry.path();
                    found = true;
                    break;
                }
            }
        }
        if (found)
            return current;
    }
    return std::nullopt;
}

const FileEntry* findEntry(const std::u16string& normalised) {
    auto& entries = fileSystem().entries;
    auto it = entries.find(normalised);
    if (it != entries.end())
        return &it->second;
    // A pattern in the last component matches like FindFirstFileW.
    std::size_t slash = normalised.rfind(u'\\');
    std::u16string last = normalised.substr(slash == std::u16string::npos ? 0 : slash + 1);
    if (last.find_first_of(u"*?") != std::u16string::npos) {
        std::u16string folder = normalised.substr(0, slash == std::u16string::npos ? 0 : slash + 1);
        for (const auto& [key, entry] : entries) {
            if (key.compare(0, folder.size(), folder) == 0 &&
                key.find(u'\\', folder.size()) == std::u16string::npos &&
                wildcardMatch(last, key.substr(folder.size())))
                return &entry;
        }
    }
    return nullptr;
}

bool impliedDirectory(const std::u16string& normalised) {
    std::u16string prefix = normalised + u"\\";
    auto& entries = fileSystem().entries;
    auto it = entries.lower_bound(prefix);
    return it != entries.end() && it->first.compare(0, prefix.size(), prefix) == 0;
}

struct OpenFile {
    std::shared_ptr<const std::string> bytes;
    std::optional<std::uint64_t> reportedLength;
    std::size_t position = 0;
};

} // namespace

Machine& machine() {
    return theMachine();
}

void reset() {
    theMachine() = Machine{};
    fileSystem() = FileSystem{};
    auto& texts = theMachine().errorTexts;
    texts[1] = u"Incorrect function.\r\n";
    texts[2] = u"The system cannot find the file specified.\r\n";
    texts[1603] = u"Fatal error during installation.\r\n";
    texts[1618] = u"Another installation is already in progress.\r\n";
    texts[1619] = u"This installation package could not be opened.\r\n";
    texts[1620] = u"This installation package could not be opened.\r\n";
    resetMsi();
}

void addFile(const std::u16string& path, const std::string& bytes) {
    fileSystem().entries[normalise(path)] =
        FileEntry{false, std::make_shared<const std::string>(bytes), std::nullopt};
}

void addDirectory(const std::u16string& path) {
    fileSystem().entries[normalise(path)] = FileEntry{true, nullptr, std::nullopt};
}

void setReportedLength(const std::u16string& path, std::uint64_t length) {
    auto it = fileSystem().entries.find(normalise(path));
    if (it != fileSystem().entries.end())
        it->second.reportedLength = length;
}

void removeFile(const std::u16string& path) {
    fileSystem().entries.erase(normalise(path));
}

void mount(const std::u16string& windowsFolder, const std::string& hostFolder) {
    fileSystem().mounts.emplace_back(normalise(windowsFolder), hostFolder);
}

std::u16string systemFolder() {
    return u"C:\\windows\\system32";
}

} // namespace sim

namespace platform {

using sim::machine;

std::u16string commandLine() {
    return machine().commandLine;
}

bool moduleFileName(std::u16string& path) {
    const auto& m = machine();
    if (!m.hasModuleHandle)
        return false;
    // The same growth as the Win32 side, so a long path is tested through the same rule.
    std::size_t capacity = 1024;
    for (;;) {
        if (m.modulePath.size() < capacity) {
            path = m.modulePath;
            return true;
        }
        if (capacity >= 32768) {
            path = m.modulePath.substr(0, capacity - (m.moduleFileNameXpStyle ? 0 : 1));
            return true;
        }
        capacity *= 2;
    }
}

void protectDllSearch() {
    if (machine().hasSetDefaultDllDirectories)
        machine().dllSearchProtected = true;
}

bool fileExists(const std::u16string& path) {
    std::u16string n = sim::normalise(path);
    if (n.empty())
        return false;
    return sim::findEntry(n) || sim::impliedDirectory(n) || sim::hostPath(n).has_value();
}

InputFile::~InputFile() {
    close();
}

InputFile::InputFile(InputFile&& other) noexcept : handle_(other.handle_) {
    other.handle_ = nullptr;
}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

bool InputFile::open(const std::u16string& path, int& errnoValue) {
    close();
    std::u16string n = sim::normalise(path);
    std::shared_ptr<const std::string> bytes;
    std::optional<std::uint64_t> reportedLength;
    if (const sim::FileEntry* entry =
            n.find_first_of(u"*?") == std::u16string::npos ? sim::findEntry(n) : nullptr) {
        if (entry->isDirectory) {
            errnoValue = errnoAccessDenied;
            return false;
        }
        bytes = entry->bytes;
        reportedLength = entry->reportedLength;
    } else if (sim::impliedDirectory(n)) {
        errnoValue = errnoAccessDenied;
        return false;
    } else if (auto host = sim::hostPath(n);
               host && n.find_first_of(u"*?") == std::u16string::npos) {
        std::error_code ec;
        if (std::filesystem::is_directory(*host, ec)) {
            errnoValue = errnoAccessDenied;
            return false;
        }
        std::ifstream in(*host, std::ios::binary);
        if (!in) {
            errnoValue = errnoAccessDenied;
            return false;
        }
        bytes = std::make_shared<const std::string>(std::istreambuf_iterator<char>(in),
                                                    std::istreambuf_iterator<char>());
    } else {
        errnoValue = n.empty() ? errnoInvalidArgument : errnoNoEntry;
        return false;
    }
    handle_ = new sim::OpenFile{bytes, reportedLength, 0};
    return true;
}

bool InputFile::length(std::uint64_t& size) {
    if (!handle_)
        return false;
    auto* f = static_cast<sim::OpenFile*>(handle_);
    size = f->reportedLength.value_or(f->bytes->size());
    f->position = 0; // like seeking to the end, telling, and seeking back to the start
    return true;
}

std::size_t InputFile::read(std::uint8_t* buffer, std::size_t size) {
    if (!handle_)
        return 0;
    auto* f = static_cast<sim::OpenFile*>(handle_);
    std::size_t n = std::min(size, f->bytes->size() - f->position);
    std::copy_n(reinterpret_cast<const std::uint8_t*>(f->bytes->data()) + f->position, n, buffer);
    f->position += n;
    return n;
}

void InputFile::close() {
    delete static_cast<sim::OpenFile*>(handle_);
    handle_ = nullptr;
}

std::u16string errnoText(int errnoValue) {
    switch (errnoValue) {
    case errnoNoEntry:
        return u"No such file or directory";
    case errnoAccessDenied:
        return u"Permission denied";
    case errnoInvalidArgument:
        return u"Invalid argument";
    default:
        return u"Unknown error";
    }
}

std::u16string decodeAnsi(const std::uint8_t* data, std::size_t size) {
    // Windows-1252 stands in for the ANSI code page of the simulated machine.
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::u16string out(size, u'\0');
    for (std::size_t i = 0; i < size; ++i) {
        std::uint8_t b = data[i];
        out[i] = (b >= 0x80 && b < 0xA0) ? high[b - 0x80] : char16_t(b);
    }
    return out;
}

std::u16string decodeUtf8(const std::uint8_t* data, std::size_t size) {
    return wtext::fromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
}

bool isAlnum(char16_t c) {
    if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))
        return true;
    if (c == 0xAA || c == 0xB5 || c == 0xBA || (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7))
        return true;
    return (c >= 0x0100 && c <= 0x024F) || (c >= 0x0386 && c <= 0x03FF && c != 0x0387) ||
           (c >= 0x0400 && c <= 0x0481) || (c >= 0x048A && c <= 0x052F) ||
           (c >= 0x4E00 && c <= 0x9FFF);
}

bool isSpace(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

int messageBox(const std::u16string& text, const std::u16string* caption, std::uint32_t style) {
    sim::MessageBoxCall call;
    call.text = text;
    call.captionIsNull = caption == nullptr;
    if (caption)
        call.caption = *caption;
    call.style = style;
    machine().messageBoxes.push_back(call);
    return 1; // IDOK
}

void writeStdout(const std::u16string& text) {
    machine().standardOutput += text;
}

std::uint16_t userDefaultLangId() {
    return machine().userLangId;
}
std::uint16_t systemDefaultLangId() {
    return machine().systemLangId;
}

bool getVersionEx(OsVersion& version) {
    if (!machine().getVersionSucceeds)
        return false;
    version = machine().version;
    return true;
}

int getLocaleInfoNumber(std::uint32_t locale, std::uint32_t type, std::uint32_t& value,
                        int bufferChars) {
    const auto& m = machine();
    if (locale == localeInvariant && type == localeCustomLanguageQuery) {
        if (bufferChars < 1)
            return 0;
        if (m.customLocaleResult != 0)
            value = m.customLocaleValue;
        return m.customLocaleResult;
    }
    if ((type & ~localeNoUserOverride) == localeCountryNumber && bufferChars >= 2) {
        // The user's country setting overrides the country of the user's own locale, asked as
        // LOCALE_USER_DEFAULT or by its number, unless LOCALE_NOUSEROVERRIDE is asked for; then
        // the locale's own country answers, as for any other locale.
        const bool noOverride = (type & localeNoUserOverride) != 0;
        const std::uint16_t language =
            locale == localeUserDefault ? m.userLangId : std::uint16_t(locale);
        std::optional<std::uint32_t> code;
        if (!noOverride &&
            (locale == localeUserDefault || (language == m.userLangId && m.userCountryCode))) {
            code = m.userCountryCode;
        } else if (auto it = m.countryCodeOfLanguage.find(language);
                   it != m.countryCodeOfLanguage.end()) {
            code = it->second;
        }
        if (!code)
            return 0;
        value = *code;
        return 2;
    }
    return 0;
}

bool getLocaleInfoText(std::uint32_t locale, std::uint32_t type, std::u16string& text) {
    if (locale == localeUserDefault && type == localeCurrencySymbol && machine().currency) {
        text = machine().currency->substr(0, 511);
        return true;
    }
    return false;
}

bool keyboardLayouts(std::vector<std::uintptr_t>& layouts) {
    if (!machine().keyboardListSucceeds)
        return false;
    layouts = machine().keyboardLayouts;
    return true;
}

std::int32_t userGeoId(std::uint32_t geoClass) {
    return geoClass == geoClassNation ? machine().geoId : -1;
}

namespace {
int conditionShift(std::uint32_t typeBit) {
    int index = 0;
    while (typeBit > 1) {
        typeBit >>= 1;
        ++index;
    }
    return index * 3;
}

// One comparison of VerifyVersionInfoW; false for a condition that is none of the five, which
// Windows refuses as a bad argument.
bool compareWith(std::uint8_t condition, std::int64_t have, std::int64_t want) {
    switch (condition) {
    case 1:
        return have == want;
    case 2:
        return have > want;
    case 3:
        return have >= want;
    case 4:
        return have < want;
    case 5:
        return have <= want;
    default:
        return false;
    }
}
} // namespace

std::uint64_t verSetConditionMask(std::uint64_t mask, std::uint32_t typeBit,
                                  std::uint8_t condition) {
    if (typeBit == 0 || condition == 0)
        return mask;
    for (std::uint32_t bit = 1; bit <= 0x80; bit <<= 1) {
        if (typeBit & bit) {
            int shift = conditionShift(bit);
            mask &= ~(std::uint64_t(7) << shift);
            mask |= std::uint64_t(condition & 7) << shift;
        }
    }
    return mask;
}

bool verifyVersionInfo(const VersionRequirement& required, std::uint32_t typeMask,
                       std::uint64_t conditionMask) {
    const OsVersion& have = machine().version;
    auto condition = [&](std::uint32_t bit) {
        return std::uint8_t((conditionMask >> conditionShift(bit)) & 7);
    };
    // The build number is tested on its own. Major, minor, service-pack major and minor are one
    // hierarchy, compared in that order: the first level that differs decides, and the levels
    // below it are not looked at. Every level that is looked at needs a condition of its own:
    // a bit of the type mask whose condition was never set fails the call.
    if ((typeMask & verBuildNumber) &&
        !compareWith(condition(verBuildNumber), have.build, required.build))
        return false;
    struct Level {
        std::uint32_t bit;
        std::int64_t have;
        std::int64_t want;
    };
    const Level levels[] = {
        {verMajorVersion, have.major, required.major},
        {verMinorVersion, have.minor, required.minor},
        {verServicePackMajor, have.servicePackMajor, required.servicePackMajor},
        {verServicePackMinor, have.servicePackMinor, required.servicePackMinor}};
    for (const Level& level : levels) {
        if (!(typeMask & level.bit))
            continue;
        const std::uint8_t c = condition(level.bit);
        if (!compareWith(c, level.have, level.want))
            return false;
        if (level.have != level.want)
            return true; // decided here
    }
    return true;
}

bool runProcessAndWait(const std::u16string& path) {
    auto& m = machine();
    if (!m.processCreationSucceeds || !fileExists(path))
        return false;
    m.processesRun.push_back(path);
    m.events.push_back(u"run " + path);
    if (m.onProcessRun)
        m.onProcessRun(path);
    return true;
}

ModuleHandle loadSystemLibrary(const std::u16string& name) {
    auto& m = machine();
    auto it = m.libraries.find(sim::normalise(name));
    if (it == m.libraries.end())
        return nullptr;
    m.librariesLoaded.push_back(sim::systemFolder() + u"\\" + name);
    m.events.push_back(u"load " + it->first);
    ++m.librariesOpen;
    return &it->second;
}

void* libraryProc(ModuleHandle module, const char* exportName) {
    if (!module)
        return nullptr;
    const auto& exports = static_cast<sim::Library*>(module)->exports;
    auto it = exports.find(exportName);
    return it == exports.end() ? nullptr : it->second;
}

void freeLibrary(ModuleHandle module) {
    if (!module)
        return;
    auto& m = machine();
    --m.librariesOpen;
    for (const auto& [name, library] : m.libraries)
        if (&library == module)
            m.events.push_back(u"free " + name);
}

bool systemDllProductVersion(const std::u16string& name, std::uint32_t& versionMs,
                             std::uint32_t& versionLs) {
    const auto& versions = machine().dllProductVersions;
    auto it = versions.find(sim::normalise(name));
    if (it == versions.end())
        return false;
    versionMs = it->second.first;
    versionLs = it->second.second;
    return true;
}

bool systemErrorText(std::uint32_t code, std::u16string& text) {
    const auto& texts = machine().errorTexts;
    auto it = texts.find(code);
    if (it == texts.end())
        return false;
    text = it->second;
    return true;
}

std::int32_t coInitialize() {
    return machine().coInitializeResult;
}

} // namespace platform
