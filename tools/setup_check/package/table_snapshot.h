// Every table of a package as an engine reads it, and the changes between two such readings:
// what a transform changed, found the same way whichever engine applied it (libmsi natively,
// msi.dll on Windows), by comparing the package before and after.
#pragma once

#include "tools/setup_check/package/package_reader.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace setupcheck {

using Cell = std::optional<std::string>; // absent: null

struct TableSnapshot {
    std::vector<std::string> columns;
    std::vector<bool> isKey; // one per column: part of the primary key
    // Each row by its primary key (the key columns' values, in column order).
    std::map<std::vector<std::string>, std::vector<Cell>> rows;
};

using DatabaseSnapshot = std::map<std::string, TableSnapshot>;

// What a binary (stream) column holds in a snapshot: its data is not compared.
inline const char* const binaryCell = "(binary data)";

// A table with no rows yet, as an engine's column information describes it: its columns and
// which of them `keyColumns` names as its primary key.
[[nodiscard]] TableSnapshot tableOf(const std::vector<std::string>& columns,
                                    const std::vector<std::string>& keyColumns);

// For each column type of an engine's column information ("s72", "i2", "V0"), whether the
// column holds binary data (a stream, type "v" or "V"), whose data a snapshot does not read.
[[nodiscard]] std::vector<bool> binaryColumns(const std::vector<std::string>& types);

// Every table of `tableNames` that `readTable(name, table)` reads.
template <typename ReadTable>
[[nodiscard]] DatabaseSnapshot snapshotOf(const std::vector<std::string>& tableNames,
                                          ReadTable readTable) {
    DatabaseSnapshot tables;
    for (const std::string& name : tableNames) {
        TableSnapshot table;
        if (readTable(name, table))
            tables[name] = std::move(table);
    }
    return tables;
}

// The key of `cells` in `table`: the key columns' values, null as "".
std::vector<std::string> rowKey(const TableSnapshot& table, const std::vector<Cell>& cells);

// The changes from `before` to `after`, by table name, then row key, then column order.
std::vector<TableChange> compareSnapshots(const DatabaseSnapshot& before,
                                          const DatabaseSnapshot& after);

// `facts` with the identity the Property table of `snapshot` gives (ProductCode, ProductVersion,
// UpgradeCode, ProductLanguage, ProductName, Manufacturer, ALLUSERS, MSIINSTALLPERUSER,
// ARPNOREPAIR).
PackageFacts withProperties(PackageFacts facts, const DatabaseSnapshot& snapshot);

// The actions of the sequence table `table` of `snapshot` that run (a Sequence above 0), in the
// order of their numbers.
std::vector<SequenceAction> sequenceOf(const DatabaseSnapshot& snapshot, const std::string& table);

// "Property ProductCode: Value {A} -> {B}", "Property NEWPROP added (Value x)": one line.
std::string changeText(const TableChange& change);

} // namespace setupcheck
