// The Windows build's engine: the system's msi.dll reads the package and applies the
// transforms, to a scratch copy of the package opened for transacted changes that are never
// committed; a transform stored in the package is copied out with the system's own compound
// file functions (ole32).
#include "tools/setup_check/package/package_reader.h"

#include "installer/msi_package.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/package/msidll_database.h"
#include "tools/setup_check/package/msidll_transform_view.h"

#include <memory>
#include <string>

#include "platform/win32/windows_inc.h"

#include <objbase.h>

namespace setupcheck {

using namespace msidll;

namespace {

// MsiOpenDatabaseW's persistence modes MSIDBOPEN_READONLY and MSIDBOPEN_TRANSACT; summary
// property ids PID_TEMPLATE, PID_REVNUMBER, PID_PAGECOUNT, PID_CHARCOUNT.
const LPCWSTR openTransact = reinterpret_cast<LPCWSTR>(std::uintptr_t(1));
constexpr UINT pidTemplate = 7, pidRevision = 9, pidPageCount = 14, pidCharCount = 16;
// MsiDatabaseApplyTransformW's error conditions: every one suppressed, and the transform view.
constexpr std::int32_t allConditions = 0x3F, viewTransform = 0x100;

// A file in the temporary folder, deleted with its owner.
class ScratchFile {
public:
    ScratchFile() {
        wchar_t folder[MAX_PATH + 1], name[MAX_PATH + 1];
        const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
        if (length && length <= MAX_PATH && GetTempFileNameW(folder, L"sck", 0, name))
            path = name;
    }
    ~ScratchFile() {
        if (!path.empty())
            DeleteFileW(path.c_str());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    std::wstring path;
};

template <typename T> struct ComTraits {
    using Handle = T*;
    static Handle empty() { return nullptr; }
    static void release(Handle handle) { handle->Release(); }
};
using Storage = UniqueHandle<ComTraits<IStorage>>;

std::wstring wideOf(const std::string& text) {
    const std::u16string u = utf16(text);
    return std::wstring(u.begin(), u.end());
}

// Whether the compound file at `path` holds the string pool every database and transform has.
// msi.dll is handed no file without one: Wine's stops the process on opening such a file.
bool holdsStringPool(const std::wstring& path) {
    // "_StringPool" as the installer names a table's stream in the compound file.
    static const wchar_t pool[] = L"\x4840\x3f3f\x4577\x446c\x3e6a\x44b2\x482f";
    Storage root;
    UniqueHandle<ComTraits<IStream>> stream;
    return SUCCEEDED(StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE,
                                    nullptr, 0, root.put())) &&
           SUCCEEDED(root.get()->OpenStream(pool, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                            stream.put()));
}

const char* const noStringPool = "it is no Windows Installer database: it has no string pool";

std::optional<std::string> firstOf(const std::vector<std::string>& values) {
    return values.empty() ? std::nullopt : std::optional<std::string>(values.front());
}

struct Summary {
    std::string text[20];
    std::int32_t number[20] = {};
};

// The summary information of the database `db`, or of the file `path` where db is 0.
bool readSummary(const Api& a, MSIHANDLE db, const std::string& path, Summary& summary) {
    Handle info;
    const std::u16string file = utf16(path);
    if (a.summaryInformation(db, db ? nullptr : file.c_str(), 0, info.put()) != 0)
        return false;
    for (UINT id : {pidTemplate, pidRevision, pidPageCount, pidCharCount}) {
        UINT type = 0;
        msi::FILETIME time{};
        char16_t buffer[512] = {};
        DWORD size = 512;
        if (a.summaryProperty(info.get(), id, &type, &summary.number[id], &time, buffer, &size) ==
                0 &&
            type == msi::vtLpstr)
            summary.text[id] = utf8(std::u16string(buffer, size < 512 ? size : 511));
    }
    return true;
}

PackageFacts packageFacts(const Api& a, MSIHANDLE db) {
    const DatabaseSnapshot tables = snapshot(db);
    PackageFacts facts = withProperties(PackageFacts{}, tables);
    facts.executeSequence = sequenceOf(tables, "InstallExecuteSequence");
    facts.status = ReadStatus::read;
    facts.keyFileVersion = firstOf(selectColumn(
        db, "SELECT `Version` FROM `File` WHERE `File` = '" + utf8(keyFileName) + "'"));
    Summary summary;
    readSummary(a, db, "", summary);
    facts.packageCode = summary.text[pidRevision];
    facts.templateText = summary.text[pidTemplate];
    facts.schema = summary.number[pidPageCount];
    facts.storages = selectColumn(db, "SELECT `Name` FROM `_Storages`");
    return facts;
}

// The database at `path`: read-only, or a scratch copy of it open for transacted changes.
Handle open(const Api& a, const std::string& path, const ScratchFile* copy, ReadStatus& status,
            std::string& problem) {
    const std::wstring file = wideOf(path);
    if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        status = ReadStatus::missing;
        problem = "no such file";
        return {};
    }
    if (!holdsStringPool(file)) {
        status = ReadStatus::notAPackage;
        problem = noStringPool;
        return {};
    }
    Handle db;
    UINT result = 0;
    if (copy) {
        if (copy->path.empty() || !CopyFileW(file.c_str(), copy->path.c_str(), FALSE)) {
            status = ReadStatus::notAPackage;
            problem = "no scratch copy of the package can be made";
            return {};
        }
        result =
            a.openDatabase(reinterpret_cast<LPCWSTR>(copy->path.c_str()), openTransact, db.put());
    } else {
        result = a.openDatabase(utf16(path).c_str(), msi::openReadOnly, db.put());
    }
    status = result == 0 ? ReadStatus::read : ReadStatus::notAPackage;
    if (result != 0)
        problem = resultText(result);
    return db;
}

// The storage `name` of the package at `package` as a transform file of its own.
bool copyStorage(const std::string& package, const std::string& name, const ScratchFile& file,
                 std::string& problem) {
    Storage root, child, copy;
    if (FAILED(StgOpenStorage(wideOf(package).c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE,
                              nullptr, 0, root.put()))) {
        problem = "the package cannot be read as a compound file";
        return false;
    }
    if (FAILED(root.get()->OpenStorage(wideOf(name).c_str(), nullptr,
                                       STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                       child.put()))) {
        problem = "the package stores no " + name;
        return false;
    }
    STATSTG stat{};
    if (file.path.empty() ||
        FAILED(StgCreateDocfile(file.path.c_str(),
                                STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                copy.put())) ||
        FAILED(child.get()->CopyTo(0, nullptr, nullptr, copy.get())) ||
        FAILED(child.get()->Stat(&stat, STATFLAG_NONAME)) ||
        FAILED(copy.get()->SetClass(stat.clsid)) || FAILED(copy.get()->Commit(STGC_DEFAULT))) {
        problem = "the stored " + name + " cannot be copied out";
        return false;
    }
    return true;
}

// What the transforms are applied to: `db`, a scratch copy of the package, and a second copy,
// never changed, on which each transform is viewed after those before it.
// The database goes before the files it may still hold open.
struct Target {
    ScratchFile viewCopy;
    bool viewable = false;                          // the second copy was made
    std::vector<std::unique_ptr<ScratchFile>> kept; // stored transforms copied out
    std::vector<std::wstring> applied;              // the transforms applied so far
    Handle db;
};

// The tables after the transform at `path` as msi.dll's transform view lists its changes.
std::optional<DatabaseSnapshot> viewed(const Api& a, const Target& t, const std::wstring& path,
                                       const DatabaseSnapshot& before,
                                       const DatabaseSnapshot& applied) {
    Handle db;
    if (!t.viewable || a.openDatabase(reinterpret_cast<LPCWSTR>(t.viewCopy.path.c_str()),
                                      openTransact, db.put()) != 0)
        return std::nullopt;
    for (const std::wstring& earlier : t.applied)
        if (a.applyTransform(db.get(), reinterpret_cast<LPCWSTR>(earlier.c_str()), allConditions) !=
            0)
            return std::nullopt;
    if (a.applyTransform(db.get(), reinterpret_cast<LPCWSTR>(path.c_str()),
                         viewTransform | allConditions) != 0)
        return std::nullopt;
    return viewedTables(db.get(), before, applied);
}

// One transform applied to the target, whose tables read `before`; `before` then reads as
// after it. Where the engine checks error conditions it is asked with those the transform
// suppresses.
TransformApplication apply(const Api& a, Target& t, const std::string& package,
                           const TransformSource& source, DatabaseSnapshot& before) {
    TransformApplication step;
    step.name = source.name;
    std::wstring path = wideOf(source.hostPath);
    if (!source.storage.empty()) {
        t.kept.push_back(std::make_unique<ScratchFile>());
        if (!copyStorage(package, source.storage, *t.kept.back(), step.problem))
            return step;
        path = t.kept.back()->path;
    }
    if (!holdsStringPool(path)) {
        step.problem = noStringPool;
        return step;
    }
    Summary summary;
    readSummary(a, 0, utf8(std::u16string(path.begin(), path.end())), summary);
    step.errorConditionsChecked = checksErrorConditions();
    const std::int32_t suppressed =
        step.errorConditionsChecked ? summary.number[pidCharCount] & 0xFFFF : 0;
    if (const UINT result =
            a.applyTransform(t.db.get(), reinterpret_cast<LPCWSTR>(path.c_str()), suppressed);
        result != 0) {
        step.problem = resultText(result);
        return step;
    }
    step.applied = true;
    DatabaseSnapshot after = snapshot(t.db.get());
    if (const auto view = viewed(a, t, path, before, after)) {
        step.changes = compareSnapshots(before, *view);
        step.listedBy = "transform_view";
    } else {
        step.changes = compareSnapshots(before, after);
        step.listedBy = "table_comparison";
    }
    t.applied.push_back(path);
    before = std::move(after);
    return step;
}

} // namespace

