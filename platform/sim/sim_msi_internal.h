// What the files of the simulated installer share: its handles, the rules its exports follow
// for names and text outputs, its query reader, and its export table.
#pragma once

#include "platform/sim/sim.h"
#include "platform/sim/sim_msi.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim::msiimpl {

using namespace msi;

struct HandleObject {
    MsiHandleKind kind = MsiHandleKind::Database;
    std::u16string package;                        // key into packages (database, summary)
    std::vector<std::vector<std::u16string>> rows; // view: the selected values
    bool executed = false;
    std::size_t nextRow = 0;
    std::vector<std::u16string> fields; // record
    std::u16string column;              // view: the selected column's name
};

// A new handle for `object`.
MSIHANDLE make(HandleObject object);
// The object of an open handle of that kind; null for any other handle.
HandleObject* find(MSIHANDLE handle, MsiHandleKind kind);
// Closes a handle; false when it was not open.
bool close(MSIHANDLE handle);

// A path or product code as the installer compares them: ASCII case and the kind of slash
// do not matter.
std::u16string key(std::u16string_view text);

// Scripted maps are keyed as the test wrote them; lookups ignore ASCII case and the kind of
// slash, as the installer does for paths and product codes.
template <typename Map> auto findNoCase(Map& map, std::u16string_view name) {
    std::u16string wanted = key(name);
    for (auto it = map.begin(); it != map.end(); ++it)
        if (key(it->first) == wanted)
            return it;
    return map.end();
}

// A nullable input text as a string (empty for null).
std::u16string text(LPCWSTR s);

// Counts a call of the export `name` and answers the failure scripted for it, if any.
std::optional<UINT> enter(const char* name);

// The installer's rule for text outputs: the value (cut to fit, with its NUL) is copied when a
// buffer is given; the size comes back as the value's length; a buffer that cannot hold the
// value and its NUL gives ERROR_MORE_DATA.
UINT copyOut(const std::u16string& value, LPWSTR buffer, DWORD* size);

// What a view selects: the one column's name and its value in each matching row.
struct Selection {
    std::u16string column;
    std::vector<std::vector<std::u16string>> rows;
};

// Runs the one query shape the launcher uses on a package's tables; false for anything the
// installer would refuse as bad syntax.
bool select(const MsiPackageData& package, std::u16string_view sql, Selection& selection);

// "msi.dll" with every export of the simulated installer.
Library installerLibrary();

} // namespace sim::msiimpl
