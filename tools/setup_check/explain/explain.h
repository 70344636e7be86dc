// The launcher's decisions in words, as the reports print them. Every sentence is made from
// the decision record; none of them works a decision out again.
#pragma once

#include "tools/setup_check/result/check_result.h"

#include <string>
#include <vector>

namespace setupcheck {

std::string modeText(InstallMode mode);
std::string uiLevelText(std::uint32_t uiLevel);
std::string installedStateText(InstalledState state);
// Why the installation runs in its language.
std::string languageReason(const DecisionRecord& record);
// What the parse of the command line did, and what a refusal means for the run.
std::string commandLineText(const CommandLineDecision& commandLine);
// What a parse stopped by an argument never saw after it, and what those arguments would have
// done; empty when the parse read every argument.
std::string neverSeenText(const CommandLineDecision& commandLine);
// The Windows requirement, entry by entry.
std::vector<std::string> windowsLines(const DecisionRecord& record);
std::string runtimeText(const DecisionRecord& record);
std::string ukraineText(const DecisionRecord& record);
std::string transformsText(const DecisionRecord& record);
// The restart the installation asks for, and what causes it; empty when none.
std::string restartText(const RestartOutcome& restart);
// "installed", "cancelled by the user", "the installation is not started"...
std::string outcomeText(const CheckResult& result);
// "information", "error, system-modal" ...
std::string boxStyleText(std::uint32_t style);
// Line breaks as \n, so a text stands on one line.
std::string oneLine(const std::string& text);

} // namespace setupcheck
