"""setup-check, the native medium check, as the end-to-end tests run it beside the real
setup.exe: the Wine machine and the stand-in msi.dll's script said as a setup-check profile,
and the outcome in the form the stand-in records it, or the whole JSON report.

    outcome = check_tool.run(medium, "ru_RU.UTF-8", "/x /S", script, at="C:\\media")
    # (command line or None, package path or None, exit code, UI level, log file)
    report = check_tool.report(medium, "en_US.UTF-8", "/S", settings=settings, arch=prefix.arch)

setup-check is the native build's (SETUP_NATIVE_BUILD_DIR, default build/native under the
source folder).
"""

import json
import os
import subprocess

import wine

NATIVE_BUILD_DIR = os.environ.get("SETUP_NATIVE_BUILD_DIR",
                                  os.path.join(wine.SOURCE_DIR, "build", "native"))
CHECK = os.path.join(NATIVE_BUILD_DIR, "tools", "setup_check", "setup-check")
MISSING = "no native setup-check at %s (build it: cmake --preset native && " \
          "cmake --build --preset native)" % CHECK

# What a fresh prefix looks like to the launcher: Windows 10 as Wine reports it to a program
# with the launcher's manifest, the locale's language and region, one keyboard layout.
WINE_MACHINES = {
    "en_US.UTF-8": ["--profile", "win10-en", "--set", "windows=10.0.18362",
                    "--set", "keyboards=0x04090409"],
    "ru_RU.UTF-8": ["--profile", "win10-ru", "--set", "windows=10.0.18362",
                    "--set", "keyboards=0x04190419"],
    "uk_UA.UTF-8": ["--profile", "win10-uk", "--set", "windows=10.0.18362",
                    "--set", "keyboards=0x04220422"],
}

# The package rows the launcher's inspection reads in turn before it looks for the instance
# description beside the package; without any one of them it stops there.
_PACKAGE_ROWS = {"property.ProductCode": "package_product_code",
                 "property.ProductVersion": "package_version",
                 "file.vorta.dll": "package_key_file"}


class NotExpressible(Exception):
    """The stand-in's script says something a setup-check profile cannot."""


def available():
    return os.path.exists(CHECK)


def profile_settings(script):
    """The profile settings that make setup-check's simulated installer answer as the
    stand-in does with `script` (its key=value script as a dict)."""
    settings = {}
    products = {}
    for key, value in script.items():
        value = str(value)
        if key == "result.MsiInstallProductW":
            settings["installer_result"] = value
        elif key in _PACKAGE_ROWS:
            settings[_PACKAGE_ROWS[key]] = value
        elif key == "summary.9":
            settings["package_code"] = value
        elif key == "summary.7":
            pass  # read, never used
        elif key.startswith("product."):
            code, _, attribute = key[len("product."):].rpartition(".")
            products.setdefault(code, {})[attribute] = value
        else:
            raise NotExpressible("no profile setting for the stand-in's %s" % key)
    if any(row not in script for row in _PACKAGE_ROWS):
        # The inspection stops at the missing row, as it does at a missing key file row.
        settings["package_key_file"] = "none"
    for code, attributes in products.items():
        # The launcher counts a product as installed when it has both attributes.
        if "InstallLocation" in attributes and "VersionString" in attributes:
            settings["installed.%s" % code] = attributes["VersionString"]
    return settings


def report(medium, locale, arguments, script=None, settings=None, at="C:\\media",
           exe="setup.exe", arch=None):
    """setup-check --json's report on the host folder `medium` placed at the Windows folder `at`
    with the launcher named `exe`; the machine is the Wine prefix of `locale` (of the
    architecture `arch`, "32" or "64", where given) with the stand-in answering from `script`
    (None: Wine's own installer answers), plus `settings`."""
    command = [CHECK, "--json"] + WINE_MACHINES[locale]
    if arch:
        command += ["--set", "architecture=" + ("x64" if arch == "64" else "x86")]
    merged = {} if script is None else profile_settings(script)
    merged.update(settings or {})
    for key, value in merged.items():
        command += ["--set", "%s=%s" % (key, value)]
    command += ["--at", at, "--exe", exe, "--cmdline", arguments]
    command += test_build_ignores(os.path.join(medium, exe)) + [medium]
    proc = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
    stderr = proc.stderr.decode(errors="replace")
    # 0: predicted to succeed, 1: the launcher refuses, 3: the installer predicted to fail.
    if proc.returncode not in (0, 1, 3):
        raise AssertionError("setup-check failed (%d): %s" % (proc.returncode, stderr))
    result = json.loads(proc.stdout.decode("utf-8"))
    if proc.returncode != result["status"] or \
            result["runs"][0]["started"] != (proc.returncode != 1):
        raise AssertionError("setup-check's exit status %d does not match its report (%s)"
                             % (proc.returncode, result["status_name"]))
    return result


def test_build_ignores(launcher):
    """The warnings to leave out for the launcher file `launcher`: on a machine that cannot
    run 32-bit code the tests' setup.exe is the 64-bit build, which stands in for the shipped
    32-bit one and which setup-check rightly calls no 32-bit program."""
    if os.path.isfile(launcher) and wine.exe_arch(launcher) == "64":
        return ["--ignore", "launcher-not-32-bit"]
    return []


def machine_options(locale, arch=None, settings=None):
    """setup-check's options for the Wine prefix of `locale` (and `arch`, "32" or "64"), with
    Wine's own installer answering, plus `settings`."""
    options = list(WINE_MACHINES[locale])
    if arch:
        options += ["--set", "architecture=" + ("x64" if arch == "64" else "x86")]
    for key, value in (settings or {}).items():
        options += ["--set", "%s=%s" % (key, value)]
    return options


def deploy(medium, locale, form, settings=None, at="C:\\media", arch=None, options=()):
    """setup-check --deploy `form`'s output (text) for the host folder `medium` placed at `at`
    on the Wine prefix's machine; `options` go before the medium (--url, --out...)."""
    command = [CHECK, "--deploy", form] + machine_options(locale, arch, settings)
    command += ["--at", at, *options, medium]
    proc = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    if proc.returncode != 0:
        raise AssertionError("setup-check --deploy %s failed (%d): %s"
                             % (form, proc.returncode, proc.stderr.decode(errors="replace")))
    return proc.stdout.decode("utf-8")


def sheet_rows(text):
    """{section title: {row name: value}} of a deployment sheet; the first row of a name in a
    section counts, and a row's continuation lines are left out."""
    sections, rows = {}, None
    for line in text.splitlines():
        if line and not line.startswith(" "):
            rows = sections.setdefault(line.split(" (")[0], {})
        elif rows is not None and line[2:20].strip():
            rows.setdefault(line[2:20].strip(), line[20:])
    return sections


def run(medium, locale, arguments, script=None, settings=None, at="C:\\media",
        exe="setup.exe"):
    """report()'s run as the stand-in records one: (command line, package path, exit code, UI
    level, log file), the first, second, fourth and fifth None when the installer is not
    called, the log "" when none is asked for."""
    run = report(medium, locale, arguments, script or {}, settings, at, exe)["runs"][0]
    installer = run["installer"]
    if installer is None:
        return None, None, run["exit_code"], None, None
    return (installer["command_line"], installer["package"], run["exit_code"],
            installer["ui_level"], installer["log"] or "")
