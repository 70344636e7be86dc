// libmsi's objects held by owners, and the few ways the tool reads a database with it.
#pragma once

#include "tools/setup_check/package/table_snapshot.h"

#include <libmsi.h>

#include <memory>
#include <string>
#include <vector>

namespace setupcheck::libmsi {

struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T> using GPtr = std::unique_ptr<T, Unref>;

struct ErrorOwner {
    GError* error = nullptr;
    ErrorOwner() = default;
    ErrorOwner(const ErrorOwner&) = delete;
    ErrorOwner& operator=(const ErrorOwner&) = delete;
    ~ErrorOwner() { g_clear_error(&error); }
    GError** put() {
        g_clear_error(&error);
        return &error;
    }
    // The error in words: libmsi's result name (LIBMSI_RESULT_OPEN_FAILED) and its message.
    std::string text(const char* fallback) const;
};

// The database at `path`, read-only; `problem` says why it could not be opened.
GPtr<LibmsiDatabase> openDatabase(const std::string& path, std::string& problem);
// Field 1 of every row the query finds; nothing when it fails.
std::vector<std::string> selectColumn(LibmsiDatabase* db, const std::string& sql);
// Every table of the database, as it reads now.
DatabaseSnapshot snapshot(LibmsiDatabase* db);

} // namespace setupcheck::libmsi
