// The native engine: libmsi reads the package and applies the transforms, libgsf copies out a
// transform stored in the package.
#include "tools/setup_check/package/package_reader.h"

#include "installer/msi_package.h"
#include "platform/wtext.h"
#include "tools/setup_check/package/libmsi_database.h"
#include "tools/setup_check/package/libmsi_storage.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace setupcheck {

using namespace libmsi;

namespace {

// libmsi applies no transform and names no error condition it meets: every change is applied
// as it comes, and the report says the conditions were not checked.
constexpr const char* engineName = "libmsi " SETUP_LIBMSI_VERSION;

// Whether the file can be opened for reading; `problem` says why not.
bool readable(const std::string& path, ReadStatus& status, std::string& problem) {
    std::ifstream in(path, std::ios::binary);
    if (in)
        return true;
    status = errno == ENOENT ? ReadStatus::missing : ReadStatus::notAPackage;
    problem = std::strerror(errno);
    return false;
}

std::optional<std::string> firstOf(const std::vector<std::string>& values) {
    return values.empty() ? std::nullopt : std::optional<std::string>(values.front());
}

std::string summaryText(LibmsiSummaryInfo* summary, LibmsiProperty id) {
    ErrorOwner error;
    const gchar* text = libmsi_summary_info_get_string(summary, id, error.put());
    return text ? text : "";
}

int summaryNumber(LibmsiSummaryInfo* summary, LibmsiProperty id) {
    ErrorOwner error;
    return libmsi_summary_info_get_int(summary, id, error.put());
}

struct Opened {
    GPtr<LibmsiDatabase> db;
    GPtr<LibmsiSummaryInfo> summary;
};

// The database and its summary information; `status` says whether both were read.
Opened openWithSummary(const std::string& path, ReadStatus& status, std::string& problem) {
    Opened opened;
    if (!readable(path, status, problem))
        return opened;
    opened.db = openDatabase(path, problem);
    ErrorOwner error;
    if (opened.db)
        opened.summary.reset(libmsi_summary_info_new(opened.db.get(), 0, error.put()));
    status = opened.db && opened.summary ? ReadStatus::read : ReadStatus::notAPackage;
    return opened;
}

PackageFacts packageFacts(LibmsiDatabase* db, LibmsiSummaryInfo* summary) {
    const DatabaseSnapshot tables = snapshot(db);
    PackageFacts facts = withProperties(PackageFacts{}, tables);
    facts.executeSequence = sequenceOf(tables, "InstallExecuteSequence");
    facts.status = ReadStatus::read;
    facts.keyFileVersion = firstOf(selectColumn(
        db, "SELECT `Version` FROM `File` WHERE `File` = '" + wtext::toUtf8(keyFileName) + "'"));
    facts.packageCode = summaryText(summary, LIBMSI_PROPERTY_UUID);
    facts.templateText = summaryText(summary, LIBMSI_PROPERTY_TEMPLATE);
    facts.schema = summaryNumber(summary, LIBMSI_PROPERTY_VERSION);
    facts.storages = selectColumn(db, "SELECT `Name` FROM `_Storages`");
    return facts;
}

// One transform applied to `db`, whose tables read `before`; `before` then reads as after it.
TransformApplication apply(LibmsiDatabase* db, const std::string& packagePath,
                           const TransformSource& source, DatabaseSnapshot& before) {
    TransformApplication step;
    step.name = source.name;
    std::optional<ScratchFile> copied;
    std::string path = source.hostPath;
    if (!source.storage.empty()) {
        copied = copyStorage(packagePath, source.storage, step.problem);
        if (!copied)
            return step;
        path = copied->path();
    }
    ErrorOwner error;
    if (!libmsi_database_apply_transform(db, path.c_str(), error.put())) {
        step.problem = error.text("libmsi cannot apply it");
        return step;
    }
    step.applied = true;
    DatabaseSnapshot after = snapshot(db);
    step.changes = compareSnapshots(before, after);
    step.listedBy = "table_comparison";
    before = std::move(after);
    return step;
}

} // namespace

bool packageReadingAvailable() {
    return true;
}

std::string packageEngine() {
    return engineName;
}

PackageFacts readPackage(const std::string& hostPath) {
    PackageFacts facts;
    Opened opened = openWithSummary(hostPath, facts.status, facts.problem);
    if (facts.status != ReadStatus::read)
        return facts;
    return packageFacts(opened.db.get(), opened.summary.get());
}

TransformFacts readTransform(const std::string& hostPath) {
    TransformFacts facts;
    // libmsi opens a transform as it opens a package: a compound file with a summary stream.
    Opened opened = openWithSummary(hostPath, facts.status, facts.problem);
    if (facts.status != ReadStatus::read)
        return facts;
    LibmsiSummaryInfo* const summary = opened.summary.get();
    facts.templateText = summaryText(summary, LIBMSI_PROPERTY_TEMPLATE);
    facts.revision = summaryText(summary, LIBMSI_PROPERTY_UUID);
    facts.characters = std::uint32_t(summaryNumber(summary, LIBMSI_PROPERTY_RESTRICT));
    return facts;
}

TransformFacts readStoredTransform(const std::string& hostPath, const std::string& storage) {
    TransformFacts facts;
    const std::optional<ScratchFile> copied = copyStorage(hostPath, storage, facts.problem);
    if (!copied) {
        facts.status = ReadStatus::missing;
        return facts;
    }
    return readTransform(copied->path());
}

TransformedPackage applyTransforms(const std::string& hostPath,
                                   const std::vector<TransformSource>& transforms) {
    TransformedPackage result;
    result.engine = engineName;
    Opened opened = openWithSummary(hostPath, result.facts.status, result.facts.problem);
    if (result.facts.status != ReadStatus::read)
        return result;
    result.facts = packageFacts(opened.db.get(), opened.summary.get());
    DatabaseSnapshot tables = snapshot(opened.db.get());
    for (const TransformSource& source : transforms)
        result.steps.push_back(apply(opened.db.get(), hostPath, source, tables));
    result.after = withProperties(result.facts, tables);
    return result;
}

} // namespace setupcheck
