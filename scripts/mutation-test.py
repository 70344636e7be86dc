#!/usr/bin/env python3
"""Applies one-line faults to a copy of the launcher's core, rebuilds the native tests and runs
them: each fault must make at least one test fail (or hang past the time limit). Prints which
faults the suite caught and exits 1 when one survived.

    scripts/mutation-test.py              every fault
    scripts/mutation-test.py scanner ...  only the faults whose names contain one of the words

The copy lives in a scratch folder with a build of its own (Debug, no sanitizers: the faults
are about results, and a plain build links faster), so the checkout is never touched. One fault
takes a rebuild of one file and a relink of the test programs.
"""

import os
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))

# (name, file, [(text, replacement), ...]): each text must stand exactly once in its file.
FAULTS = [
    ("tokenizer: an escaped quote keeps the escape", "cmdline/tokenizer.cpp",
     [("if (escaped)\n                    escaped = false;", "if (escaped)\n                    ;")]),
    ("tokenizer: the escape state runs on into the next token", "cmdline/tokenizer.cpp",
     [("        bool escaped = false;\n", ""),
      ("    bool insideQuotes = false;\n", "    bool insideQuotes = false;\n    bool escaped = false;\n")]),
    ("parser: the shortest matching name wins", "cmdline/option_parser.cpp",
     [("for (std::size_t length = run.size(); length > 0 && !found; --length)",
       "for (std::size_t length = 1; length <= run.size() && !found; ++length)")]),
    ("usage: ':' before a long name's value while long options are off", "cmdline/option_parser.cpp",
     [("(o.longName.empty() ? u\":<\" : u\"=<\")",
       "(o.longName.empty() || !s.longOptionsEnabled ? u\":<\" : u\"=<\")")]),
    ("parser: a repeatable parameter anywhere is satisfied by repeats", "cmdline/option_parser.cpp",
     [("const bool repeated = p + 1 == parameters_.size() &&", "const bool repeated =")]),
    ("languages: a wrong LANGID in the table", "locale/language_table.h",
     [("{u\"vi\", 0x042A,", "{u\"vi\", 0x042B,")]),
    ("languages: another wrong LANGID in the table", "locale/language_table.h",
     [("{u\"tr\", 0x041F,", "{u\"tr\", 0x041E,")]),
    ("country: a layout's language taken from its device word", "locale/country.cpp",
     [("countryOfLocale(std::uint32_t(layout & 0xFFFF)", "countryOfLocale(std::uint32_t(layout >> 16)")]),
    ("country: the user's country asked without the user's override", "locale/country.cpp",
     [("signs.userCountry = countryOfLocale(localeUserDefault);",
       "signs.userCountry = countryOfLocale(localeUserDefault, localeNoUserOverride);")]),
    ("Windows: service pack bits above 15 kept", "sysreq/windows_requirement.cpp",
     [("static_cast<std::uint16_t>((servicePack >> 8) & 0xFF)",
       "static_cast<std::uint16_t>(servicePack >> 8)")]),
    ("Windows: the minor version's condition dropped", "sysreq/windows_requirement.cpp",
     [("        conditions = platform::verSetConditionMask(conditions, bit, platform::verGreaterEqual);",
       "        if (bit != platform::verMinorVersion)\n"
       "            conditions = platform::verSetConditionMask(conditions, bit, platform::verGreaterEqual);")]),
    ("numbers: a plus sign is not read", "platform/wtext.cpp",
     [("(s[i] == u'+' || s[i] == u'-')", "(s[i] == u'-')")]),
    ("package: opened for writing", "installer/msi_package.cpp",
     [("installer.openDatabase(path, msi::openReadOnly, database.put())",
       "installer.openDatabase(path, u\"\", database.put())")]),
    ("installed: the install location is not asked", "installer/msi_package.cpp",
     [("if (own.getProductInfo(product, u\"InstallLocation\", text) != 0)\n            return false;\n", "")]),
    ("instances: a count line in another letter case is an instance", "installer/instance_description.cpp",
     [("!wtext::equalsNoCaseAscii(key, instanceDescriptionName::count)",
       "key != instanceDescriptionName::count")]),
    ("run: the package is inspected before the runtime update", "setup/setup_app.cpp",
     [("    updateRuntime();\n    inspectPackage(adminUpdate);\n",
       "    inspectPackage(adminUpdate);\n    updateRuntime();\n")]),
    ("owner: an output argument's address handed out over a live handle", "platform/unique_handle.h",
     [("        reset();\n        return &handle_;", "        return &handle_;")]),
    ("binding: an unbound log entry point is called", "installer/msi_library.cpp",
     [("    if (!MsiEnableLogW)\n        return msi::errorInvalidFunction;\n", "")]),
    ("runtime: msi.dll held while its setup runs", "installer/msi_runtime.cpp",
     [("    msiLibrary().unload();\n    bool started", "    bool started")]),
    ("reader: an ANSI file decoded to its stated length", "config/input_data_file.cpp",
     [("platform::decodeAnsi(bytes.get(), got)",
       "platform::decodeAnsi(bytes.get(), std::max(got, byteCount))")]),
    ("reader: a UTF-16 file's units counted by its stated length", "config/input_data_file.cpp",
     [("    count = got / 2;\n", "")]),
    ("reader: no guard against files too large to hold", "config/input_data_file.cpp",
     [("    if (size > std::numeric_limits<std::size_t>::max() / 4) {\n"
       "        result_.fault = InputDataFault::tooLarge;\n"
       "        return;\n"
       "    }\n", "")]),
    ("run: an instance without a name gives no transform", "setup/property_string.cpp",
     [("    if (instanceName) {\n", "    if (instanceName && !instanceName->empty()) {\n")]),
    ("run: the instance transform only for an instance with a name", "setup/setup_app.cpp",
     [("        instanceTransform = package.instanceName();",
       "        if (!package.instanceName().empty())\n"
       "            instanceTransform = package.instanceName();")]),
    ("reader: a read that fails is taken for the end of the file", "config/input_data_file.cpp",
     [("    if (!file.readFailed(systemError))\n        return false;",
       "    if (true || !file.readFailed(systemError))\n        return false;")]),
    ("reader: a read that fails further on ends the file there", "config/input_data_file.cpp",
     [("        if (noteReadFailure() || n == 0)\n", "        if (n == 0)\n")]),
    ("reader: the text before a failed read is kept", "config/input_data_file.cpp",
     [("    if (!result_.ok()) {\n        text.reset();\n        textLength = 0;\n    }\n", "")]),
    ("instances: a read that fails ends the description there",
     "installer/instance_description.cpp",
     [("        if (file.readFailed(systemError))\n", "        if (false && file.readFailed(systemError))\n")]),
    ("reader: a header repeating the section being read goes on with it", "config/ini_file.cpp",
     [("        if (isHeaderLine(lineText)) {\n            if (inSection)\n",
       "        std::u16string_view repeated;\n"
       "        if (isHeaderLine(lineText) && inSection && headerName(lineText, repeated) &&\n"
       "            repeated == sectionName) {\n"
       "        } else if (isHeaderLine(lineText)) {\n            if (inSection)\n")]),
    ("reader: white space above U+00FF is U+3000 alone", "config/ini_lines.h",
     [("    return platform::isSpace(c);\n", "    return c == 0x3000;\n")]),
    ("entry: a box for a malformed file under /S", "setup/entry.cpp",
     [("if (!usageParser->isSet(option::silent))", "if (true)")]),
    ("scanner: the plain scanner misses '='", "config/line_scan.cpp",
     [("static bool mayMatter(char16_t c) { return c <= u'='; }",
       "static bool mayMatter(char16_t c) { return c < u'='; }")]),
    ("scanner: the plain scanner forgets an earlier ';' at a '#'", "config/line_scan.cpp",
     [("            semicolonBeforeHash = semicolon;\n", "")]),
    ("setup-check: no warning for a missing Location", "tools/setup_check/lints/settings_lint.cpp",
     [("    if (!locationLine) {\n", "    if (false) {\n")]),
    ("setup-check: no warning for a requirement that is not a version",
     "tools/setup_check/lints/settings_lint.cpp",
     [("if (parseVersion(requirement).major < 0)", "if (parseVersion(requirement).major < -1)")]),
    ("setup-check: no warning for a list entry neither 1 nor 0", "tools/setup_check/lints/settings_lint.cpp",
     [("        if (check.value != u\"0\")\n", "        if (check.value == u\"-\")\n")]),
    ("setup-check: no warning for a list without an entry of 1", "tools/setup_check/lints/settings_lint.cpp",
     [("    if (!anyAccepted)\n", "    if (anyAccepted && !anyAccepted)\n")]),
    ("setup-check: no warning for a service pack that is not a number",
     "tools/setup_check/lints/settings_lint.cpp",
     [("if (servicePackLine && !isDigits(e.servicePackText))",
       "if (servicePackLine && isDigits(e.servicePackText) && false)")]),
    ("setup-check: no warning for a missing text 1150", "tools/setup_check/lints/medium_lint.cpp",
     [("getSection(tag).getValue(u\"1150\").empty()", "getSection(tag).getValue(u\"1150\").empty() && false")]),
    ("setup-check: no warning for a malformed message file", "tools/setup_check/lints/medium_lint.cpp",
     [("        const bool refused = file.result.status == IniLoadStatus::malformed;\n",
       "        const bool refused = file.result.status == IniLoadStatus::malformed && false;\n")]),
    ("simulation: text without a mark read as Windows-1252 on every machine",
     "platform/sim/sim_text.cpp",
     [("sim::decodeCodePage(sim::machine().ansiCodePage, data, size)",
       "sim::decodeCodePage(1252, data, size)")]),
    ("reader: a comment's cut is not told", "config/ini_section_store.h",
     [("if (observer->comment && line.comment != inilines::none) {",
       "if (observer->comment && line.comment != inilines::none && false) {")]),
    ("setup-check: another version installed refuses no removal",
     "tools/setup_check/run/predicted_installer.cpp",
     [("if (mode != InstallMode::AdminInstall && !reinstallsFromThisPackage(properties))",
       "if (mode == InstallMode::Install && !reinstallsFromThisPackage(properties))")]),
    ("setup-check: REINSTALL without REINSTALLMODE v lifts the refusal",
     "tools/setup_check/run/installer_rules.cpp",
     [("wtext::lowerAscii(*mode).find(u'v') != std::u16string::npos", "true")]),
    ("setup-check: the fourth field of a version is not compared",
     "tools/setup_check/run/installer_rules.cpp",
     [("if (utf8(version) != id.productVersion.value)",
       "if (utf8(version).substr(0, 5) != id.productVersion.value.substr(0, 5))")]),
    ("setup-check: a bare word in the installer's command line is passed over",
     "tools/setup_check/run/installer_properties.cpp",
     [("        if (name.empty() || !equals) {", "        if (name.empty()) {")]),
    ("simulation: '..' is not resolved", "platform/sim/sim_files.cpp",
     [("        if (part == u\"..\" && !parts.empty() && parts.back() != u\"..\")",
       "        if (false)")]),
    ("setup-check: no warning for an old runtime without its setup program",
     "tools/setup_check/lints/machine_lint.cpp",
     [("runtime.older && !runtime.setupFound", "runtime.older && runtime.setupFound")]),
    ("setup-check: a 64-bit setup.exe passes for the launcher",
     "tools/setup_check/lints/launcher_lint.cpp",
     [("    if (!image.is32BitWindowsProgram()) {\n", "    if (false) {\n")]),
    ("setup-check: MSIINSTALLPERUSER=1 does not make ALLUSERS=2 per user",
     "tools/setup_check/run/installer_rules.cpp",
     [("    if (perUser && *perUser == \"1\")\n", "    if (false)\n")]),
    ("deploy: the forms name the package's own product code, not the installed one",
     "tools/setup_check/deploy/deployment.cpp",
     [("    d.productCode = p.productCode.value;\n",
       "    d.productCode = install.identity.productCode.value;\n")]),
    ("deploy: the zip's entries in the order the folder lists them",
     "tools/setup_check/deploy/archive.cpp",
     [("    std::sort(entries.begin(), entries.end(),\n", "    std::stable_sort(entries.end(), entries.end(),\n")]),
]


