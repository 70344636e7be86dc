// The simulated installer's state: scripted packages and products, open handles, and the
// registration of its msi.dll in the simulated system folder.
#include "platform/sim/sim_msi_internal.h"
#include "platform/wtext.h"

#include <algorithm>

namespace sim {

namespace msiimpl {

namespace {

struct Handles {
    std::map<MSIHANDLE, HandleObject> open;
    MSIHANDLE next = 1000;
};

Handles& handles() {
    static Handles h;
    return h;
}

} // namespace

MSIHANDLE make(HandleObject object) {
    MSIHANDLE h = handles().next++;
    handles().open.emplace(h, std::move(object));
    return h;
}

HandleObject* find(MSIHANDLE h, MsiHandleKind kind) {
    auto it = handles().open.find(h);
    if (it == handles().open.end() || it->second.kind != kind)
        return nullptr;
    return &it->second;
}

bool close(MSIHANDLE h) {
    return handles().open.erase(h) != 0;
}

std::u16string key(std::u16string_view text) {
    std::u16string k = wtext::lowerAscii(text);
    std::replace(k.begin(), k.end(), u'/', u'\\');
    return k;
}

std::u16string text(LPCWSTR s) {
    return s ? std::u16string(s) : std::u16string();
}

std::optional<UINT> enter(const char* name) {
    auto& s = msi();
    ++s.calls[name];
    auto it = s.failures.find(name);
    if (it != s.failures.end())
        return it->second;
    return std::nullopt;
}

UINT copyOut(const std::u16string& value, LPWSTR buffer, DWORD* size) {
    if (!size)
        return buffer ? errorInvalidParameter : errorSuccess;
    UINT result = 0;
    if (buffer) {
        if (*size > 0) {
            std::size_t n = std::min<std::size_t>(value.size(), *size - 1);
            std::copy_n(value.data(), n, buffer);
            buffer[n] = u'\0';
        }
        if (*size <= value.size())
            result = errorMoreData;
    }
    *size = DWORD(value.size());
    return result;
}

namespace {

// The machine a program starts on already has the installer, as reset() leaves it.
struct RegisterAtStart {
    RegisterAtStart() { resetMsi(); }
} registerAtStart;

} // namespace

} // namespace msiimpl

MsiState& msi() {
    static MsiState s;
    return s;
}

void resetMsi() {
    msi() = MsiState{};
    msiimpl::handles() = msiimpl::Handles{};
    machine().libraries[u"msi.dll"] = msiimpl::installerLibrary();
    machine().dllProductVersions[u"msi.dll"] = {(5u << 16) | 0u, (7601u << 16) | 17514u};
}

void addMsiPackage(const std::u16string& path, const MsiPackageData& package) {
    msi().packages[path] = package;
    addFile(path, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"); // a compound file's signature
}

MsiPackageData samplePackage(const std::u16string& productCode, const std::u16string& version,
                             const std::u16string& keyFile, const std::u16string& keyFileVersion) {
    MsiPackageData p;
    p.summary[msi::pidTemplate] = SummaryValue{msi::vtLpstr, 0, u"Intel;1033"};
    p.summary[msi::pidRevisionNumber] =
        SummaryValue{msi::vtLpstr, 0, u"{6F330B47-2577-43AD-9095-1861BA25889B}"};
    p.properties[u"ProductCode"] = productCode;
    p.properties[u"ProductVersion"] = version;
    p.fileVersions[keyFile] = keyFileVersion;
    return p;
}

void hideMsiExport(const std::string& name) {
    machine().libraries[u"msi.dll"].exports.erase(name);
}

int msiHandlesOpen() {
    return int(msiimpl::handles().open.size());
}

int msiHandlesOpen(MsiHandleKind kind) {
    const auto& open = msiimpl::handles().open;
    return int(std::count_if(open.begin(), open.end(),
                             [&](const auto& entry) { return entry.second.kind == kind; }));
}

} // namespace sim
