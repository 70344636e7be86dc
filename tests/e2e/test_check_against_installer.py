"""setup-check against the Windows Installer itself: each row of the table is a medium and a
run, predicted by `setup-check --json` on a profile of the Wine prefix (its locale, its
architecture, the products installed in it) and run for real through setup.exe under Wine's own
msi.dll. The full exit codes agree, and so does whether the product is registered afterwards.

Where Wine answers otherwise than the Windows Installer's documentation says Windows does, the
row names the document and what Wine does instead; the prediction follows the document, and the
row checks both.

setup-check is the native build's (SETUP_NATIVE_BUILD_DIR, default build/native); setup.exe is
the Windows build's (SETUP_BUILD_DIR).
"""

import itertools
import os
import shutil
import unittest
from dataclasses import dataclass

import check_tool
import media
import msi_media
import wine

SCHEDULE = (("ScheduleReboot", 6650),)  # after InstallFinalize: a restart at the end
FORCE = (("ForceReboot", 6590),)  # before InstallFinalize: a restart in the middle
SUCCESSES = (0, 3010, 1641)
CRASH = "crash"  # the program ended with an exception (an NTSTATUS of severity error)


@dataclass
class Row:
    name: str
    arguments: str = "/S"
    cmdline: str = "A=1"
    location: str = "{package}.msi"  # Setup.ini's Location; {package} is the package's name
    version: str = media.VERSION  # the package's ProductVersion
    installed: str = None  # a version installed before, from a package of its own; or "same"
    actions: tuple = ()  # (action, sequence number) added to InstallExecuteSequence
    platform: str = "x86"  # the package's platform as wixl builds it
    template: str = None  # a Template written over the package's own
    layout: str = "plain"  # "sub": the launcher a folder below the package; "deep": the
    # package many folders below the launcher; "missing": no package; "ansi": Setup.ini in the
    # machine's ANSI code page, naming a package with a Cyrillic name; "transforms": language
    # transforms beside both
    locale: str = media.EN
    # The warning the prediction carries: (id, file, a text its message holds).
    warning: tuple = None
    # Where Wine answers otherwise than the documentation: the document, the answer it gives for
    # Windows (which the prediction follows), Wine's answer (an exit code or CRASH) and whether
    # Wine leaves the product registered.
    document: str = None
    windows: int = None
    wine: object = None
    wine_registered: bool = False


