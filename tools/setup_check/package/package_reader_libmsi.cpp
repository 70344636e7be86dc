#include "tools/setup_check/package/package_reader.h"

#include "installer/msi_package.h"
#include "platform/msi_api.h"
#include "platform/wtext.h"

#include <libmsi.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>

namespace setupcheck {

namespace {

// Owners of libmsi's objects and errors.
struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T> using GPtr = std::unique_ptr<T, Unref>;

struct ErrorOwner {
    GError* error = nullptr;
    ~ErrorOwner() { g_clear_error(&error); }
    GError** put() {
        g_clear_error(&error);
        return &error;
    }
};

// libmsi reports what it cannot read as GLib warnings on the standard error, beside the
// results it returns; the tool says it in its own words, so the warnings go unprinted.
void quietLibmsi() {
    static const bool quiet = [] {
        g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {},
                                  nullptr);
        return true;
    }();
    (void)quiet;
}

// Whether the file can be opened for reading; `problem` says why not.
bool readable(const std::string& path, ReadStatus& status, std::string& problem) {
    std::ifstream in(path, std::ios::binary);
    if (in)
        return true;
    status = errno == ENOENT ? ReadStatus::missing : ReadStatus::notAPackage;
    problem = std::strerror(errno);
    return false;
}

GPtr<LibmsiDatabase> openDatabase(const std::string& path, std::string& problem) {
    quietLibmsi();
    ErrorOwner error;
    GPtr<LibmsiDatabase> db(
        libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, error.put()));
    if (!db)
        problem = error.error ? error.error->message : "libmsi cannot open it as a database";
    return db;
}

// Field 1 of every row the query finds; nothing when it fails.
std::vector<std::string> selectColumn(LibmsiDatabase* db, const std::string& sql) {
    std::vector<std::string> values;
    ErrorOwner error;
    GPtr<LibmsiQuery> query(libmsi_query_new(db, sql.c_str(), error.put()));
    if (!query || !libmsi_query_execute(query.get(), nullptr, error.put()))
        return values;
    while (GPtr<LibmsiRecord> record{libmsi_query_fetch(query.get(), error.put())}) {
        gchar* text = libmsi_record_get_string(record.get(), 1);
        values.push_back(text ? text : "");
        g_free(text);
    }
    return values;
}

// The actions of the sequence table `table` that run, in order.
std::vector<SequenceAction> sequenceOf(LibmsiDatabase* db, const char* table) {
    std::vector<SequenceAction> actions;
    ErrorOwner error;
    const std::string sql = std::string("SELECT `Action`, `Condition`, `Sequence` FROM `") + table +
                            "` WHERE `Sequence` > 0 ORDER BY `Sequence`";
    GPtr<LibmsiQuery> query(libmsi_query_new(db, sql.c_str(), error.put()));
    if (!query || !libmsi_query_execute(query.get(), nullptr, error.put()))
        return actions;
    while (GPtr<LibmsiRecord> record{libmsi_query_fetch(query.get(), error.put())}) {
        SequenceAction action;
        for (auto [field, text] : {std::pair{1u, &action.action}, {2u, &action.condition}}) {
            gchar* value = libmsi_record_get_string(record.get(), field);
            *text = value ? value : "";
            g_free(value);
        }
        action.sequence = libmsi_record_get_int(record.get(), 3);
        actions.push_back(action);
    }
    return actions;
}

std::optional<std::string> firstOf(const std::vector<std::string>& values) {
    return values.empty() ? std::nullopt : std::optional<std::string>(values.front());
}

std::optional<std::string> property(LibmsiDatabase* db, const char* name) {
    return firstOf(selectColumn(
        db, std::string("SELECT `Value` FROM `Property` WHERE `Property` = '") + name + "'"));
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

} // namespace

bool packageReadingAvailable() {
    return true;
}

PackageFacts readPackage(const std::string& hostPath) {
    PackageFacts facts;
    Opened opened = openWithSummary(hostPath, facts.status, facts.problem);
    if (facts.status != ReadStatus::read)
        return facts;
    LibmsiDatabase* const db = opened.db.get();
    LibmsiSummaryInfo* const summary = opened.summary.get();
    facts.productCode = property(db, "ProductCode");
    facts.productVersion = property(db, "ProductVersion");
    facts.upgradeCode = property(db, "UpgradeCode");
    facts.productLanguage = property(db, "ProductLanguage");
    facts.keyFileVersion = firstOf(selectColumn(
        db, "SELECT `Version` FROM `File` WHERE `File` = '" + wtext::toUtf8(keyFileName) + "'"));
    facts.packageCode = summaryText(summary, LIBMSI_PROPERTY_UUID);
    facts.templateText = summaryText(summary, LIBMSI_PROPERTY_TEMPLATE);
    facts.schema = summaryNumber(summary, LIBMSI_PROPERTY_VERSION);
    facts.storages = selectColumn(db, "SELECT `Name` FROM `_Storages`");
    facts.executeSequence = sequenceOf(db, "InstallExecuteSequence");
    return facts;
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

} // namespace setupcheck
