#include "tools/setup_check/medium/languages.h"

#include "locale/language.h"
#include "platform/wtext.h"
#include "tools/setup_check/basics/text.h"

#include <algorithm>
#include <filesystem>

namespace setupcheck {

std::vector<std::string> filesIn(const std::string& hostFolder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(hostFolder, ec))
        if (entry.is_regular_file(ec))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The number the name holds, kept only when the launcher's own name of that language is the
// name.
std::optional<std::uint32_t> languageOfName(const std::string& name, bool messageFile) {
    const std::u16string n = wtext::lowerAscii(utf16(name));
    const std::size_t digitsAt = messageFile ? 2 : 0;
    const std::size_t dot = n.rfind(u'.');
    if (dot == std::u16string::npos || dot <= digitsAt)
        return std::nullopt;
    const std::u16string digits = n.substr(digitsAt, dot - digitsAt);
    std::uint32_t id = 0;
    for (char16_t c : digits) {
        const int digit = c >= u'0' && c <= u'9'   ? c - u'0'
                          : c >= u'a' && c <= u'f' ? c - u'a' + 10
                                                   : -1;
        if (digit < 0 || digit >= (messageFile ? 16 : 10) || id > 0xFFFFFF)
            return std::nullopt;
        id = id * (messageFile ? 16 : 10) + std::uint32_t(digit);
    }
    const std::u16string own = messageFile ? messageFileName(id) : languageTransformName(id);
    return wtext::lowerAscii(own) == n ? std::optional<std::uint32_t>(id) : std::nullopt;
}

Languages languagesOnTheMedium(const std::string& hostFolder) {
    Languages found;
    for (const std::string& name : filesIn(hostFolder)) {
        if (auto id = languageOfName(name, false))
            found.transforms[*id] = name;
        if (auto id = languageOfName(name, true))
            found.messageFiles[*id] = name;
    }
    return found;
}

} // namespace setupcheck
