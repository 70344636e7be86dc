"""The transforms of a medium, applied by both builds of setup-check and by the installation
itself:

- the Windows build (msi.dll, here Wine's, listing the changes in its transform view) and the
  native build (libmsi, comparing every table before and after) report the same changes, the
  same product installed and the same prediction on every medium of transform_media's table:
  their JSON reports agree but for the engine's own words;
- setup.exe /S installs a medium whose package stores an instance transform under Wine's own
  Windows Installer, and what gets registered (the ProductCode, the ProductLanguage, a
  property the transform sets) is what setup-check predicted.

The native setup-check is the native build's (check_tool.CHECK), setup.exe and setup-check.exe
the Windows build's (SETUP_BUILD_DIR).
"""

import json
import os
import subprocess
import tempfile
import unittest

import check_tool
import media
import msi_media
import transform_media
import wine

# What depends on the engine or the host rather than on the medium: the engine's name and
# its own words for what it did not do, in the report and in the warnings that quote them;
# the medium's host folder.
ENGINE_WORDS = ("engine", "not_checked", "problem", "apply_problem", "changes_listed_by")
QUOTING_ENGINE = ("transform-unreadable", "transform-not-applied")


def comparable(value):
    """The report with the engine's words reduced to whether it said anything."""
    if isinstance(value, dict):
        words = ENGINE_WORDS + (("message",) if value.get("id") in QUOTING_ENGINE else ())
        return {k: (v is not None if k in words else comparable(v))
                for k, v in value.items() if k != "medium"}
    if isinstance(value, list):
        return [comparable(v) for v in value]
    return value


def native_report(folder, options, arguments=()):
    proc = subprocess.run([check_tool.CHECK, "--json", *options, folder, "--", *arguments],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
    return json.loads(proc.stdout)


@unittest.skipUnless(check_tool.available(), check_tool.MISSING)
class BothBuildsAgree(unittest.TestCase):
    def test_every_medium(self):
        check_exe = wine.build_file(os.path.join("tools", "setup_check", "setup-check.exe"))
        with wine.Prefix() as prefix:
            parent = prefix.drive_c("transform-media")
            for case in transform_media.CASES:
                with self.subTest(case.name):
                    folder = transform_media.build(case, parent)
                    options = ["--json", *transform_media.arguments(case)]
                    line = " ".join([wine.quote("Z:" + check_exe.replace("/", "\\"))] + options +
                                    [wine.quote(prefix.windows_path(folder))])
                    result = prefix.run(check_exe, line, trace_boxes=False)
                    windows = json.loads(result.stdout.decode("utf-8"))
                    self.assertIn("msi.dll", windows["package"]["engine"])
                    # msi.dll lists the changes itself, in its transform view.
                    for t in windows["transforms"]:
                        self.assertEqual(t["changes_listed_by"],
                                         "transform_view" if t["applies"] else None, t["name"])
                    native = native_report(folder, options[1:])
                    self.assertEqual(result.code, native["status"])
                    self.assertEqual(comparable(windows), comparable(native))


@unittest.skipUnless(check_tool.available(), check_tool.MISSING)
class InstanceTransformInstalled(unittest.TestCase):
    """The instance is installed (msiexec with its transform), so setup.exe hands its stored
    transform over first, and the installation, a reinstallation asked for in CmdLine, writes
    what the transforms make of the package."""

    PRODUCT = "{7F2E4B10-9C3D-4A56-8E71-0D5B3C2B0001}"
    INSTANCE = "{7F2E4B10-9C3D-4A56-8E71-0D5B3C2B0002}"

    def test_what_gets_registered_is_what_setup_check_predicts(self):
        with wine.Prefix(locale=media.RU) as prefix:
            medium = media.Medium(prefix=prefix, folder="media", package=None)
            medium.write("Setup.ini", media.setup_ini(
                product=self.PRODUCT, location="data\\product.msi",
                cmdline="REINSTALL=ALL REINSTALLMODE=vomus"), "utf-8")
            data = os.path.join(medium.path, "data")
            package = msi_media.build_package(data, "product", self.PRODUCT, media.VERSION,
                                              registry_key="VortaInstance")
            # Beside the launcher, where it looks; beside the package, where the installer does.
            for folder in (medium.path, data):
                package.transform(os.path.join(folder, "1049.mst"),
                                  {"LANGMARK": "ru", "ProductLanguage": "1049"})
            with tempfile.TemporaryDirectory() as work:
                stored = package.transform(os.path.join(work, "Inst2.mst"),
                                           {"ProductCode": self.INSTANCE, "INSTANCEMARK": "inst2"})
                msi_media.embed_transform(package.path, stored, "Inst2.mst")
            media.write(os.path.join(data, "setup.ini"), media.instances_ini(self.INSTANCE))
            self.assertEqual(msi_media.msiexec(prefix, ["/i", prefix.windows_path(package.path),
                                                        "TRANSFORMS=:Inst2.mst", "/qn"]), 0)
            # What the first installation recorded goes, so what is read is this run's.
            msi_media.run_wine(prefix, ["reg", "delete", package.key, "/f"] +
                               prefix.reg_view(package.arch))

            predicted = native_report(medium.path, check_tool.WINE_MACHINES[media.RU] + [
                "--set", "installed.%s=%s" % (self.INSTANCE, media.VERSION)], ["/S"])
            result = medium.run("/S", timeout=180)

            run = predicted["runs"][0]
            self.assertEqual((result.code, result.boxes), (run["exit_code"], []), run["decisions"])
            installs = run["installs"]
            self.assertEqual(installs["product_code"]["value"], self.INSTANCE)
            self.assertTrue(msi_media.registered(prefix, self.INSTANCE, package.arch))
            self.assertFalse(msi_media.registered(prefix, self.PRODUCT, package.arch))
            uninstall = msi_media.read_recorded(
                prefix, "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                self.INSTANCE, package.arch)
            self.assertEqual(uninstall["DisplayVersion"], installs["product_version"]["value"])
            language = msi_media.run_wine(prefix, [
                "reg", "query", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                + self.INSTANCE, "/v", "Language"] + prefix.reg_view(package.arch))[1]
            self.assertIn(hex(int(installs["product_language"]["value"])), language)
            stored_changes = next(t for t in predicted["transforms"]
                                  if t["name"] == ":Inst2.mst")["changes"]
            set_by_transform = {c["row"][0]: c["values"].get("Value", c["to"])
                                for c in stored_changes if c["table"] == "Property"}
            self.assertEqual(package.read(prefix)["INSTANCEMARK"],
                             set_by_transform["INSTANCEMARK"])


if __name__ == "__main__":
    unittest.main()
