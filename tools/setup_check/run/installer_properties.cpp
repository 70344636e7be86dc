#include "tools/setup_check/run/installer_properties.h"

#include "platform/wtext.h"

namespace setupcheck {

namespace {

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// The token starting at `pos`: up to the next blank outside double quotes.
std::u16string_view token(std::u16string_view text, std::size_t& pos) {
    const std::size_t start = pos;
    bool quoted = false;
    for (; pos < text.size() && (quoted || !isBlank(text[pos])); ++pos)
        if (text[pos] == u'"')
            quoted = !quoted;
    return text.substr(start, pos - start);
}

std::u16string unquoted(std::u16string_view value) {
    if (value.size() < 2 || value.front() != u'"' || value.back() != u'"')
        return std::u16string(value);
    std::u16string text;
    for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        text += value[i];
        if (value[i] == u'"' && value[i + 1] == u'"')
            ++i;
    }
    return text;
}

} // namespace

std::vector<PropertySetting> propertySettings(std::u16string_view commandLine) {
    std::vector<PropertySetting> settings;
    for (std::size_t pos = 0; pos < commandLine.size();) {
        if (isBlank(commandLine[pos])) {
            ++pos;
            continue;
        }
        const std::u16string_view t = token(commandLine, pos);
        const std::size_t equals = t.find(u'=');
        if (equals == 0 || equals == std::u16string_view::npos ||
            t.substr(0, equals).find(u'"') != std::u16string_view::npos)
            continue;
        settings.push_back({std::u16string(t.substr(0, equals)), unquoted(t.substr(equals + 1))});
    }
    return settings;
}

namespace {

std::size_t skipBlanks(std::u16string_view text, std::size_t pos) {
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    return pos;
}

// The value starting at `pos`, up to a blank outside quotes; `closed` is false when a quote
// runs to the end of the text.
std::u16string valueAt(std::u16string_view text, std::size_t& pos, bool& closed) {
    std::u16string value;
    closed = true;
    for (; pos < text.size() && !isBlank(text[pos]); ++pos) {
        if (text[pos] != u'"') {
            value += text[pos];
            continue;
        }
        closed = false;
        for (++pos; pos < text.size() && !closed; ++pos) {
            if (text[pos] != u'"')
                value += text[pos];
            else if (pos + 1 < text.size() && text[pos + 1] == u'"')
                value += text[++pos];
            else
                closed = true;
        }
        if (!closed)
            return value;
        --pos; // the loop steps over the closing quote
    }
    return value;
}

// The piece of text starting at `at` up to the next blank, as the refusal names it.
std::u16string pieceAt(std::u16string_view text, std::size_t at) {
    std::size_t end = at;
    while (end < text.size() && !isBlank(text[end]))
        ++end;
    return std::u16string(text.substr(at, end - at));
}

} // namespace

std::optional<std::u16string> InstallerCommandLine::value(std::u16string_view name) const {
    std::optional<std::u16string> found;
    for (const PropertySetting& setting : settings)
        if (wtext::equalsNoCaseAscii(setting.name, std::u16string(name)))
            found = setting.value;
    return found;
}

InstallerCommandLine readInstallerCommandLine(std::u16string_view text) {
    InstallerCommandLine read;
    for (std::size_t pos = skipBlanks(text, 0); pos < text.size(); pos = skipBlanks(text, pos)) {
        const std::size_t at = pos;
        while (pos < text.size() && !isBlank(text[pos]) && text[pos] != u'=' && text[pos] != u'"')
            ++pos;
        const std::u16string name(text.substr(at, pos - at));
        pos = skipBlanks(text, pos);
        const bool equals = pos < text.size() && text[pos] == u'=';
        if (name.empty() || !equals) {
            const PieceFault fault = name.empty() && equals ? PieceFault::noName
                                     : name.empty()         ? PieceFault::quotedPiece
                                                            : PieceFault::bareWord;
            read.refused = RefusedPiece{at, name.empty() ? pieceAt(text, at) : name, fault};
            return read;
        }
        pos = skipBlanks(text, pos + 1);
        bool closed = true;
        std::u16string value = valueAt(text, pos, closed);
        if (!closed) {
            std::u16string_view rest = text.substr(at);
            while (!rest.empty() && isBlank(rest.back()))
                rest.remove_suffix(1);
            read.refused = RefusedPiece{at, std::u16string(rest), PieceFault::unclosedQuote};
            return read;
        }
        read.settings.push_back({name, std::move(value)});
    }
    return read;
}

bool setsProperty(std::u16string_view commandLine, std::u16string_view name) {
    for (const PropertySetting& setting : propertySettings(commandLine))
        if (wtext::equalsNoCaseAscii(setting.name, name))
            return true;
    return false;
}

} // namespace setupcheck
