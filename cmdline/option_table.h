// The launcher's whole command-line vocabulary: one constant table of option rows. The
// parser loads it, the usage text lists it in row order, and the startup settings ask the
// parser for its options by name. Adding an option means adding a row here and a query there.
#pragma once

#include <cstdint>

enum class OptionKind : std::int32_t {
    Switch = 0,    // given or not
    Valued = 1,    // takes a value
    Parameter = 2, // a positional argument
    End = 3,       // loading stops at the first row that is none of the three above
};

enum class ValueType : std::int32_t {
    Str = 0,
    Num = 1,  // converted to a 32-bit signed number; 0 is refused
    Date = 2, // kept as text, no conversion
    None = 3, // every switch gets this type whatever its row says
};

// Behaviour bits of a row, combined with '|'.
enum class OptionFlags : std::int32_t {
    Required = 1,          // option: a parse without it fails
    Optional = 2,          // parameter: may be missing (carried on options without effect)
    Repeatable = 4,        // parameter: takes every further positional argument
    Help = 8,              // switch: ends the parse at once with result -1
    SeparatorRequired = 16 // valued option: an attached value needs ':' or '=' first
};

constexpr OptionFlags operator|(OptionFlags a, OptionFlags b) {
    return OptionFlags(std::int32_t(a) | std::int32_t(b));
}

constexpr bool hasFlag(OptionFlags set, OptionFlags bit) {
    return (std::int32_t(set) & std::int32_t(bit)) != 0;
}

struct OptionSpec {
    OptionKind kind;
    const char16_t* name;        // typed after '/' or '-'; null in a Parameter row
    const char16_t* longName;    // typed after "--"; null in a Parameter row
    const char16_t* description; // usage text column; a Parameter row's name
    ValueType valueType;         // read for Valued and Parameter rows only
    OptionFlags flags;
};

// The options' names, written once: the table declares them and every query asks by them, so a
// misspelt name does not compile instead of silently answering "not given".
namespace option {
inline constexpr char16_t language[] = u"l";
inline constexpr char16_t silent[] = u"S";
inline constexpr char16_t adminInstall[] = u"a";
inline constexpr char16_t uninstall[] = u"x";
inline constexpr char16_t instance[] = u"instance"; // accepted; nothing reads its value
inline constexpr char16_t debugLog[] = u"debuglog";
inline constexpr char16_t usage[] = u"?";
} // namespace option

inline constexpr OptionSpec optionTable[] = {
    {OptionKind::Valued, option::language, u"", u"language", ValueType::Str, OptionFlags::Optional},
    {OptionKind::Switch, option::silent, u"", u"Silent", ValueType::Str, OptionFlags{}},
    {OptionKind::Switch, option::adminInstall, u"", u"admin install", ValueType::Str,
     OptionFlags{}},
    {OptionKind::Switch, option::uninstall, u"", u"uninstall", ValueType::Str, OptionFlags{}},
    {OptionKind::Valued, option::instance, u"", u"instance", ValueType::Str, OptionFlags::Optional},
    {OptionKind::Valued, option::debugLog, u"", u"debuglog", ValueType::Str, OptionFlags::Optional},
    {OptionKind::Switch, option::usage, u"", u"Usage", ValueType::Str,
     OptionFlags::Help | OptionFlags::Optional},
    {OptionKind::Parameter, nullptr, nullptr, u"input params", ValueType::Str,
     OptionFlags::Optional | OptionFlags::Repeatable},
    {OptionKind::End, nullptr, nullptr, nullptr, ValueType::Str, OptionFlags{}},
};
