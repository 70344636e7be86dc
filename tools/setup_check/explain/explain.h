// The launcher's decisions in words, as the reports print them. Every sentence is made from
// the decision record; none of them works a decision out again.
#pragma once

#include "tools/setup_check/result/check_result.h"

#include <string>
#include <vector>

namespace setupcheck {

[[nodiscard]] std::string modeText(InstallMode mode);
[[nodiscard]] std::string uiLevelText(std::uint32_t uiLevel);
[[nodiscard]] std::string installedStateText(InstalledState state);
// Why the installation runs in its language.
[[nodiscard]] std::string languageReason(const DecisionRecord& record);
// What the parse of the command line did, and what a refusal means for the run.
[[nodiscard]] std::string commandLineText(const CommandLineDecision& commandLine);
// What a parse stopped by an argument never saw after it, and what those arguments would have
// done; empty when the parse read every argument.
[[nodiscard]] std::string neverSeenText(const CommandLineDecision& commandLine);
// The Windows requirement, entry by entry.
[[nodiscard]] std::vector<std::string> windowsLines(const DecisionRecord& record);
[[nodiscard]] std::string runtimeText(const DecisionRecord& record);
[[nodiscard]] std::string ukraineText(const DecisionRecord& record);
[[nodiscard]] std::string transformsText(const DecisionRecord& record);
// The restart the installation asks for, and what causes it; empty when none.
[[nodiscard]] std::string restartText(const RestartOutcome& restart);
// "per_machine", "per_user", "per_machine_for_administrators".
[[nodiscard]] std::string contextName(InstallContext context);
// "every user of the machine (per machine)" and the like.
[[nodiscard]] std::string contextText(InstallContext context);
// The launcher file on the medium in a few words: "an x86 Windows program, launcher code 1.0.0,
// file version 1.0.0.0", "missing".
[[nodiscard]] std::string launcherFileText(const LauncherImage& image);
// "missing", "not_a_program", "program", ...
[[nodiscard]] std::string imageStatusName(ImageStatus status);
// "installed", "cancelled by the user", "the installation is not started"...
[[nodiscard]] std::string outcomeText(const CheckResult& result);
// "information", "error, system-modal" ...
[[nodiscard]] std::string boxStyleText(std::uint32_t style);
// Line breaks as \n, so a text stands on one line.
[[nodiscard]] std::string oneLine(const std::string& text);

} // namespace setupcheck
