#include "tools/setup_check/package/msidll_transform_view.h"

namespace setupcheck::msidll {

namespace {

struct ViewRow {
    std::string table, column;
    std::optional<std::string> row, data, current;
};

std::vector<std::string> splitKey(const std::string& text) {
    std::vector<std::string> key;
    std::size_t start = 0;
    for (std::size_t tab; (tab = text.find('\t', start)) != std::string::npos; start = tab + 1)
        key.push_back(text.substr(start, tab - start));
    key.push_back(text.substr(start));
    return key;
}

std::size_t columnIndex(TableSnapshot& table, const std::string& column) {
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        if (table.columns[i] == column)
            return i;
    // A column the transform adds: null in every row until a value is set.
    table.columns.push_back(column);
    table.isKey.push_back(false);
    for (auto& [key, cells] : table.rows)
        cells.push_back(std::nullopt);
    return table.columns.size() - 1;
}

// The cells of a row whose key alone is known: the key columns in order, nulls elsewhere.
std::vector<Cell> newRow(const TableSnapshot& table, const std::vector<std::string>& key) {
    std::vector<Cell> cells(table.columns.size());
    std::size_t k = 0;
    for (std::size_t i = 0; i < table.columns.size() && k < key.size(); ++i)
        if (table.isKey[i])
            cells[i] = key[k++];
    return cells;
}

bool holdsBinary(const DatabaseSnapshot& applied, const std::string& table, std::size_t column) {
    const auto t = applied.find(table);
    if (t == applied.end())
        return false;
    for (const auto& [key, cells] : t->second.rows)
        if (column < cells.size() && cells[column] == std::string(binaryCell))
            return true;
    return false;
}

void make(DatabaseSnapshot& tables, const DatabaseSnapshot& applied, const ViewRow& v) {
    if (v.column == "CREATE") {
        const auto t = applied.find(v.table);
        tables[v.table] = t == applied.end()
                              ? TableSnapshot{}
                              : TableSnapshot{t->second.columns, t->second.isKey, {}};
        return;
    }
    if (v.column == "DROP") {
        tables.erase(v.table);
        return;
    }
    if (!v.row) // a column of a table added or described: the table's columns say it
        return;
    TableSnapshot& table = tables[v.table];
    const std::vector<std::string> key = splitKey(*v.row);
    if (v.column == "DELETE") {
        table.rows.erase(key);
        return;
    }
    auto row = table.rows.find(key);
    if (row == table.rows.end())
        row = table.rows.emplace(key, newRow(table, key)).first;
    if (v.column == "INSERT")
        return;
    const std::size_t i = columnIndex(table, v.column);
    row->second.resize(table.columns.size());
    if (!table.isKey[i])
        row->second[i] = v.data && holdsBinary(applied, v.table, i) ? Cell(binaryCell) : v.data;
}

} // namespace

std::optional<DatabaseSnapshot> viewedTables(MSIHANDLE viewed, const DatabaseSnapshot& before,
                                             const DatabaseSnapshot& applied) {
    std::string problem;
    const Api* a = api(problem);
    Handle view;
    if (!a ||
        a->openView(viewed,
                    u"SELECT `Table`, `Column`, `Row`, `Data`, `Current` FROM `_TransformView`",
                    view.put()) != 0 ||
        a->execute(view.get(), 0) != 0)
        return std::nullopt;
    DatabaseSnapshot tables = before;
    for (Handle record; a->fetch(view.get(), record.put()) == 0;) {
        const ViewRow row{fieldText(record.get(), 1).value_or(""),
                          fieldText(record.get(), 2).value_or(""), fieldText(record.get(), 3),
                          fieldText(record.get(), 4), fieldText(record.get(), 5)};
        make(tables, applied, row);
    }
    return tables;
}

} // namespace setupcheck::msidll