def rows():
    command_line = "invalid-command-line"
    return [
        # The suite's media: installed, removed, silent or with the full interface, a language.
        Row("silent installation"),
        Row("installation with the full interface", arguments=""),
        Row("removal", arguments="/S /x", installed="same"),
        Row("a language transform", layout="transforms", locale=media.RU),
        Row("a quoted value", arguments='/S INSTALLDIR="C:\\My Apps"'),
        # The property string as the installer reads it.
        Row("a whole argument quoted", arguments='/S "INSTALLDIR=C:\\My Apps"',
            warning=(command_line, "setup.exe", 'INSTALLDIR="C:\\My Apps"')),
        Row("CmdLine with a blank in a value", cmdline="INSTALLDIR=C:\\My Apps",
            warning=(command_line, "Setup.ini", "in CmdLine 'Apps'")),
        Row("CmdLine with a switch", cmdline="/qn",
            warning=(command_line, "Setup.ini", "'/qn' is a switch")),
        Row("an unquoted log path with a blank", arguments="/S /debuglog C:\\my logs\\x.log",
            warning=(command_line, "setup.exe", '/debuglog "C:\\my logs\\x.log"')),
        Row("CmdLine with a bare word before a setting", cmdline="word A=1",
            warning=(command_line, "Setup.ini", "in CmdLine 'word'"),
            document='"Setting Public Property Values on the Command Line": the pieces are '
                     'PROPERTY=value; Wine takes the bare word into the next name ("word A")',
            windows=1639, wine=0, wine_registered=True),
        # A product installed from another package.
        Row("another version installed, removal", arguments="/S /x", installed="2.5.0",
            warning=("other-version-installed", None, "refuses the removal")),
        Row("another version installed", installed="2.5.0",
            warning=("other-version-installed", None, "refuses the installation")),
        Row("installed in 2.5.1.3, the package 2.5.1", installed="2.5.1.3",
            warning=("other-version-installed", None, "version 2.5.1.3")),
        Row("another version installed, reinstalled from this package", installed="2.5.0",
            arguments="/S REINSTALL=ALL REINSTALLMODE=vomus"),
        Row("the same version rebuilt", installed="2.5.1",
            warning=("other-version-installed", None, "from another package"),
            document='"Package Codes", "Applying Small Updates by Reinstalling the Product": '
                     "another package of the product is refused unless reinstalled from; Wine "
                     "tells packages apart by their version only",
            windows=1638, wine=0, wine_registered=True),
        # Restarts.
        Row("ScheduleReboot, REBOOT=ReallySuppress", actions=SCHEDULE,
            cmdline="REBOOT=ReallySuppress"),
        Row("ScheduleReboot with the full interface", actions=SCHEDULE, arguments=""),
        Row("ScheduleReboot in a silent run", actions=SCHEDULE,
            warning=("silent-restart", "{package}.msi", "at the end of the installation"),
            document='ScheduleReboot action: "If the installation has no user interface, the '
                     'system automatically restarts at the end"; Wine restarts nothing',
            windows=1641, wine=3010, wine_registered=True),
        Row("ForceReboot in a silent run", actions=FORCE,
            warning=("silent-restart", "{package}.msi", "during the installation"),
            document="ForceReboot action, System Reboots: without a user interface the system "
                     "restarts at the ForceReboot; Wine suspends the installation (1604)",
            windows=1641, wine=1604),
        Row("ForceReboot, REBOOT=ReallySuppress", actions=FORCE, cmdline="REBOOT=ReallySuppress",
            document="REBOOT property: ReallySuppress suppresses the restart at a ForceReboot; "
                     "Wine suspends the installation (1604)",
            windows=3010, wine=1604),
        Row("REBOOT=Force in a silent run", cmdline="REBOOT=Force",
            warning=("silent-restart", "{package}.msi", "REBOOT=Force"),
            document='REBOOT property: with Force the system "automatically restarts at the end" '
                     "without a user interface; Wine ignores it",
            windows=1641, wine=0, wine_registered=True),
        # Platforms: what a prefix of this architecture installs.
        Row("an x64 package", platform="x64"),
        Row("an Arm64 package", template="Arm64;1033",
            warning=("platform-unsupported", None, "Arm64")),
        # Paths as Windows resolves them, and settings in the machine's code page.
        Row("Location with .", location=".\\{package}.msi"),
        Row("Location with .. from a medium in a subfolder", location="..\\{package}.msi",
            layout="sub"),
        Row("Location in Windows-1251 without a mark", layout="ansi", locale=media.RU),
        Row("a package path over 260 characters", layout="deep",
            warning=("package-path-too-long", "Setup.ini", "MAX_PATH"),
            document='"Maximum Path Length Limitation": MAX_PATH is 260 characters with the '
                     "null, and a longer package path is not opened; Wine's msi.dll crashes",
            windows=1619, wine=CRASH),
        Row("no package", layout="missing", warning=("package-missing", "Setup.ini", ""),
            document="MsiInstallProduct: ERROR_INSTALL_PACKAGE_OPEN_FAILED for a package that "
                     "cannot be opened; Wine answers 2",
            windows=1619, wine=2),
        Row("administrative installation", arguments="/S /a",
            document="Administrative Installation: a source image is made and nothing is "
                     "registered; Wine does not run administrative installations (1626)",
            windows=0, wine=1626),
    ]


_numbers = itertools.count(0x60)


def product_code(number):
    return "{7F2E4B10-9C3D-4A56-8E71-0D5B3C2D%04X}" % number


DEEP = ["level%02d-%s" % (i, "x" * 16) for i in range(12)]


