#include "tools/setup_check/lints/cut_value_lint.h"

#include "config/ini_lines.h"
#include "tools/setup_check/basics/text.h"

namespace setupcheck {

namespace {

bool looksLikeData(const IniCut& cut) {
    const std::u16string dropped = cut.lineText.substr(cut.at);
    const bool blankBefore = cut.at > 0 && inilines::isWhiteSpace(cut.lineText[cut.at - 1]);
    return !blankBefore || dropped.find(u'=') != std::u16string::npos;
}

} // namespace

void lintCutValues(Lint& lint, const std::string& name, const IniReading& file) {
    for (const IniSectionPosition& s : file.positions.sections) {
        if (!s.taken)
            continue;
        const IniSection section = file.document.getSection(s.name);
        for (const IniKeyPosition& k : s.keys) {
            if (!k.cut || !looksLikeData(*k.cut))
                continue;
            const std::u16string& line = k.cut->lineText;
            lint.add(WarningId::valueCutByComment, name, k.line,
                     utf8(k.key) + " in [" + utf8(s.name) + "] is cut at \"" +
                         utf8(line.substr(k.cut->at, 1)) +
                         "\", which starts a comment: the "
                         "launcher keeps \"" +
                         utf8(section.getValue(k.key)) + "\" and drops \"" +
                         utf8(line.substr(k.cut->at)) + "\"");
        }
    }
}

} // namespace setupcheck
