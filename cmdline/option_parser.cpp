#include "cmdline/option_parser.h"

#include "platform/platform.h"
#include "platform/wtext.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace {

struct Option {
    OptionKind kind = OptionKind::Switch;
    std::u16string name;
    std::u16string longName;
    std::u16string description;
    ValueType valueType = ValueType::None;
    OptionFlags flags{};
    bool present = false;
    std::int32_t number = 0; // meaningful only while present
    std::u16string value;    // meaningful only while present
};

struct Parameter {
    std::u16string name;
    ValueType valueType = ValueType::Str; // kept; positional arguments are stored as text
    OptionFlags flags{};
};

// A table row may leave a text null; it loads as empty rather than as undefined behaviour.
std::u16string textOf(const char16_t* text) {
    return text ? std::u16string(text) : std::u16string();
}

// An empty name is never a match: every long name of the launcher's table is empty, so
// matching it would turn "--=x" or a query for "" into the first option.
bool sameName(std::u16string_view typed, std::u16string_view declared) {
    return !typed.empty() && wtext::equalsNoCaseAscii(typed, declared);
}

bool isNameChar(char16_t c, bool longForm) {
    return platform::isAlnum(c) || c == u'_' || c == u'?' || (longForm && c == u'-');
}

const char16_t* typeWord(ValueType type) {
    switch (type) {
    case ValueType::Num:
        return u"num";
    case ValueType::Date:
        return u"date";
    default:
        return u"str";
    }
}

constexpr char16_t quote = u'"';

} // namespace

struct OptionParser::State {
    std::u16string prefixChars = u"/-";
    bool longOptionsEnabled = true;
    std::vector<std::u16string> arguments;
    std::vector<Option> options;
    std::vector<Parameter> parameters;
    std::vector<std::u16string> parameterValues;
    std::u16string diagnostic;
    std::size_t stoppedAt = 0;

    class Run;

    const Option* find(const std::u16string& name) const {
        for (const Option& o : options)
            if (sameName(name, o.name))
                return &o;
        for (const Option& o : options)
            if (sameName(name, o.longName))
                return &o;
        return nullptr;
    }
};

// One walk over the arguments. `ok_` false ends it; `help_` tells the help switch from a
// refusal.
class OptionParser::State::Run {
public:
    explicit Run(State& s)
        : arguments_(s.arguments), options_(s.options), parameters_(s.parameters),
          parameterValues_(s.parameterValues), prefixChars_(s.prefixChars),
          longOptionsEnabled_(s.longOptionsEnabled), diagnostic_(s.diagnostic),
          stoppedAt_(s.stoppedAt) {}

    std::int32_t run() {
        diagnostic_.clear();
        for (Option& o : options_)
            o.present = false;
        stoppedAt_ = arguments_.size();
        for (std::size_t i = 1; i < arguments_.size() && ok_; ++i) {
            stoppedAt_ = i;
            const std::u16string& arg = arguments_[i];
            if (arg == u"--") {
                optionsAllowed_ = false;
                continue;
            }
            if (optionsAllowed_ && arg.size() >= 2 &&
                prefixChars_.find(arg[0]) != std::u16string::npos)
                option(i);
            else
                positional(arg);
        }
        if (ok_)
            stoppedAt_ = arguments_.size();
        if (ok_)
            checkRequired();
        if (ok_)
            return 0;
        return help_ ? -1 : 1;
    }

private:
    void fail(std::u16string line) {
        line.push_back(u'\n');
        diagnostic_ = std::move(line);
        ok_ = false;
    }