bool packageReadingAvailable() {
    std::string problem;
    return api(problem) != nullptr;
}

std::string packageEngine() {
    return engineName();
}

PackageFacts readPackage(const std::string& hostPath) {
    PackageFacts facts;
    const Api* a = api(facts.problem);
    if (!a)
        return facts;
    const Handle db = open(*a, hostPath, nullptr, facts.status, facts.problem);
    if (facts.status != ReadStatus::read)
        return facts;
    return packageFacts(*a, db.get());
}

TransformFacts readTransform(const std::string& hostPath) {
    TransformFacts facts;
    const Api* a = api(facts.problem);
    if (!a)
        return facts;
    if (GetFileAttributesW(wideOf(hostPath).c_str()) == INVALID_FILE_ATTRIBUTES) {
        facts.status = ReadStatus::missing;
        facts.problem = "no such file";
        return facts;
    }
    // A transform's summary information is read as a package's, from the file.
    Summary summary;
    if (!holdsStringPool(wideOf(hostPath))) {
        facts.status = ReadStatus::notAPackage;
        facts.problem = noStringPool;
        return facts;
    }
    if (!readSummary(*a, 0, hostPath, summary)) {
        facts.status = ReadStatus::notAPackage;
        facts.problem = "msi.dll reads no summary information from it";
        return facts;
    }
    facts.status = ReadStatus::read;
    facts.templateText = summary.text[pidTemplate];
    facts.revision = summary.text[pidRevision];
    facts.characters = std::uint32_t(summary.number[pidCharCount]);
    return facts;
}

