#include "tools/setup_check/lints/command_line_lint.h"

#include "cmdline/option_table.h"
#include "locale/language_table.h"
#include "tools/setup_check/basics/text.h"
#include "tools/setup_check/explain/explain.h"

namespace setupcheck {

namespace {

// "/l, /S, /a, ...": the launcher's options, from its own table.
std::string optionNames() {
    std::string names;
    for (const OptionSpec& row : optionTable)
        if (row.kind == OptionKind::Switch || row.kind == OptionKind::Valued)
            names += (names.empty() ? "/" : ", /") + utf8(row.name);
    return names;
}

std::string languageCodes() {
    std::string codes;
    for (const LanguageRow& row : languageTable)
        codes += (codes.empty() ? "" : ", ") + utf8(row.code);
    return codes;
}

void lintStoppedReading(Lint& lint, const CommandLineDecision& c, const std::string& launcher) {
    if (c.parseResult != 1 || c.stoppedAt >= c.arguments.size())
        return;
    std::string diagnostic = utf8(c.diagnostic);
    if (!diagnostic.empty() && diagnostic.back() == '\n')
        diagnostic.pop_back();
    lint.add(WarningId::optionStopsReading, launcher, 0,
             "the launcher stops reading its command line at " + utf8(c.arguments[c.stoppedAt]) +
                 " (" + diagnostic + ") and ignores it and everything after it: " +
                 neverSeenText(c) + ". The run is " + modeText(c.mode) + ", UI level " +
                 uiLevelText(c.uiLevel) + "; the launcher's options are " + optionNames());
}

void lintLanguageCode(Lint& lint, const LanguageDecision& language, const std::string& launcher) {
    if (language.source != LanguageSource::Option || language.codeKnown)
        return;
    lint.add(WarningId::languageCodeUnknown, launcher, 0,
             "/l " + utf8(language.code) +
                 " names no language the launcher knows: the language stays as it was, and the "
                 "Ukraine rule is off as with any /l; the codes it knows are " +
                 languageCodes());
}

} // namespace

void lintCommandLine(Lint& lint, const DecisionRecord& record, const std::string& launcher) {
    lintStoppedReading(lint, record.commandLine, launcher);
    lintLanguageCode(lint, record.language, launcher);
}

} // namespace setupcheck