class Medium:
    """One row's medium on drive C of `prefix`: setup.exe, Setup.ini and the English message
    file, and a package of a product of its own where the row's layout puts it."""

    def __init__(self, prefix, row):
        self.row, self.prefix = row, prefix
        number = next(_numbers)
        self.product = product_code(number)
        self.name = "row%d" % number
        self.folder = prefix.drive_c(self.name)  # the package's folder, and the medium's
        self.launcher_folder = os.path.join(self.folder, "setup") if row.layout == "sub" \
            else self.folder
        os.makedirs(self.launcher_folder)
        package_folder = os.path.join(self.folder, *DEEP) if row.layout == "deep" else self.folder
        self.package = msi_media.build_package(
            package_folder, self.name, self.product, row.version, platform=row.platform,
            registry_key="VortaDiff\\" + self.name)
        for action, sequence in row.actions:
            msi_media.add_action(self.package.path, action, sequence)
        if row.template:
            msi_media.set_template(self.package.path, row.template)
        location = row.location.format(package=self.name)
        if row.layout == "deep":
            location = "\\".join(DEEP + [self.name + ".msi"])
        elif row.layout == "missing":
            os.remove(self.package.path)
        elif row.layout == "ansi":
            location = "\u0412\u043e\u0440\u0442\u0430.msi"
            os.rename(self.package.path, os.path.join(self.folder, location))
        elif row.layout == "transforms":
            self.package.transform(os.path.join(self.folder, "1049.mst"), {"LANGMARK": "ru"},
                                   validation=msi_media.VALIDATE_DEFAULT)
        shutil.copy(wine.build_file("setup.exe"), self.launcher_folder)
        settings = media.setup_ini(product=self.product, version=row.version, location=location,
                                   cmdline=row.cmdline)
        media.write(os.path.join(self.launcher_folder, "Setup.ini"),
                    settings.encode("cp1251") if row.layout == "ansi" else settings)
        for language in ("0x0409", "0x0419"):
            media.write(os.path.join(self.launcher_folder, language + ".ini"),
                        "[%s]\r\n1150=Windows is too old\r\n" % language, "utf-8-sig")

    @property
    def windows_folder(self):
        return self.prefix.windows_path(self.launcher_folder)

    def install_first(self):
        """Installs the product the row says is installed before the run; the profile settings
        that say so to setup-check."""
        row = self.row
        if not row.installed:
            return {}
        installed = self.package
        if row.installed != "same":
            installed = msi_media.build_package(
                self.prefix.drive_c(self.name + "-installed"), self.name, self.product,
                row.installed, platform=row.platform, registry_key="VortaDiff\\" + self.name)
        path = self.prefix.windows_path(installed.path)
        if msi_media.msiexec(self.prefix, ["/i", path, "/qn"]) != 0:
            raise RuntimeError("the product the row needs installed could not be installed")
        return {"installed." + self.product: "%s,%s" % (installed.version,
                                                        msi_media.package_code(installed.path))}

    def predicted(self, settings):
        if self.row.layout == "sub":
            settings = dict(settings, **{"map." + self.prefix.windows_path(self.folder):
                                         self.folder})
        return check_tool.report(self.launcher_folder, self.row.locale, self.row.arguments,
                                 settings=settings, at=self.windows_folder, arch=self.prefix.arch)

    def run(self):
        line = '"%s\\setup.exe"%s' % (self.windows_folder,
                                      " " + self.row.arguments if self.row.arguments else "")
        return self.prefix.run(os.path.join(self.launcher_folder, "setup.exe"), line,
                               timeout=180, trace_boxes=False).code

    def registered(self):
        return msi_media.registered(self.prefix, self.product, self.package.arch)


def registered_after(row, exit_code, before):
    """Whether the product is registered after a run that answered `exit_code`: an installation
    that went through registers it, a removal that went through unregisters it, and anything
    else (a refusal, an administrative installation) leaves it as it was."""
    if exit_code not in SUCCESSES or "/a" in row.arguments.split():
        return before
    return "/x" not in row.arguments.split()


@unittest.skipUnless(check_tool.available(), check_tool.MISSING)
class CheckAgainstInstallerTest(unittest.TestCase):
    def check_rows(self, locale):
        with wine.Prefix(locale=locale) as prefix:
            for row in rows():
                if row.locale != locale:
                    continue
                with self.subTest(row.name):
                    self.check_row(prefix, row)

    def check_row(self, prefix, row):
        medium = Medium(prefix, row)
        settings = medium.install_first()
        report = medium.predicted(settings)
        predicted = report["runs"][0]["exit_code"]
        before = medium.registered()
        code = medium.run()
        registered = medium.registered()
        warnings = report["warnings"] + report["runs"][0]["warnings"]
        if row.warning:
            wanted, file, text = row.warning
            file = file and file.format(package=medium.name)
            self.assertTrue([w for w in warnings if w["id"] == wanted and w["file"] == file and
                             text in w["message"]], warnings)
        elif predicted in SUCCESSES:
            # A medium that installs is no medium with errors.
            self.assertEqual([w["message"] for w in warnings if w["severity"] == "error"], [])
        if row.document:
            self.assertEqual(predicted, row.windows, row.document)
            if row.wine == CRASH:
                self.assertGreaterEqual(code & 0xFFFFFFFF, 0xC0000000, row.document)
            else:
                self.assertEqual((code, registered), (row.wine, row.wine_registered),
                                 row.document)
            return
        self.assertEqual(predicted, code)
        self.assertEqual(registered, registered_after(row, code, before))

    def test_english_machine(self):
        self.check_rows(media.EN)

    def test_russian_machine(self):
        self.check_rows(media.RU)


if __name__ == "__main__":
    unittest.main()
