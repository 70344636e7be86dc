#include "tools/setup_check/package/libmsi_database.h"

namespace setupcheck::libmsi {

namespace {

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

std::string ownedString(gchar* text) {
    std::string value = text ? text : "";
    g_free(text);
    return value;
}

// The fields of `record` from 1 on, as text.
std::vector<std::string> fields(const LibmsiRecord* record) {
    std::vector<std::string> values;
    const guint count = record ? libmsi_record_get_field_count(record) : 0;
    for (guint i = 1; i <= count; ++i)
        values.push_back(ownedString(libmsi_record_get_string(record, i)));
    return values;
}

// One table: its columns, which of them form the key, and every row. A binary column's data
// is not read (binaryCell stands for it).
bool readTable(LibmsiDatabase* db, const std::string& name, TableSnapshot& table) {
    ErrorOwner error;
    const std::string sql = "SELECT * FROM `" + name + "`";
    GPtr<LibmsiQuery> query(libmsi_query_new(db, sql.c_str(), error.put()));
    if (!query || !libmsi_query_execute(query.get(), nullptr, error.put()))
        return false;
    GPtr<LibmsiRecord> names(
        libmsi_query_get_column_info(query.get(), LIBMSI_COL_INFO_NAMES, error.put()));
    GPtr<LibmsiRecord> types(
        libmsi_query_get_column_info(query.get(), LIBMSI_COL_INFO_TYPES, error.put()));
    GPtr<LibmsiRecord> keys(libmsi_database_get_primary_keys(db, name.c_str(), error.put()));
    table = tableOf(fields(names.get()), fields(keys.get()));
    const std::vector<bool> binary = binaryColumns(fields(types.get()));
    while (GPtr<LibmsiRecord> record{libmsi_query_fetch(query.get(), error.put())}) {
        std::vector<Cell> cells;
        for (guint i = 1; i <= table.columns.size(); ++i) {
            if (libmsi_record_is_null(record.get(), i))
                cells.push_back(std::nullopt);
            else if (i <= binary.size() && binary[i - 1])
                cells.push_back(std::string(binaryCell));
            else
                cells.push_back(ownedString(libmsi_record_get_string(record.get(), i)));
        }
        table.rows[rowKey(table, cells)] = cells;
    }
    return true;
}

} // namespace

std::string ErrorOwner::text(const char* fallback) const {
    if (!error)
        return fallback;
    std::string text;
    if (error->domain != LIBMSI_RESULT_ERROR) {
    } else if (GEnumClass* results =
                   G_ENUM_CLASS(g_type_class_ref(libmsi_result_error_get_type()))) {
        if (const GEnumValue* value = g_enum_get_value(results, error->code))
            text = value->value_name;
        g_type_class_unref(results);
    }
    const std::string message = error->message ? error->message : "";
    if (text.empty())
        return message.empty() ? fallback : message;
    return message.empty() ? text : text + " (" + message + ")";
}

GPtr<LibmsiDatabase> openDatabase(const std::string& path, std::string& problem) {
    quietLibmsi();
    ErrorOwner error;
    GPtr<LibmsiDatabase> db(
        libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, error.put()));
    if (!db)
        problem = error.text("libmsi cannot open it as a database");
    return db;
}

std::vector<std::string> selectColumn(LibmsiDatabase* db, const std::string& sql) {
    std::vector<std::string> values;
    ErrorOwner error;
    GPtr<LibmsiQuery> query(libmsi_query_new(db, sql.c_str(), error.put()));
    if (!query || !libmsi_query_execute(query.get(), nullptr, error.put()))
        return values;
    while (GPtr<LibmsiRecord> record{libmsi_query_fetch(query.get(), error.put())})
        values.push_back(ownedString(libmsi_record_get_string(record.get(), 1)));
    return values;
}

DatabaseSnapshot snapshot(LibmsiDatabase* db) {
    return snapshotOf(
        selectColumn(db, "SELECT `Name` FROM `_Tables`"),
        [db](const std::string& name, TableSnapshot& table) { return readTable(db, name, table); });
}

} // namespace setupcheck::libmsi