    // The option argument at index i; a valued option may take the next argument too.
    void option(std::size_t& i) {
        const std::u16string& arg = arguments_[i];
        const bool longForm = arg[0] == u'-' && arg[1] == u'-';
        const std::size_t start = longForm ? 2 : 1;
        std::size_t end = start;
        while (end < arg.size() && isNameChar(arg[end], longForm))
            ++end;
        const std::u16string_view run(arg.data() + start, end - start);

        Option* found = nullptr;
        std::u16string name;
        if (longForm) {
            if (!longOptionsEnabled_)
                return fail(u"Unknown option --" + std::u16string(run));
            for (Option& o : options_)
                if (sameName(run, o.longName)) {
                    found = &o;
                    break;
                }
            if (!found)
                return fail(u"Unknown long option " + std::u16string(run));
            name = run;
        } else {
            // The longest prefix of the run that names an option wins, so /debuglogx.log is
            // "debuglog" with the value "x.log".
            for (std::size_t length = run.size(); length > 0 && !found; --length) {
                const std::u16string_view tried = run.substr(0, length);
                for (Option& o : options_)
                    if (sameName(tried, o.name)) {
                        found = &o;
                        name = tried;
                        break;
                    }
            }
            if (!found)
                return fail(u"Unknown option " + std::u16string(run));
        }
        const std::u16string rest = arg.substr(start + name.size());

        if (found->kind == OptionKind::Switch) {
            if (!rest.empty())
                return fail(u"Unexpected characters following option " + std::u16string(1, quote) +
                            name + quote);
            found->present = true;
            if (hasFlag(found->flags, OptionFlags::Help)) {
                help_ = true;
                ok_ = false;
            }
            return;
        }

        std::u16string text;
        if (longForm) {
            if (rest.empty() || rest[0] != u'=')
                return fail(u"Option '" + name + u"' requires a value, '=' expected.");
            text = rest.substr(1);
        } else if (rest.empty()) {
            if (i + 1 >= arguments_.size())
                return fail(u"Option " + std::u16string(1, quote) + name + quote +
                            u" requires a value.");
            text = arguments_[++i];
        } else if (rest[0] == u':' || rest[0] == u'=') {
            text = rest.substr(1);
        } else {
            if (hasFlag(found->flags, OptionFlags::SeparatorRequired))
                return fail(u"Separator expected after the option " + name);
            text = rest;
        }

        if (found->valueType == ValueType::Num) {
            const std::int32_t number = wtext::parseLong(text);
            if (number == 0)
                return fail(text + u" is not a correct numeric value for option " + name);
            found->number = number;
        } else {
            found->value = std::move(text);
        }
        found->present = true;
    }

    void positional(const std::u16string& arg) {
        if (paramIndex_ >= parameters_.size())
            return fail(u"Unexpected parameter '" + arg + u"'");
        parameterValues_.push_back(arg);
        if (hasFlag(parameters_[paramIndex_].flags, OptionFlags::Repeatable))
            repeatSeen_ = true;
        else
            ++paramIndex_;
    }

    void checkRequired() {
        for (const Option& o : options_)
            if (hasFlag(o.flags, OptionFlags::Required) && !o.present) {
                ok_ = false;
                return;
            }
        for (std::size_t p = paramIndex_; p < parameters_.size(); ++p) {
            const Parameter& parameter = parameters_[p];
            const bool repeated = p + 1 == parameters_.size() &&
                                  hasFlag(parameter.flags, OptionFlags::Repeatable) && repeatSeen_;
            if (!repeated && !hasFlag(parameter.flags, OptionFlags::Optional))
                return fail(u"The required parameter '" + parameter.name + u"' was not specified.");
        }
    }

    const std::vector<std::u16string>& arguments_;
    std::vector<Option>& options_;
    std::vector<Parameter>& parameters_;
    std::vector<std::u16string>& parameterValues_;
    const std::u16string& prefixChars_;
    const bool longOptionsEnabled_;
    std::u16string& diagnostic_;
    std::size_t& stoppedAt_;

    bool ok_ = true;
    bool help_ = false;
    bool optionsAllowed_ = true;
    std::size_t paramIndex_ = 0;
    bool repeatSeen_ = false;
};

OptionParser::OptionParser() : state_(std::make_unique<State>()) {}

OptionParser::~OptionParser() = default;

void OptionParser::setArguments(std::vector<std::u16string> arguments) {
    state_->arguments = std::move(arguments);
}

