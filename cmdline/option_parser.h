// The table-driven command-line parser: loads the option table, walks the tokens once and
// answers queries by option name afterwards; it also composes the usage text.
#pragma once

#include "cmdline/option_table.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class OptionParser {
public:
    // Prefix characters "/-", long options enabled, no arguments and no table.
    OptionParser();
    ~OptionParser();
    OptionParser(const OptionParser&) = delete;
    OptionParser& operator=(const OptionParser&) = delete;

    // Replaces the argument list. Element 0 is the program's own path and is never parsed.
    void setArguments(std::vector<std::u16string> arguments);
    void setLongOptionsEnabled(bool enabled);

    // Appends the table's rows in order, up to the first row that is neither a switch, a
    // valued option nor a parameter (or the end of the span). Rows are taken as they stand:
    // duplicate names are the table's own business, and the first match wins a lookup.
    void defineOptions(std::span<const OptionSpec> table);

    // 0: accepted. 1: refused at the first problem, described by diagnostic(). -1: the help
    // switch was given and ended the parse. Options recorded before a refusal stay recorded.
    std::int32_t parse();

    // The line the last parse composed for its problem (ending in a line feed); empty after
    // an accepted parse, after the help switch and after a missing required option.
    const std::u16string& diagnostic() const;
    // The argument list, and the index of the argument at which the last parse stopped (its
    // problem or the help switch); the list's size when it read every argument. Arguments
    // from there on were never looked at.
    const std::vector<std::u16string>& arguments() const;
    std::size_t stoppedAt() const;

    // Index of the first option whose name equals `name` (ASCII letters without regard to
    // case), else of the first whose long name does; -1 for none. Empty never matches.
    std::int32_t findOption(const std::u16string& name) const;
    // False for a name outside the table.
    bool isSet(const std::u16string& name) const;
    // The value of a present option; empty when it is absent or outside the table.
    std::u16string value(const std::u16string& name) const;
    // The converted value of a present number option; 0 otherwise.
    std::int32_t number(const std::u16string& name) const;

    std::size_t parameterCount() const;
    // The index-th positional argument; empty for an index at or past the count.
    std::u16string parameterValue(std::size_t index) const;

    // One synopsis line, then one line per option: its first column padded to the widest,
    // a tab and its description. Reads only the loaded table.
    std::u16string usage() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
