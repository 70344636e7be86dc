// The changes of a transform as msi.dll lists them itself: applied with
// MSITRANSFORM_ERROR_VIEWTRANSFORM, a transform changes no table but fills the temporary
// _TransformView table (Table, Column, Row, Data, Current), one row per table created or
// dropped, row inserted or deleted, and value set.
#pragma once

#include "tools/setup_check/package/msidll_database.h"

#include <optional>

namespace setupcheck::msidll {

// The tables of `db` as the transform view of `viewed` (a database to which the transform was
// just applied for viewing) says the transform leaves them: `before` with each viewed change
// made. `applied` is how the tables read once the transform was applied for real; it gives the
// columns of a table the transform adds and which columns hold binary data. Nothing when the
// engine lists no transform view.
std::optional<DatabaseSnapshot> viewedTables(MSIHANDLE viewed, const DatabaseSnapshot& before,
                                             const DatabaseSnapshot& applied);

} // namespace setupcheck::msidll