def run(args, cwd, quiet=True, timeout=None):
    return subprocess.run(args, cwd=cwd, timeout=timeout,
                          stdout=subprocess.DEVNULL if quiet else None,
                          stderr=subprocess.DEVNULL if quiet else None).returncode


def copy_tree(target):
    files = subprocess.run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                           cwd=ROOT, capture_output=True, check=True).stdout.split(b"\0")
    for name in filter(None, (f.decode() for f in files)):
        source = os.path.join(ROOT, name)
        if not os.path.isfile(source):
            continue
        destination = os.path.join(target, name)
        os.makedirs(os.path.dirname(destination), exist_ok=True)
        shutil.copy2(source, destination)


def main():
    wanted = sys.argv[1:]
    faults = [f for f in FAULTS if not wanted or any(w in f[0] for w in wanted)]
    jobs = str(os.cpu_count() or 2)
    scratch = tempfile.mkdtemp(prefix="setup-mutants-")
    try:
        source = os.path.join(scratch, "src")
        build = os.path.join(scratch, "build")
        copy_tree(source)
        print("building the unchanged copy in %s" % scratch, flush=True)
        # The copy links the corrected libmsi scripts/install-deps.sh built for the checkout.
        libmsi = "-DSETUP_LIBMSI_PREFIX=" + os.path.join(ROOT, "build", "libmsi", "prefix")
        if run(["cmake", "-S", source, "-B", build, "-DCMAKE_BUILD_TYPE=Debug", libmsi],
               scratch) or \
                run(["cmake", "--build", build, "-j", jobs], scratch, quiet=False):
            sys.exit("the unchanged copy does not build")
        if run(["ctest", "--test-dir", build, "-j", jobs, "--timeout", "120"], scratch):
            sys.exit("the unchanged copy fails its own tests")
        survived = []
        for name, path, edits in faults:
            file_path = os.path.join(source, path)
            with open(file_path) as f:
                original = f.read()
            changed = original
            for text, replacement in edits:
                if changed.count(text) != 1:
                    sys.exit("%s: the text to change stands %d times in %s"
                             % (name, changed.count(text), path))
                changed = changed.replace(text, replacement)
            with open(file_path, "w") as f:
                f.write(changed)
            try:
                if run(["cmake", "--build", build, "-j", jobs], scratch):
                    verdict = "does not build"
                    survived.append(name)
                elif run(["ctest", "--test-dir", build, "-j", jobs, "--timeout", "120"], scratch):
                    verdict = "caught"
                else:
                    verdict = "SURVIVED"
                    survived.append(name)
            finally:
                with open(file_path, "w") as f:
                    f.write(original)
            print("%-9s %s" % (verdict, name), flush=True)
        print("\n%d of %d faults caught by the native tests" % (len(faults) - len(survived), len(faults)))
        sys.exit(1 if survived else 0)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
