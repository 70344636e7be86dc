#include "setup/entry.h"

#include "cmdline/option_parser.h"
#include "cmdline/option_table.h"
#include "cmdline/tokenizer.h"
#include "config/ini_file.h"
#include "platform/platform.h"
#include "setup/decision_record.h"
#include "setup/setup_app.h"

#include <memory>

std::uint32_t runSetup(DecisionRecord* record) {
    // A parser of its own, only to have the usage text at hand when the start is refused.
    auto usageParser = std::make_unique<OptionParser>();
    usageParser->setArguments(tokenizeCommandLine(platform::commandLine()));
    usageParser->setLongOptionsEnabled(false);
    usageParser->defineOptions(optionTable);
    usageParser->parse();

    std::uint32_t exitCode = 1;
    {
        SetupApp app(record);
        bool started = false;
        try {
            started = app.init(u"Setup.ini");
        } catch (const MalformedIniError& error) {
            // Nothing is installed from a half-read file: say which file and line is at
            // fault, then refuse like any other failed start.
            std::u16string line = error.describe();
            if (record) {
                record->initOutcome = InitOutcome::UnreadableFile;
                record->refusal = line;
            }
            platform::writeStdout(line + u"\n");
            if (!usageParser->isSet(option::silent)) {
                const std::u16string caption = u"Error";
                platform::messageBox(line, &caption, platform::mbIconError);
            }
        }
        if (started)
            exitCode = app.run();
        else
            platform::writeStdout(usageParser->usage());
    }
    return exitCode;
}
