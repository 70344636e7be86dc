"""The deployment sheet proven under Wine's own Windows Installer: for a medium, the sheet
setup-check makes is followed as an administrator follows it. Its install command for cmd.exe
runs through `cmd /c` in a Wine prefix (the full exit code read back, not wine's 8-bit
status), its detection rule is evaluated against the prefix (the product registered with the
installer in that version, through MsiGetProductInfoW, and the Uninstall key's DisplayVersion
in the registry view the sheet names), and must detect the product; its uninstall command
runs the same way, and the rule must then detect nothing.

Two media: a plain one, and one whose package stores an instance transform that changes the
ProductCode. The launcher hands an instance's transform over only while that instance is
installed, so the second medium's installation reinstalls the instance (CmdLine REINSTALL=ALL
REINSTALLMODE=vomus), and its detection rule must name the instance's code, not the package's.
Removing it by that code is where Wine answers otherwise than Windows: the Windows Installer
keeps the transforms a product was installed with and applies them to every later operation on
it ("TRANSFORMS property"), so msiexec /x of the instance's code removes the instance; Wine opens
the cached package without them, finds another product in it, removes nothing and answers 0.
The test checks that, then removes the instance with its transform named, as Wine needs, and
the rule must detect nothing.

setup-check is the native build's (check_tool.CHECK); setup.exe, msiprobe.exe the Windows
build's (SETUP_BUILD_DIR).
"""

import os
import shutil
import tempfile
import unittest

import check_tool
import media
import msi_media
import wine

PRODUCT = "{7F2E4B10-9C3D-4A56-8E71-0D5B3C2C0001}"
INSTANCE = "{7F2E4B10-9C3D-4A56-8E71-0D5B3C2C0002}"
UNKNOWN_PRODUCT = 1605  # ERROR_UNKNOWN_PRODUCT


def write_medium(prefix, name, instance):
    """A medium on drive C of `prefix`: the launcher, Setup.ini, an English message file and a
    real package (in data\\ with the instance's description and stored transform for
    `instance`); the package."""
    medium = media.Medium(prefix=prefix, folder=name, package=None)
    location = "data\\product.msi" if instance else "product.msi"
    cmdline = "REINSTALL=ALL REINSTALLMODE=vomus" if instance else "REBOOT=ReallySuppress"
    medium.write("Setup.ini", media.setup_ini(product=PRODUCT, location=location,
                                              cmdline=cmdline), "utf-8")
    medium.write("0x0409.ini", "[0x0409]\r\n1150=Windows is too old\r\n")
    folder = os.path.join(medium.path, *location.split("\\")[:-1])
    package = msi_media.build_package(folder, "product", PRODUCT, media.VERSION,
                                      registry_key="VortaDeploy\\" + name)
    if instance:
        with tempfile.TemporaryDirectory() as work:
            stored = package.transform(os.path.join(work, "Inst2.mst"), {"ProductCode": INSTANCE})
            msi_media.embed_transform(package.path, stored, "Inst2.mst")
        media.write(os.path.join(folder, "setup.ini"), media.instances_ini(INSTANCE))
    return medium, package


@unittest.skipUnless(check_tool.available(), check_tool.MISSING)
class SheetFollowedUnderWine(unittest.TestCase):
    def setUp(self):
        self.prefix = wine.Prefix()
        self.addCleanup(self.prefix.close)
        self.probe = self.prefix.drive_c("probe", "msiprobe.exe")
        os.makedirs(os.path.dirname(self.probe))
        shutil.copy(wine.build_file("msiprobe.exe"), self.probe)

    def run_in_cmd(self, medium, command):
        """`command` as written, through cmd /c from the medium's folder: its full exit code."""
        return self.prefix.run(medium.exe, "cmd /c " + command, cwd=medium.path, timeout=180,
                               trace_boxes=False).code

    def detected(self, rows):
        """Whether the sheet's detection rule finds the product: registered with the Windows
        Installer in the version it names, and its Uninstall key holding that DisplayVersion."""
        detection = rows["Detection"]
        code, version = detection["MSI product code"].split()[0], detection["version"].split()[0]
        result = self.prefix.run(self.probe, "C:\\probe\\msiprobe.exe productinfo %s "
                                 "VersionString 64" % code, trace_boxes=False)
        answers = dict(line.split("=", 1) for line in result.stdout_text.splitlines()
                       if "=" in line)
        by_installer = result.code == 0 and answers.get("text") == version
        self.assertIn(result.code, (0, UNKNOWN_PRODUCT), result.stdout_text)
        # The key as reg.exe names it, in the view the sheet says it stands in.
        key = detection["registry key"].replace("HKEY_LOCAL_MACHINE", "HKLM")
        view = "32" if "32-bit view" in self.sheet else "64"
        values = msi_media.read_recorded(self.prefix, key, view)
        name, _, wanted = detection["registry value"].partition(" = ")
        by_registry = values.get(name) == wanted
        self.assertEqual(by_installer, by_registry, (answers, values))
        return by_installer

    def follow(self, name, instance):
        medium, package = write_medium(self.prefix, name, instance)
        settings = {}
        if instance:
            # The instance is installed: the launcher then hands its stored transform over.
            self.assertEqual(msi_media.msiexec(self.prefix, [
                "/i", self.prefix.windows_path(package.path), "TRANSFORMS=:Inst2.mst", "/qn"]), 0)
            settings["installed." + INSTANCE] = media.VERSION
        self.sheet = check_tool.deploy(medium.path, media.EN, "sheet", settings,
                                       at=medium.windows, arch=self.prefix.arch)
        rows = check_tool.sheet_rows(self.sheet)
        self.assertEqual(rows["Detection"]["MSI product code"].split()[0],
                         INSTANCE if instance else PRODUCT)
        self.assertEqual(self.detected(rows), instance)

        self.assertEqual(self.run_in_cmd(medium, rows["Install"]["in cmd.exe"]), 0, self.sheet)
        self.assertTrue(self.detected(rows), self.sheet)
        if instance:
            self.assertFalse(msi_media.registered(self.prefix, PRODUCT, package.arch))

        self.assertEqual(self.run_in_cmd(medium, rows["Uninstall"]["in cmd.exe"]), 0, self.sheet)
        if instance:
            self.assertTrue(self.detected(rows), "Wine removed the instance by its code alone")
            self.assertEqual(self.run_in_cmd(medium, rows["Uninstall"]["in cmd.exe"].replace(
                " /qn", " TRANSFORMS=:Inst2.mst /qn")), 0)
        self.assertFalse(self.detected(rows), self.sheet)

    def test_plain_medium(self):
        self.follow("plain", instance=False)

    def test_instance_transform_that_changes_the_product_code(self):
        self.follow("instance", instance=True)


if __name__ == "__main__":
    unittest.main()
