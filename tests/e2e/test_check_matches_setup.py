"""setup-check against the real setup.exe: for the same medium, machine and arguments, the
command line the medium check prints is the one setup.exe hands to the recording stand-in
msi.dll under Wine, and the exit codes agree.

setup-check is the native build's (SETUP_NATIVE_BUILD_DIR, default build/native under the
source folder); setup.exe and the stand-in are the Windows build's (SETUP_BUILD_DIR). The
machine of each case is said as a profile by check_tool: the prefix's locale and the
stand-in's script.
"""

import os
import shutil
import unittest

import check_tool
import stub_msi
import wine
from media import (INSTANCE, PACKAGE_ANSWERS, RU, UK, WINDOWS_7, crlf, installed,
                   instances_ini, setup_ini, write, write_package)


@unittest.skipUnless(check_tool.available(), check_tool.MISSING)
class CheckMatchesSetupTest(unittest.TestCase):
    def make_medium(self, folder, location="product.msi", major=6, instance=False):
        shutil.copy(wine.build_file("setup.exe"), folder)
        write(os.path.join(folder, "Setup.ini"),
              setup_ini(dict(WINDOWS_7, MajorVer=major), location=location))
        for language, text in (("0x0409", "Windows is too old"), ("0x0419", "ru"),
                               ("0x0422", "uk")):
            write(os.path.join(folder, language + ".ini"), crlf(["[%s]" % language,
                                                                  "1150=" + text]))
        write_package(folder, location, ("1049.mst", "1058.mst"), instance)
        if instance:
            package_folder = os.path.dirname(os.path.join(folder, *location.split("\\")))
            write(os.path.join(package_folder, "setup.ini"), instances_ini())

    def run_cases(self, locale, cases):
        with wine.Prefix(locale=locale) as prefix:
            stub = stub_msi.StubMsi(prefix)
            medium = prefix.drive_c("media")
            for case in cases:
                arguments, layout, script = case
                with self.subTest(locale=locale, arguments=arguments, layout=layout):
                    shutil.rmtree(medium, ignore_errors=True)
                    os.makedirs(medium)
                    self.make_medium(medium, **layout)
                    script = dict(PACKAGE_ANSWERS, **script)
                    stub.write_script(script)
                    stub.clear_log()
                    line = '"C:\\media\\setup.exe"' + (" " + arguments if arguments else "")
                    result = prefix.run(os.path.join(medium, "setup.exe"), line,
                                        extra_env=stub.env(), timeout=60)
                    installs = stub.calls("MsiInstallProductW")
                    real = (installs[0]["cmdline"] if installs else None,
                            installs[0]["path"] if installs else None, result.code)
                    checked = check_tool.run(medium, locale, arguments, script)
                    self.assertEqual(checked[:3], real)

    def test_russian_machine(self):
        self.run_cases(RU, [
            # arguments, medium layout, stand-in script (setup-check's profile follows it)
            ("", {}, {}),
            ("/x /S", {}, {}),
            ("/a", {}, {}),
            ('B=2 INSTALLDIR="C:\\My Apps"', {}, {}),
            ("/l en", {}, {}),
            ("/l uk", {}, {}),
            ("", {}, {"result.MsiInstallProductW": 1603}),
            ("/S", {}, {"result.MsiInstallProductW": 3010}),
            ("", {"location": "pkg\\product.msi", "instance": True}, installed(INSTANCE)),
            ("/?", {}, {}),
            # Windows 11 required: refused on this machine, in both.
            ("", {"major": 11}, {}),
        ])

    def test_ukrainian_machine(self):
        self.run_cases(UK, [
            ("", {}, {}),
            ("/l ru", {}, {}),
            ("C=3", {}, {}),
        ])


if __name__ == "__main__":
    unittest.main()
