// The simulated file system: files held in memory, Windows folders mapped onto host folders,
// names matched without regard to ASCII case, and the file reads of the platform layer.
#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"
#include "platform/wtext.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace sim {

namespace {

namespace fs = std::filesystem;

// Where reading a file fails, and with which system error.
struct ReadFailure {
    std::uint64_t offset = 0;
    std::uint32_t systemError = 0;
};

struct FileEntry {
    bool isDirectory = false;
    std::shared_ptr<const std::string> bytes;
    // What a length query answers, when it is not the size of `bytes`.
    std::optional<std::uint64_t> reportedLength;
    std::optional<ReadFailure> readFailure;
};

struct FileSystem {
    std::map<std::u16string, FileEntry> entries; // key: normalised path
    std::vector<std::pair<std::u16string, std::string>> mounts;
};

FileSystem& fileSystem() {
    static FileSystem fs;
    return fs;
}

// The part of a full path that ".." never climbs above: a drive ("C:"), a share (two
// backslashes, a server and a share name) or the current drive's root (one backslash); nothing
// for a relative path. `path` uses backslashes only.
std::size_t rootLength(const std::u16string& path) {
    if (path.rfind(u"\\\\", 0) == 0) {
        const std::size_t server = path.find(u'\\', 2);
        const std::size_t share =
            server == std::u16string::npos ? server : path.find(u'\\', server + 1);
        return share == std::u16string::npos ? path.size() : share;
    }
    if (path.size() >= 2 && path[1] == u':')
        return 2;
    return path.rfind(u'\\', 0) == 0 ? 1 : 0;
}

// Windows paths compare without regard to ASCII case, "." and ".." resolved.
std::u16string normalise(const std::u16string& path) {
    std::u16string n = fullPath(path);
    for (char16_t& c : n)
        c = wtext::lowerAscii(c);
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

// The first entry of the host folder `folder` whose name matches the normalised `component`.
std::optional<fs::path> childMatching(const fs::path& folder, const std::u16string& component) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return std::nullopt;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (wildcardMatch(component, normalise(wtext::fromUtf8(entry.path().filename().string()))))
            return entry.path();
    return std::nullopt;
}

// Follows the normalised components of `rest` down from the host folder `host`.
std::optional<fs::path> resolveUnder(const fs::path& host, const std::u16string& rest) {
    fs::path current = host;
    std::size_t pos = 0;
    while (pos < rest.size()) {
        if (rest[pos] == u'\\') {
            ++pos;
            continue;
        }
        std::size_t end = std::min(rest.find(u'\\', pos), rest.size());
        auto child = childMatching(current, rest.substr(pos, end - pos));
        if (!child)
            return std::nullopt;
        current = *child;
        pos = end;
    }
    return current;
}

// Resolves a mounted Windows path to a host path, matching each component without regard
// to ASCII case. Empty when nothing of that name exists.
std::optional<fs::path> hostPath(const std::u16string& normalised) {
    for (const auto& [prefix, host] : fileSystem().mounts) {
        if (normalised.compare(0, prefix.size(), prefix) != 0)
            continue;
        // The mapped folder must end where a path component ends ("c:\" is a whole root).
        if (normalised.size() > prefix.size() && prefix.back() != u'\\' &&
            normalised[prefix.size()] != u'\\')
            continue;
        if (auto found = resolveUnder(host, normalised.substr(prefix.size())))
            return found;
    }
    return std::nullopt;
}

bool hasWildcard(const std::u16string& path) {
    return path.find_first_of(u"*?") != std::u16string::npos;
}

const FileEntry* findEntry(const std::u16string& normalised) {
    auto& entries = fileSystem().entries;
    auto it = entries.find(normalised);
    if (it != entries.end())
        return &it->second;
    // A pattern in the last component matches like FindFirstFileW.
    std::size_t slash = normalised.rfind(u'\\');
    std::u16string last = normalised.substr(slash == std::u16string::npos ? 0 : slash + 1);
    if (!hasWildcard(last))
        return nullptr;
    std::u16string folder = normalised.substr(0, slash == std::u16string::npos ? 0 : slash + 1);
    for (const auto& [key, entry] : entries) {
        if (key.compare(0, folder.size(), folder) == 0 &&
            key.find(u'\\', folder.size()) == std::u16string::npos &&
            wildcardMatch(last, key.substr(folder.size())))
            return &entry;
    }
    return nullptr;
}

bool impliedDirectory(const std::u16string& normalised) {
    std::u16string prefix = normalised + u"\\";
    auto& entries = fileSystem().entries;
    auto it = entries.lower_bound(prefix);
    return it != entries.end() && it->first.compare(0, prefix.size(), prefix) == 0;
}

// A file open for reading: the bytes it had when it was opened.
struct OpenFile {
    std::shared_ptr<const std::string> bytes;
    std::optional<std::uint64_t> reportedLength;
    std::optional<ReadFailure> readFailure;
    std::size_t position = 0;
};

// Opens the file at a normalised path, as _wfopen(path, L"rb") would; null with the errno
// value when it cannot be opened.
std::unique_ptr<OpenFile> openFile(const std::u16string& n, int& errnoValue) {
    using platform::errnoAccessDenied;
    if (const FileEntry* entry = hasWildcard(n) ? nullptr : findEntry(n)) {
        if (entry->isDirectory) {
            errnoValue = errnoAccessDenied;
            return nullptr;
        }
        return std::make_unique<OpenFile>(
            OpenFile{entry->bytes, entry->reportedLength, entry->readFailure, 0});
    }
    if (impliedDirectory(n)) {
        errnoValue = errnoAccessDenied;
        return nullptr;
    }
    auto host = hasWildcard(n) ? std::nullopt : hostPath(n);
    if (!host) {
        errnoValue = n.empty() ? platform::errnoInvalidArgument : platform::errnoNoEntry;
        return nullptr;
    }
    std::error_code ec;
    std::ifstream in;
    if (!fs::is_directory(*host, ec))
        in.open(*host, std::ios::binary);
    if (!in.is_open()) {
        errnoValue = errnoAccessDenied;
        return nullptr;
    }
    auto bytes = std::make_shared<const std::string>(std::istreambuf_iterator<char>(in),
                                                     std::istreambuf_iterator<char>());
    return std::make_unique<OpenFile>(OpenFile{bytes, std::nullopt, std::nullopt, 0});
}

} // namespace

