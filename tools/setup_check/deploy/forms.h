// The forms a deployment is written in: a plain-text sheet for any deployment tool, the JSON
// body of Microsoft Graph's win32LobApp for Intune, and a winget manifest with the medium as a
// zip beside it.
#pragma once

#include "tools/setup_check/basics/result.h"
#include "tools/setup_check/deploy/deployment.h"

#include <string>
#include <vector>

namespace setupcheck {

enum class DeployForm { sheet, intune, winget };

// The sheet: commands, how to start them and wait, detection, exit codes, requirements and the
// warnings. `medium` and `profile` say what it was made from.
[[nodiscard]] std::string deploymentSheet(const Deployment& d, const CheckResult& install);

// The JSON body of a win32LobApp (Microsoft Graph, beta) for the deployment.
[[nodiscard]] std::string intuneBody(const Deployment& d);

struct WingetRequest {
    std::string url;        // where the zip will be downloaded from (https://…/name.zip)
    std::string outFolder;  // where the zip and the manifest go
    std::string identifier; // PackageIdentifier; empty: made from Manufacturer and ProductName
};

// The winget package identifier made from the publisher and the product's name
// ("Vorta Test", "Vorta Test product": VortaTest.VortaTestProduct), or why none can be.
[[nodiscard]] Result<std::string> wingetIdentifier(const std::string& publisher,
                                                   const std::string& productName);
// Whether `identifier` is one winget takes (1 to 32 characters in each of 2 to 8 parts).
[[nodiscard]] bool validWingetIdentifier(const std::string& identifier);

// Writes the medium in `mediumFolder` as a reproducible zip and the multi-file manifest for it
// into the request's folder; the lines to print (the files written and the zip's SHA-256).
[[nodiscard]] Result<std::vector<std::string>>
writeWinget(const Deployment& d, const std::string& mediumFolder, const WingetRequest& request);

} // namespace setupcheck
