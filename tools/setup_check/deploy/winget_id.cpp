// winget's package identifier: Publisher.Package, 2 to 8 parts of 1 to 32 characters, none of
// them a blank, a control character or one of \ / : * ? " < > |.
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/deploy/forms.h"

#include <string_view>

namespace setupcheck {

namespace {

constexpr std::size_t longestPart = 32;

bool allowed(char16_t c) {
    return c > 0x1F && c != u'.' &&
           std::u16string_view(u" \t\\/:*?\"<>|").find(c) == std::u16string_view::npos;
}

// The part for a name: its words run together, each starting with a capital letter
// ("Vorta Test product": VortaTestProduct), without what an identifier cannot hold.
std::u16string part(const std::string& name) {
    std::u16string out;
    bool wordStart = true;
    for (char16_t c : utf16(name)) {
        if (c == u' ' || c == u'\t' || c == u'-' || c == u'_') {
            wordStart = true;
            continue;
        }
        if (!allowed(c))
            continue;
        if (wordStart && c >= u'a' && c <= u'z')
            c = char16_t(c - u'a' + u'A');
        wordStart = false;
        out += c;
    }
    return out.substr(0, longestPart);
}

} // namespace

Result<std::string> wingetIdentifier(const std::string& publisher, const std::string& productName) {
    const std::u16string first = part(publisher), second = part(productName);
    if (first.empty() || second.empty())
        return Failure{"no package identifier can be made from the Manufacturer \"" + publisher +
                       "\" and the ProductName \"" + productName + "\": give one with --id"};
    return utf8(first + u"." + second);
}

bool validWingetIdentifier(const std::string& identifier) {
    const std::u16string id = utf16(identifier);
    std::size_t parts = 0, length = 0;
    for (std::size_t i = 0; i <= id.size(); ++i) {
        if (i == id.size() || id[i] == u'.') {
            if (length == 0 || length > longestPart)
                return false;
            ++parts;
            length = 0;
        } else if (!allowed(id[i])) {
            return false;
        } else {
            ++length;
        }
    }
    return parts >= 2 && parts <= 8 && identifier.size() <= 128;
}

} // namespace setupcheck
