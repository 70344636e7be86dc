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

bool setsProperty(std::u16string_view commandLine, std::u16string_view name) {
    for (const PropertySetting& setting : propertySettings(commandLine))
        if (wtext::equalsNoCaseAscii(setting.name, name))
            return true;
    return false;
}

} // namespace setupcheck
