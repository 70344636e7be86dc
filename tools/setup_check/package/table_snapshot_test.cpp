#include "tools/setup_check/package/table_snapshot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace setupcheck {

namespace {

// A two-column table keyed by its first column, as Property is.
TableSnapshot properties(const std::vector<std::pair<std::string, Cell>>& rows) {
    TableSnapshot table{{"Property", "Value"}, {true, false}, {}};
    for (const auto& [name, value] : rows)
        table.rows[{name}] = {name, value};
    return table;
}

std::vector<std::string> texts(const DatabaseSnapshot& before, const DatabaseSnapshot& after) {
    std::vector<std::string> lines;
    for (const TableChange& change : compareSnapshots(before, after))
        lines.push_back(changeText(change));
    return lines;
}

TEST(TableSnapshot, ComparesEveryTableRowAndValue) {
    const DatabaseSnapshot base{{"Property", properties({{"A", "1"}, {"B", "2"}})}};
    struct Case {
        const char* name;
        DatabaseSnapshot after;
        std::vector<std::string> changes;
    };
    const Case cases[] = {
        {"unchanged", base, {}},
        {"a value",
         {{"Property", properties({{"A", "1"}, {"B", "3"}})}},
         {"Property B: Value 2 -> 3"}},
        {"a value made null",
         {{"Property", properties({{"A", "1"}, {"B", std::nullopt}})}},
         {"Property B: Value 2 -> (null)"}},
        {"a row added and one removed",
         {{"Property", properties({{"A", "1"}, {"C", "4"}})}},
         {"Property B removed (Value 2)", "Property C added (Value 4)"}},
        {"a table added with its rows",
         {{"Property", properties({{"A", "1"}, {"B", "2"}})}, {"Extra", properties({{"X", "9"}})}},
         {"table Extra added", "Extra X added (Value 9)"}},
        {"a table removed", {}, {"table Property removed"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(texts(base, c.after), c.changes) << c.name;
}

TEST(TableSnapshot, KeysOfSeveralColumnsAndColumnsAddedByATransform) {
    TableSnapshot before{{"Dialog", "Control", "Text"}, {true, true, false}, {}};
    before.rows[{"D", "C"}] = {"D", "C", "old"};
    TableSnapshot after = before;
    after.columns.push_back("Help");
    after.isKey.push_back(false);
    after.rows[{"D", "C"}] = {"D", "C", "new", "help"};
    const std::vector<TableChange> changes =
        compareSnapshots({{"Control", before}}, {{"Control", after}});
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].row, (std::vector<std::string>{"D", "C"}));
    EXPECT_EQ(changeText(changes[0]), "Control D, C: Text old -> new");
    EXPECT_EQ(changeText(changes[1]), "Control D, C: Help (null) -> help");
}

TEST(TableSnapshot, TheIdentityComesFromThePropertyTable) {
    const PackageFacts facts = withProperties(
        PackageFacts{}, {{"Property", properties({{"ProductCode", "{P}"}, {"ALLUSERS", ""}})}});
    EXPECT_EQ(facts.productCode, "{P}");
    EXPECT_EQ(facts.allUsers, "");
    EXPECT_FALSE(facts.productVersion.has_value());
    EXPECT_FALSE(withProperties(PackageFacts{}, {}).productCode.has_value());
}

} // namespace

} // namespace setupcheck