void OptionParser::setLongOptionsEnabled(bool enabled) {
    state_->longOptionsEnabled = enabled;
}

void OptionParser::defineOptions(std::span<const OptionSpec> table) {
    for (const OptionSpec& row : table) {
        switch (row.kind) {
        case OptionKind::Switch:
        case OptionKind::Valued: {
            Option o;
            o.kind = row.kind;
            o.name = textOf(row.name);
            o.longName = textOf(row.longName);
            o.description = textOf(row.description);
            o.valueType = row.kind == OptionKind::Switch ? ValueType::None : row.valueType;
            o.flags = row.flags;
            state_->options.push_back(std::move(o));
            break;
        }
        case OptionKind::Parameter:
            state_->parameters.push_back({textOf(row.description), row.valueType, row.flags});
            break;
        default:
            return;
        }
    }
}

std::int32_t OptionParser::parse() {
    return State::Run(*state_).run();
}

const std::u16string& OptionParser::diagnostic() const {
    return state_->diagnostic;
}

const std::vector<std::u16string>& OptionParser::arguments() const {
    return state_->arguments;
}

std::size_t OptionParser::stoppedAt() const {
    return state_->stoppedAt;
}

std::int32_t OptionParser::findOption(const std::u16string& name) const {
    const Option* o = state_->find(name);
    return o ? std::int32_t(o - state_->options.data()) : -1;
}

bool OptionParser::isSet(const std::u16string& name) const {
    const Option* o = state_->find(name);
    return o && o->present;
}

std::u16string OptionParser::value(const std::u16string& name) const {
    const Option* o = state_->find(name);
    return o && o->present ? o->value : std::u16string();
}

std::int32_t OptionParser::number(const std::u16string& name) const {
    const Option* o = state_->find(name);
    return o && o->present ? o->number : 0;
}

std::size_t OptionParser::parameterCount() const {
    return state_->parameterValues.size();
}

std::u16string OptionParser::parameterValue(std::size_t index) const {
    const auto& values = state_->parameterValues;
    return index < values.size() ? values[index] : std::u16string();
}

std::u16string OptionParser::usage() const {
    const State& s = *state_;
    const char16_t prefix = s.prefixChars.empty() ? u'-' : s.prefixChars[0];

    std::u16string text = u"Usage: ";
    for (const Option& o : s.options) {
        const bool required = hasFlag(o.flags, OptionFlags::Required);
        text += u' ';
        if (!required)
            text += u'[';
        if (!o.name.empty())
            text += prefix + o.name;
        else if (s.longOptionsEnabled && !o.longName.empty())
            text += u"--" + o.longName;
        if (o.kind == OptionKind::Valued)
            text += u" <" + std::u16string(typeWord(o.valueType)) + u'>';
        if (!required)
            text += u']';
    }
    for (const Parameter& p : s.parameters) {
        const bool optional = hasFlag(p.flags, OptionFlags::Optional);
        text += u' ';
        if (optional)
            text += u'[';
        text += p.name;
        if (hasFlag(p.flags, OptionFlags::Repeatable))
            text += u"...";
        if (optional)
            text += u']';
    }
    text += u'\n';

    std::vector<std::u16string> columns;
    std::size_t width = 0;
    for (const Option& o : s.options) {
        std::u16string column;
        if (!o.name.empty())
            column = prefix + o.name;
        if (s.longOptionsEnabled && !o.longName.empty())
            column += (column.empty() ? u"  --" : u", --") + o.longName;
        if (o.kind == OptionKind::Valued)
            column +=
                (o.longName.empty() ? u":<" : u"=<") + std::u16string(typeWord(o.valueType)) + u'>';
        width = std::max(width, column.size());
        columns.push_back(std::move(column));
    }
    for (std::size_t k = 0; k < s.options.size(); ++k) {
        text += columns[k];
        text.append(width - columns[k].size(), u' ');
        text += u'\t';
        text += s.options[k].description;
        text += u'\n';
    }
    return text;
}
