"""The launcher's installer binding against Wine's real msi.dll, through installer_probe (one
operation per run): package inspection, installation and the installed-product state, the
runtime version and the runtime setup program's wait, and loading msi.dll only from the
system folder even when a fake msi.dll lies beside the program."""

import os
import shutil
import subprocess
import unittest

import msi_media
import wine
from media import PLANTED_OVERRIDES

PRODUCT = "{8E0B5D32-6C1E-4D5A-9B3F-2A7C1D4E5F60}"
OTHER = "{8E0B5D32-6C1E-4D5A-9B3F-2A7C1D4E5F61}"
INSTANCE = "{8E0B5D32-6C1E-4D5A-9B3F-2A7C1D4E5F62}"


def probe_path():
    return wine.build_file("installer_probe.exe")


class InstallerTest(unittest.TestCase):
    def setUp(self):
        self.prefix = wine.Prefix(arch=wine.exe_arch(probe_path()))
        self.addCleanup(self.prefix.close)
        self.media = self.prefix.drive_c("media")
        os.makedirs(self.media)

    def probe(self, args, exe=None, extra_env=None, cwd=None):
        """Runs the probe; (exit code, {key: value})."""
        proc = self.prefix.wine([exe or probe_path()] + args, timeout=180, extra_env=extra_env,
                                cwd=cwd or self.media)
        text = proc.stdout.decode("utf-8", errors="replace")
        return proc.returncode, dict(line.split("=", 1) for line in text.splitlines() if "=" in line)

    def package(self, name, product=PRODUCT, version="2.5.1.300", **kwargs):
        pkg = msi_media.build_package(self.media, name, product, version, **kwargs)
        return pkg, self.prefix.windows_path(pkg.path)

    def state(self, product, version, instance=None):
        args = ["state", product, version] + ([instance] if instance else [])
        _code, out = self.probe(args)
        return int(out["state"])

    def test_inspect_reads_the_package_and_the_instance_description(self):
        _pkg, path = self.package("product", vorta_version="7.0.0.12")
        # Made on Windows: CR LF line ends.
        with open(os.path.join(self.media, "setup.ini"), "wb") as f:
            f.write(("[Instances]\r\ncount=1\r\n1=Second\r\n[Second]\r\nProductCode=%s\r\n"
                     % INSTANCE).encode("utf-8"))
        _code, out = self.probe(["inspect", path])
        self.assertEqual(out["result"], "0", out)
        self.assertEqual(out["productCode"], PRODUCT)
        self.assertEqual(out["productVersion"], "2.5.1.300")
        self.assertEqual(out["keyFileVersion"], "7.0.0.12")
        self.assertRegex(out["packageCode"], r"^\{[0-9A-F-]{36}\}$")
        self.assertEqual(out["instanceName"], "Second")
        self.assertEqual(out["instanceProductCode"], INSTANCE)
        self.assertEqual(out["databaseOpen"], "1")

    def test_inspect_of_a_utf16_description_and_a_package_without_key_file(self):
        pkg, path = self.package("product")
        with open(os.path.join(self.media, "Setup.ini"), "wb") as f:
            f.write(b"\xff\xfe" + ("[Instances]\r\n1=Inst2\r\n[Inst2]\r\nProductCode=%s\r\n"
                                   % INSTANCE).encode("utf-16-le"))
        _code, out = self.probe(["inspect", path])
        self.assertEqual((out["result"], out["instanceName"], out["instanceProductCode"]),
                         ("0", "Inst2", INSTANCE))

        subprocess.run(["msibuild", pkg.path, "-q",
                        "DELETE FROM `File` WHERE `File` = 'vorta.dll'"], check=True)
        _code, out = self.probe(["inspect", path])
        # ERROR_NO_MORE_ITEMS: no row, the inspection ends there. (An exit status keeps only
        # the low byte of the result, so the printed one is compared.)
        self.assertEqual(out["result"], "259")
        self.assertEqual(out["productVersion"], "2.5.1.300")
        self.assertEqual(out["instanceName"], "")

    def test_missing_package_and_a_file_that_is_no_package(self):
        _code, out = self.probe(["inspect", "C:\\media\\absent.msi"])
        self.assertEqual((out["result"], out["databaseOpen"]), ("2", "0"))
        with open(os.path.join(self.media, "text.msi"), "w") as f:
            f.write("not a package\r\n")
        _code, out = self.probe(["inspect", "C:\\media\\text.msi"])
        self.assertNotIn(out["result"], ("0", "1", "2"))
        self.assertEqual(out["databaseOpen"], "0")

    def test_installed_product_state_follows_real_installations(self):
        _pkg, path = self.package("product")
        self.assertEqual(self.state(PRODUCT, "2.5.1.300"), -1)
        self.assertEqual(msi_media.msiexec(self.prefix, ["/i", path, "/qn"]), 0)
        self.assertEqual(self.state(PRODUCT, "2.5.1.300"), 1)
        self.assertEqual(self.state(PRODUCT, "2.5.1.301"), -1)
        self.assertEqual(self.state(PRODUCT, "2.5.1"), -1)
        # The product in another version, its instance in this one.
        self.assertEqual(self.state(OTHER, "2.5.1.300", PRODUCT), 2)

        # Installed and removed through the package object: the install call closes the
        # database it kept open since the inspection.
        _pkg2, path2 = self.package("other", product=OTHER, version="3.0.0.1")
        _code, out = self.probe(["install", path2, "0", " "])
        self.assertEqual((out["result"], out["inspect"], out["databaseOpen"]), ("0", "0", "0"))
        self.assertEqual(self.state(OTHER, "3.0.0.1"), 1)
        _code, out = self.probe(["install", path2, "2", " "])
        self.assertEqual(out["result"], "0", out)
        self.assertEqual(self.state(OTHER, "3.0.0.1"), -1)
        self.assertEqual(self.state(PRODUCT, "2.5.1.300"), 1)

    def test_runtime_version_is_four_numbers(self):
        code, out = self.probe(["runtime"])
        self.assertEqual(code, 0)
        self.assertRegex(out["version"], r"^\d+\.\d+\.\d+\.\d+$")

    def test_runtime_setup_program_is_waited_for(self):
        setup = os.path.join(self.media, "instmsi30.exe")
        shutil.copy(probe_path(), setup)
        env = {"INSTALLER_PROBE_SLEEP_MS": "1500",
               "INSTALLER_PROBE_MARKER": "C:\\media\\setup-ended.txt"}
        code, out = self.probe(["runsetup", "C:\\media\\instmsi30.exe"], extra_env=env)
        self.assertEqual(code, 0)
        self.assertEqual(out["started"], "1")
        self.assertEqual(out["markerSeen"], "1", "returned before the program ended")
        self.assertGreaterEqual(int(out["elapsedMs"]), 1400)
        self.assertEqual(out["bindingLoaded"], "1")

        code, out = self.probe(["runsetup", "C:\\media\\absent.exe"])
        self.assertEqual((out["started"], out["bindingLoaded"]), ("0", "1"))

    def test_msi_dll_beside_the_program_is_never_loaded(self):
        folder = self.prefix.drive_c("planted")
        os.makedirs(folder)
        exe = os.path.join(folder, "installer_probe.exe")
        shutil.copy(probe_path(), exe)
        shutil.copy(wine.build_file("planted_msi.dll"), os.path.join(folder, "msi.dll"))
        marker = os.path.join(folder, "planted_msi_loaded.txt")
        system_msi = self.prefix.windows_path(os.path.join(self.prefix.system_folder(), "msi.dll"))
        _pkg, path = self.package("product")
        env = {"WINEDLLOVERRIDES": PLANTED_OVERRIDES}

        commands = (["loaded"], ["runtime"], ["inspect", path], ["state", PRODUCT, "1.0"],
                    ["install", "C:\\media\\absent.msi", "0", " "])
        # With the process-wide search protection, and without it (the load by full path is
        # safe on its own).
        for protection in ({}, {"INSTALLER_PROBE_UNPROTECTED": "1"}):
            for args in commands:
                _code, out = self.probe(args, exe=exe, extra_env=dict(env, **protection),
                                        cwd=folder)
                self.assertFalse(os.path.exists(marker),
                                 "planted msi.dll loaded by %s %s" % (args[0], protection))
                if args[0] == "loaded":
                    self.assertEqual(out["path"].lower(), system_msi.lower())
                    self.assertEqual(out["bound"], "18")
                if args[0] == "runtime":
                    self.assertRegex(out["version"], r"^\d+\.\d+\.\d+\.\d+$")

        # The same setting does load the planted copy by the bare name: the test can see a
        # planted load when one happens.
        _code, out = self.probe(["loadbare"], exe=exe, extra_env=env, cwd=folder)
        self.assertTrue(os.path.exists(marker))
        self.assertEqual(out["path"].lower(), "c:\\planted\\msi.dll")


if __name__ == "__main__":
    unittest.main()