TransformFacts readStoredTransform(const std::string& hostPath, const std::string& storage) {
    TransformFacts facts;
    ScratchFile copied;
    if (!copyStorage(hostPath, storage, copied, facts.problem)) {
        facts.status = ReadStatus::missing;
        return facts;
    }
    return readTransform(utf8(std::u16string(copied.path.begin(), copied.path.end())));
}

TransformedPackage applyTransforms(const std::string& hostPath,
                                   const std::vector<TransformSource>& transforms) {
    TransformedPackage result;
    result.engine = engineName();
    const Api* a = api(result.facts.problem);
    if (!a)
        return result;
    const ScratchFile copy;
    Target target;
    target.db = open(*a, hostPath, &copy, result.facts.status, result.facts.problem);
    if (result.facts.status != ReadStatus::read)
        return result;
    result.facts = packageFacts(*a, target.db.get());
    target.viewable = !target.viewCopy.path.empty() &&
                      CopyFileW(wideOf(hostPath).c_str(), target.viewCopy.path.c_str(), FALSE);
    DatabaseSnapshot tables = snapshot(target.db.get());
    for (const TransformSource& source : transforms)
        result.steps.push_back(apply(*a, target, hostPath, source, tables));
    result.after = withProperties(result.facts, tables);
    return result;
}

} // namespace setupcheck
