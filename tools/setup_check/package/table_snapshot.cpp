#include "tools/setup_check/package/table_snapshot.h"

#include <algorithm>
#include <cstdlib>

namespace setupcheck {

namespace {

void addRow(std::vector<TableChange>& changes, ChangeKind kind, const std::string& table,
            const TableSnapshot& snapshot, const std::vector<std::string>& key,
            const std::vector<Cell>& cells) {
    TableChange change{kind, table, key, {}, {}, {}, {}};
    for (std::size_t i = 0; i < snapshot.columns.size() && i < cells.size(); ++i)
        if (!snapshot.isKey[i])
            change.values.emplace_back(snapshot.columns[i], cells[i]);
    changes.push_back(change);
}

Cell cellOf(const TableSnapshot& table, const std::vector<Cell>& cells, const std::string& column) {
    for (std::size_t i = 0; i < table.columns.size() && i < cells.size(); ++i)
        if (table.columns[i] == column)
            return cells[i];
    return std::nullopt;
}

void compareTable(std::vector<TableChange>& changes, const std::string& name,
                  const TableSnapshot& before, const TableSnapshot& after) {
    for (const auto& [key, cells] : before.rows)
        if (!after.rows.count(key))
            addRow(changes, ChangeKind::rowRemoved, name, before, key, cells);
    for (const auto& [key, cells] : after.rows) {
        const auto old = before.rows.find(key);
        if (old == before.rows.end()) {
            addRow(changes, ChangeKind::rowAdded, name, after, key, cells);
            continue;
        }
        for (std::size_t i = 0; i < after.columns.size() && i < cells.size(); ++i) {
            const Cell from = cellOf(before, old->second, after.columns[i]);
            if (!after.isKey[i] && from != cells[i])
                changes.push_back(TableChange{
                    ChangeKind::valueChanged, name, key, after.columns[i], from, cells[i], {}});
        }
    }
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i ? separator : "") + parts[i];
    return text;
}

std::string cellText(const Cell& cell) {
    return cell ? *cell : std::string("(null)");
}

} // namespace

TableSnapshot tableOf(const std::vector<std::string>& columns,
                      const std::vector<std::string>& keyColumns) {
    TableSnapshot table{columns, {}, {}};
    for (const std::string& column : columns)
        table.isKey.push_back(std::find(keyColumns.begin(), keyColumns.end(), column) !=
                              keyColumns.end());
    return table;
}

std::vector<bool> binaryColumns(const std::vector<std::string>& types) {
    std::vector<bool> binary;
    for (const std::string& type : types)
        binary.push_back(!type.empty() && (type[0] == 'v' || type[0] == 'V'));
    return binary;
}

std::vector<std::string> rowKey(const TableSnapshot& table, const std::vector<Cell>& cells) {
    std::vector<std::string> key;
    for (std::size_t i = 0; i < table.columns.size() && i < cells.size(); ++i)
        if (table.isKey[i])
            key.push_back(cells[i].value_or(""));
    return key;
}

std::vector<TableChange> compareSnapshots(const DatabaseSnapshot& before,
                                          const DatabaseSnapshot& after) {
    std::vector<TableChange> changes;
    for (const auto& [name, table] : before)
        if (!after.count(name))
            changes.push_back(TableChange{ChangeKind::tableRemoved, name, {}, {}, {}, {}, {}});
    for (const auto& [name, table] : after) {
        const auto old = before.find(name);
        if (old == before.end()) {
            changes.push_back(TableChange{ChangeKind::tableAdded, name, {}, {}, {}, {}, {}});
            compareTable(changes, name, TableSnapshot{table.columns, table.isKey, {}}, table);
        } else {
            compareTable(changes, name, old->second, table);
        }
    }
    return changes;
}

PackageFacts withProperties(PackageFacts facts, const DatabaseSnapshot& snapshot) {
    const auto table = snapshot.find("Property");
    auto property = [&](const char* name) -> std::optional<std::string> {
        if (table == snapshot.end())
            return std::nullopt;
        const auto row = table->second.rows.find({name});
        if (row == table->second.rows.end())
            return std::nullopt;
        return cellOf(table->second, row->second, "Value").value_or("");
    };
    facts.productCode = property("ProductCode");
    facts.productVersion = property("ProductVersion");
    facts.upgradeCode = property("UpgradeCode");
    facts.productLanguage = property("ProductLanguage");
    facts.productName = property("ProductName");
    facts.manufacturer = property("Manufacturer");
    facts.allUsers = property("ALLUSERS");
    facts.msiInstallPerUser = property("MSIINSTALLPERUSER");
    facts.arpNoRepair = property("ARPNOREPAIR");
    return facts;
}

std::vector<SequenceAction> sequenceOf(const DatabaseSnapshot& snapshot, const std::string& table) {
    std::vector<SequenceAction> actions;
    const auto found = snapshot.find(table);
    if (found == snapshot.end())
        return actions;
    for (const auto& [key, cells] : found->second.rows) {
        SequenceAction action;
        action.action = cellOf(found->second, cells, "Action").value_or("");
        action.condition = cellOf(found->second, cells, "Condition").value_or("");
        const std::string number = cellOf(found->second, cells, "Sequence").value_or("");
        action.sequence = std::atoi(number.c_str());
        if (action.sequence > 0)
            actions.push_back(action);
    }
    std::stable_sort(
        actions.begin(), actions.end(),
        [](const SequenceAction& a, const SequenceAction& b) { return a.sequence < b.sequence; });
    return actions;
}

std::string changeText(const TableChange& c) {
    const std::string row = c.table + " " + joined(c.row, ", ");
    switch (c.kind) {
    case ChangeKind::tableAdded:
        return "table " + c.table + " added";
    case ChangeKind::tableRemoved:
        return "table " + c.table + " removed";
    case ChangeKind::valueChanged:
        return row + ": " + c.column + " " + cellText(c.from) + " -> " + cellText(c.to);
    case ChangeKind::rowAdded:
    case ChangeKind::rowRemoved:
        break;
    }
    std::vector<std::string> values;
    for (const auto& [column, value] : c.values)
        values.push_back(column + " " + cellText(value));
    return row + (c.kind == ChangeKind::rowAdded ? " added" : " removed") +
           (values.empty() ? std::string() : " (" + joined(values, ", ") + ")");
}

} // namespace setupcheck
