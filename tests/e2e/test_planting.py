"""A msi.dll planted beside setup.exe and in the current folder is never loaded during a whole
run of the real launcher: it binds the Windows Installer by its full path in the system folder.

Wine loads a native msi.dll found along the search path before its built-in one only with
WINEDLLOVERRIDES=msi=n,b, so every run here sets it. The planted DLL (tests/tools/
installer_probe/planted_msi.cpp) exports nothing and leaves planted_msi_loaded.txt in its own
folder as soon as anything loads it.
"""

import os
import shutil
import unittest

import msi_media
import wine
from media import PLANTED_OVERRIDES, PRODUCT, setup_ini, write

MARKER = "planted_msi_loaded.txt"
VERSION = "3.0.0.1"  # all four parts go through the installed-product query
RUN_TIMEOUT = 120


class PlantedMsiDll(unittest.TestCase):
    def setUp(self):
        self.prefix = wine.Prefix()
        self.addCleanup(self.prefix.close)
        self.media = self.prefix.drive_c("media")
        self.work = self.prefix.drive_c("work")
        os.makedirs(self.media)
        os.makedirs(self.work)
        self.exe = os.path.join(self.media, "setup.exe")
        shutil.copy(wine.build_file("setup.exe"), self.exe)
        write(os.path.join(self.media, "Setup.ini"), setup_ini(version=VERSION))
        self.package = msi_media.build_package(self.media, "product", PRODUCT, VERSION)
        for folder in (self.media, self.work):
            shutil.copy(wine.build_file("planted_msi.dll"), os.path.join(folder, "msi.dll"))

    def markers(self):
        return [f for f in (os.path.join(self.media, MARKER), os.path.join(self.work, MARKER))
                if os.path.exists(f)]

    def run_setup(self, args):
        line = wine.quote(self.prefix.windows_path(self.exe)) + args
        return self.prefix.run(self.exe, line, cwd=self.work, timeout=RUN_TIMEOUT,
                               extra_env={"WINEDLLOVERRIDES": PLANTED_OVERRIDES})

    def test_whole_runs_never_load_a_planted_msi_dll(self):
        # Installation, the same again (the product is then installed: another path through
        # the state queries), a run with a verbose log, and removal.
        log = self.prefix.windows_path(os.path.join(self.work, "install.log"))
        for args, expected in ((" /S", 0), (" /S", 0), (" /S /debuglog " + log, 0),
                               (" /S /x", 0)):
            result = self.run_setup(args)
            self.assertEqual(self.markers(), [], "planted msi.dll loaded by setup.exe%s" % args)
            self.assertEqual(result.code, expected, (args, result.stdout_text))
            if args == " /S":
                recorded = msi_media.read_recorded(self.prefix,
                                                   "HKLM\\Software\\" + self.package.registry_key)
                self.assertIn("LANGMARK", recorded, "the real installer was not reached")
        self.assertTrue(os.path.exists(os.path.join(self.work, "install.log")))

    def test_the_planted_dll_is_seen_when_something_loads_it_by_name(self):
        # The check above can fail: under the same setting, a program beside the planted copy
        # that asks for "msi.dll" by name gets it, and the marker appears.
        probe = os.path.join(self.media, "installer_probe.exe")
        shutil.copy(wine.build_file("installer_probe.exe"), probe)
        self.prefix.wine([probe, "loadbare"], timeout=RUN_TIMEOUT, cwd=self.work,
                         extra_env={"WINEDLLOVERRIDES": PLANTED_OVERRIDES})
        self.assertEqual(self.markers(), [os.path.join(self.media, MARKER)])


if __name__ == "__main__":
    unittest.main()
