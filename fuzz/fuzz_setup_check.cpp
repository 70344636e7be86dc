// setup-check as a whole, on a generated medium: Setup.ini, two message files, the package
// folder's setup.ini, a profile's settings and the launcher's arguments, checked on two
// machines and printed as the text report, the JSON report and the matrix.
//
// Input layout (every length is clamped to what is left):
//   byte 0   medium switches (bit 0 the package, built once with wixl, and its Russian and
//            Ukrainian transforms; bit 1 the package in data\ rather than beside the launcher;
//            bit 2 admupdt.cfg; bit 3 instmsi30.exe; bit 4 the medium at the root of a drive;
//            bit 5 the launcher named "Install Vorta.exe")
//   byte 1   the machines: the preset of the first (low nibble, modulo the presets) and of the
//            second (high nibble)
//   then, each as 2 bytes little-endian length and its bytes: Setup.ini, 0x0409.ini,
//   0x0419.ini, the package folder's setup.ini, the profile settings (key=value lines applied
//   to both machines; map. lines are left out, so that no input reaches outside its medium),
//   and the rest the launcher's arguments.
//
// Checked on every input: no report is empty, the JSON report is one object whose brackets
// balance outside its strings, and every exit status is one the tool documents.
#include "fuzz/fuzz_input.h"
#include "tools/setup_check/check.h"
#include "tools/setup_check/reports/report.h"
#include "tools/setup_check/result/exit_status.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace setupcheck;

using fuzzinput::check;

using fuzzinput::Reader;

fs::path scratch;  // this process's own folder
fs::path packages; // the real package and transforms, empty when they could not be built

void write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// The profile settings of the input, without the lines that map further folders.
std::string withoutMaps(const std::string& text) {
    std::istringstream in(text);
    std::string line, kept;
    while (std::getline(in, line))
        if (line.find("map.") == std::string::npos)
            kept += line + "\n";
    return kept;
}

Profile machineOf(std::size_t preset, const std::string& settings) {
    const std::vector<std::string> names = presetNames();
    Profile profile = *setupcheck::preset(names[preset % names.size()]);
    // A setting the tool refuses leaves the profile as far as it was read, as a profile file
    // with a bad line is refused by the tool before any check.
    (void)applyProfileText(profile, settings, "fuzz");
    return profile;
}

// The JSON report is one object: its brackets balance outside its strings.
bool balanced(const std::string& json) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (--depth < 0)
                return false;
        }
    }
    return depth == 0 && !inString && !json.empty() && json.front() == '{';
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    scratch = fs::temp_directory_path() / ("fuzz-setup-check-" + std::to_string(::getpid()));
    packages = scratch / "packages";
    fs::create_directories(packages);
    const std::string command = "python3 \"" SETUP_SOURCE_DIR "/tests/support/check_media.py\" \"" +
                                packages.string() + "\" >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        packages.clear();
    std::atexit([] { fs::remove_all(scratch); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in{data, size};
    const std::uint8_t medium = in.byte();
    const std::uint8_t machines = in.byte();
    const fs::path folder = scratch / "medium";
    fs::remove_all(folder);
    fs::create_directories(folder);
    write(folder / "Setup.ini", in.chunk());
    write(folder / "0x0409.ini", in.chunk());
    write(folder / "0x0419.ini", in.chunk());
    const std::string packageFolder = (medium & 2) ? "data" : "";
    write(folder / packageFolder / "setup.ini", in.chunk());
    const std::string settings = withoutMaps(in.chunk());
    const std::string arguments = in.rest();
    if ((medium & 1) && !packages.empty())
        for (const char* name : {"product.msi", "1049.mst", "1058.mst"})
            fs::copy_file(packages / name, folder / packageFolder / name,
                          fs::copy_options::overwrite_existing);
    if (medium & 4)
        write(folder / "admupdt.cfg", "");
    if (medium & 8)
        write(folder / "instmsi30.exe", "MZ");
    const Placement placement{(medium & 16) ? "D:\\" : "C:\\media",
                              (medium & 32) ? "Install Vorta.exe" : "setup.exe"};

    const MediumFindings findings = checkMediumFiles(folder.string(), placement);
    std::vector<CheckResult> results;
    for (std::size_t preset : {std::size_t(machines & 15), std::size_t(machines >> 4)})
        results.push_back(checkOnMachine(findings, folder.string(), machineOf(preset, settings),
                                         arguments, placement));
    const ExitStatus status = checkStatus(results, Strictness::All);
    check(status != ExitStatus::UsageError, "a check never ends in a usage error");
    for (const CheckResult& r : results) {
        const ExitStatus own = runStatus(r);
        check(own == ExitStatus::Succeeds || own == ExitStatus::LauncherRefuses ||
                  own == ExitStatus::InstallerFails,
              "a run's status is 0, 1 or 3");
        check(!textReport(r).empty(), "the text report says something");
    }
    check(balanced(jsonReport(results, status)), "the JSON report is one object");
    check(!matrixTable(results).empty(), "the matrix has its rows");
    (void)matrixWarnings(results);
    return 0;
}
