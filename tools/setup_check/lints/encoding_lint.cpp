#include "tools/setup_check/lints/encoding_lint.h"

#include "platform/wtext.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/medium/encoding.h"

#include <algorithm>
#include <optional>

namespace setupcheck {

namespace {

std::string shortened(const std::string& text) {
    constexpr std::size_t longest = 80;
    if (text.size() <= longest)
        return text;
    std::size_t cut = longest;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut; // not inside a UTF-8 sequence
    return text.substr(0, cut) + "...";
}

// How the launcher reads the start of a UTF-16 file without a mark: as ANSI text that ends at
// its first zero byte.
std::string seenOfUtf16(const SimulatedMachine& machine, const std::string& bytes) {
    const std::u16string seen = machine.decodeAnsi(bytes.substr(0, bytes.find('\0')));
    return seen.empty() ? "nothing of it" : "only \"" + shortened(utf8(seen)) + "\"";
}

} // namespace

bool lintUtf16WithoutMark(Lint& lint, const SimulatedMachine& machine, const MediumFile& file,
                          const std::string& consequence) {
    const std::optional<std::string> bytes = machine.bytesOf(file.path);
    const Utf16Order order = bytes ? utf16WithoutMark(*bytes) : Utf16Order::none;
    if (order == Utf16Order::none)
        return false;
    const bool little = order == Utf16Order::littleEndian;
    lint.add(WarningId::utf16WithoutMark, file.name, 0,
             file.name + " is UTF-16 " + (little ? "little" : "big") +
                 "-endian without a byte-order mark: the launcher reads a file without a mark "
                 "as ANSI text, which ends at its first zero byte, so it reads " +
                 seenOfUtf16(machine, *bytes) + " and " + consequence +
                 "; save it as UTF-16 little-endian with the mark FF FE" +
                 (little ? "" : " (the launcher reads no big-endian text)") +
                 ", or as UTF-8 with the mark EF BB BF");
    return true;
}

void lintAnsiText(Lint& lint, const SimulatedMachine& machine,
                  const std::vector<MediumFile>& files) {
    const std::uint32_t codePage = ansiCodePageOf(machine.profile());
    for (const MediumFile& file : files) {
        const std::optional<std::string> bytes = machine.bytesOf(file.path);
        if (!bytes || hasByteOrderMark(*bytes) || utf16WithoutMark(*bytes) != Utf16Order::none)
            continue;
        const auto high = std::find_if(bytes->begin(), bytes->end(), [](char c) {
            return static_cast<unsigned char>(c) >= 0x80;
        });
        if (high == bytes->end())
            continue;
        const std::size_t at = static_cast<std::size_t>(high - bytes->begin());
        const std::size_t start = bytes->rfind('\n', at) + 1; // npos + 1 is 0
        std::string line = bytes->substr(start, bytes->find('\n', at) - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t number =
            1 + static_cast<std::size_t>(std::count(bytes->begin(), high, '\n'));
        const std::u16string reads = machine.decodeAnsi(line);
        const bool utf8Text = wtext::toUtf8(wtext::fromUtf8(*bytes)) == *bytes;
        lint.add(WarningId::ansiText, file.name, number,
                 file.name +
                     " holds text beyond ASCII and no byte-order mark: the launcher reads "
                     "it in this machine's ANSI code page, " +
                     std::to_string(codePage) + ", where line " + std::to_string(number) +
                     " reads \"" + shortened(utf8(reads)) + "\"" +
                     (utf8Text ? "; the file is UTF-8: with the mark EF BB BF in front the "
                                 "launcher reads it as UTF-8 on every machine"
                               : "; a machine of another code page reads it otherwise (UTF-8 "
                                 "with the mark EF BB BF reads alike everywhere)"));
    }
}

} // namespace setupcheck
