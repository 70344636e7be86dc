#include "setup/entry.h"

#include "cmdline/option_parser.h"
#include "cmdline/option_table.h"
#include "cmdline/tokenizer.h"
#include "platform/platform.h"
#include "setup/decision_record.h"
#include "setup/setup_app.h"
#include "setup/setup_ini.h"

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
        bool started = app.init(setupIni::fileName);
        if (!app.refusal.empty()) {
            // Nothing is installed from a file that could not be read whole: say which file
            // is at fault and why, then refuse like any other failed start.
            const std::u16string& line = app.refusal;
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
