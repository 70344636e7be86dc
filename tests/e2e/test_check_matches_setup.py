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
import tempfile
import unittest

import check_tool
import stub_msi
import wine
from media_files import setup_ini, write

PRODUCT = "{3A9C61D2-7B4E-4F08-9D15-C2E8A0B47F31}"
INSTANCE = "{3A9C61D2-7B4E-4F08-9D15-C2E8A0B47F32}"
VERSION = "2.5.1"

# The package as the stand-in answers for it, so the inspection reaches the instance
# description; setup-check takes the same identity from Setup.ini.
PACKAGE_ANSWERS = {
    "summary.7": "Intel;1033",
    "summary.9": "{5D0C7A33-0000-4000-8000-000000000001}",
    "property.ProductCode": PRODUCT,
    "property.ProductVersion": VERSION,
    "file.vorta.dll": VERSION,
}


@unittest.skipUnless(check_tool.available(), check_tool.MISSING)
class CheckMatchesSetupTest(unittest.TestCase):
    def setUp(self):
        self.host = tempfile.mkdtemp(prefix="setup-check-e2e-")
        self.addCleanup(shutil.rmtree, self.host, True)

    def make_medium(self, folder, location="product.msi", major=6, instance=False):
        shutil.copy(wine.build_file("setup.exe"), folder)
        write(os.path.join(folder, "Setup.ini"),
              setup_ini(PRODUCT, VERSION, location, major=major))
        write(os.path.join(folder, "0x0409.ini"), "[0x0409]\n1150=Windows is too old\n")
        write(os.path.join(folder, "0x0419.ini"), "[0x0419]\n1150=ru\n")
        write(os.path.join(folder, "0x0422.ini"), "[0x0422]\n1150=uk\n")
        write(os.path.join(folder, *location.split("\\")), "package\n")
        for transform in ("1049.mst", "1058.mst"):
            write(os.path.join(folder, transform), "transform\n")
        if instance:
            package_folder = os.path.dirname(os.path.join(folder, *location.split("\\")))
            write(os.path.join(package_folder, "setup.ini"),
                  "[Instances]\ncount=1\n1=Inst2\n[Inst2]\nProductCode=%s\n" % INSTANCE)

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
        installed_instance = {"product.%s.InstallLocation" % INSTANCE: "C:\\Program Files\\Vorta",
                              "product.%s.VersionString" % INSTANCE: VERSION}
        self.run_cases("ru_RU.UTF-8", [
            # arguments, medium layout, stand-in script (setup-check's profile follows it)
            ("", {}, {}),
            ("/x /S", {}, {}),
            ("/a", {}, {}),
            ('B=2 INSTALLDIR="C:\\My Apps"', {}, {}),
            ("/l en", {}, {}),
            ("/l uk", {}, {}),
            ("", {}, {"result.MsiInstallProductW": 1603}),
            ("/S", {}, {"result.MsiInstallProductW": 3010}),
            ("", {"location": "pkg\\product.msi", "instance": True}, installed_instance),
            ("/?", {}, {}),
            # Windows 11 required: refused on this machine, in both.
            ("", {"major": 11}, {}),
        ])

    def test_ukrainian_machine(self):
        self.run_cases("uk_UA.UTF-8", [
            ("", {}, {}),
            ("/l ru", {}, {}),
            ("C=3", {}, {}),
        ])


if __name__ == "__main__":
    unittest.main()
