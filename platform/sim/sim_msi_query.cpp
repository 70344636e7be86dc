// A tiny reader of the one query shape the launcher uses:
//   SELECT column FROM table [WHERE column = 'literal']
// Keywords ignore case, names do not, names may be quoted with backticks.
#include "platform/sim/sim_msi_internal.h"
#include "platform/wtext.h"

#include <algorithm>

namespace sim::msiimpl {

namespace {

struct Query {
    std::u16string column, table, whereColumn, whereValue;
    bool hasWhere = false;
};

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool isNameChar(char16_t c) {
    return c == u'_' || c == u'.' || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') ||
           (c >= u'a' && c <= u'z');
}

struct Lexer {
    std::u16string_view s;
    std::size_t i = 0;
    void blanks() {
        while (i < s.size() && isBlank(s[i]))
            ++i;
    }
    bool keyword(std::u16string_view word) {
        blanks();
        if (s.size() - i < word.size() || !wtext::equalsNoCaseAscii(s.substr(i, word.size()), word))
            return false;
        std::size_t end = i + word.size();
        if (end < s.size() && !isBlank(s[end]))
            return false;
        i = end;
        return true;
    }
    // Up to the next `close`, which is consumed; false when there is none.
    bool quoted(char16_t close, std::u16string& out) {
        std::size_t end = s.find(close, i + 1);
        if (end == std::u16string_view::npos)
            return false;
        out = s.substr(i + 1, end - i - 1);
        i = end + 1;
        return true;
    }
    bool name(std::u16string& out) {
        blanks();
        out.clear();
        if (i < s.size() && s[i] == u'`')
            return quoted(u'`', out) && !out.empty();
        while (i < s.size() && isNameChar(s[i]))
            out.push_back(s[i++]);
        return !out.empty();
    }
    bool literal(std::u16string& out) {
        blanks();
        return i < s.size() && s[i] == u'\'' && quoted(u'\'', out);
    }
    bool symbol(char16_t c) {
        blanks();
        if (i < s.size() && s[i] == c) {
            ++i;
            return true;
        }
        return false;
    }
    bool atEnd() {
        blanks();
        return i == s.size();
    }
};

bool parseQuery(std::u16string_view sql, Query& q) {
    Lexer lex{sql};
    if (!lex.keyword(u"SELECT") || !lex.name(q.column) || !lex.keyword(u"FROM") ||
        !lex.name(q.table))
        return false;
    if (lex.atEnd())
        return true;
    q.hasWhere = true;
    return lex.keyword(u"WHERE") && lex.name(q.whereColumn) && lex.symbol(u'=') &&
           lex.literal(q.whereValue) && lex.atEnd();
}

using Row = std::map<std::u16string, std::u16string>;

// The rows of a table as column -> value maps.
bool tableRows(const MsiPackageData& package, const std::u16string& table,
               std::vector<std::u16string>& columns, std::vector<Row>& rows) {
    const std::map<std::u16string, std::u16string>* source = nullptr;
    if (table == u"Property") {
        columns = {u"Property", u"Value"};
        source = &package.properties;
    } else if (table == u"File") {
        columns = {u"File", u"Version"};
        source = &package.fileVersions;
    } else {
        return false;
    }
    for (const auto& [k, v] : *source)
        rows.push_back({{columns[0], k}, {columns[1], v}});
    return true;
}

} // namespace

bool select(const MsiPackageData& package, std::u16string_view sql, Selection& selection) {
    Query q;
    std::vector<std::u16string> columns;
    std::vector<Row> rows;
    auto known = [&](const std::u16string& column) {
        return std::find(columns.begin(), columns.end(), column) != columns.end();
    };
    if (!parseQuery(sql, q) || !tableRows(package, q.table, columns, rows) || !known(q.column) ||
        (q.hasWhere && !known(q.whereColumn)))
        return false;
    selection.column = q.column;
    for (auto& row : rows)
        if (!q.hasWhere || row[q.whereColumn] == q.whereValue)
            selection.rows.push_back({row[q.column]});
    return true;
}

} // namespace sim::msiimpl