std::u16string fullPath(const std::u16string& path) {
    std::u16string p = path;
    std::replace(p.begin(), p.end(), u'/', u'\\');
    const std::size_t root = rootLength(p);
    std::vector<std::u16string> parts;
    for (std::size_t pos = root; pos < p.size();) {
        const std::size_t end = std::min(p.find(u'\\', pos), p.size());
        const std::u16string part = p.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty() || part == u".")
            continue;
        if (part == u".." && !parts.empty() && parts.back() != u"..")
            parts.pop_back();
        else if (part != u".." || root == 0)
            parts.push_back(part);
    }
    std::u16string full = p.substr(0, root);
    for (const std::u16string& part : parts) {
        if (!full.empty() && full.back() != u'\\')
            full += u'\\';
        full += part;
    }
    // A drive's root keeps its backslash, and so does a folder that was written with one.
    const bool driveRoot = parts.empty() && root == 2 && p.size() > 2;
    if (driveRoot || (!parts.empty() && p.back() == u'\\'))
        full += u'\\';
    return full;
}

void resetFiles() {
    fileSystem() = FileSystem{};
}

void addFile(const std::u16string& path, const std::string& bytes) {
    fileSystem().entries[normalise(path)] =
        FileEntry{false, std::make_shared<const std::string>(bytes), std::nullopt, std::nullopt};
}

void addDirectory(const std::u16string& path) {
    fileSystem().entries[normalise(path)] = FileEntry{true, nullptr, std::nullopt, std::nullopt};
}

void setReportedLength(const std::u16string& path, std::uint64_t length) {
    auto it = fileSystem().entries.find(normalise(path));
    if (it != fileSystem().entries.end())
        it->second.reportedLength = length;
}

void failReadsFrom(const std::u16string& path, std::uint64_t offset, std::uint32_t systemError) {
    auto it = fileSystem().entries.find(normalise(path));
    if (it != fileSystem().entries.end())
        it->second.readFailure = ReadFailure{offset, systemError};
}

void removeFile(const std::u16string& path) {
    fileSystem().entries.erase(normalise(path));
}

void mount(const std::u16string& windowsFolder, const std::string& hostFolder) {
    fileSystem().mounts.emplace_back(normalise(windowsFolder), hostFolder);
}

std::optional<std::string> hostFileOf(const std::u16string& windowsPath) {
    const std::u16string n = normalise(windowsPath);
    if (hasWildcard(n))
        return std::nullopt;
    auto found = hostPath(n);
    return found ? std::optional<std::string>(found->string()) : std::nullopt;
}

} // namespace sim

namespace platform {

bool fileExists(const std::u16string& path) {
    std::u16string n = sim::normalise(path);
    if (n.empty())
        return false;
    return sim::findEntry(n) || sim::impliedDirectory(n) || sim::hostPath(n).has_value();
}

bool InputFile::open(const std::u16string& path, int& errnoValue) {
    close();
    handle_ = sim::openFile(sim::normalise(path), errnoValue).release();
    return handle_ != nullptr;
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
    std::size_t end = f->bytes->size();
    // Bytes from the failing offset on cannot be had; the end of the file comes first.
    const bool failing = f->readFailure && f->readFailure->offset < end;
    if (failing)
        end = static_cast<std::size_t>(f->readFailure->offset);
    const std::size_t n = std::min(size, end - std::min(f->position, end));
    std::copy_n(reinterpret_cast<const std::uint8_t*>(f->bytes->data()) + f->position, n, buffer);
    f->position += n;
    if (failing && n < size && readError_ == 0)
        readError_ = f->readFailure->systemError != 0 ? f->readFailure->systemError
                                                      : platform::errorReadFault;
    return n;
}

void InputFile::close() {
    delete static_cast<sim::OpenFile*>(handle_);
    handle_ = nullptr;
    readError_ = 0;
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

} // namespace platform
