"""setup-check reading a medium's package and transforms: real packages built with wixl and
transforms written the way the end-to-end suite writes them, checked with `setup-check --json`.

Wine's installer validates no transform, so what a transform's validation does to an
installation rests on the Windows Installer's documentation; each case names the rule.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import media  # noqa: E402
import msi_media  # noqa: E402
import pe_image  # noqa: E402

CHECK = os.environ.get("SETUP_CHECK_EXE") or os.path.join(
    HERE, "..", "..", "build", "native", "tools", "setup_check", "setup-check")
PRODUCT = "{6C3F8E2A-1D4B-4C5E-9F70-112233445566}"
OTHER_PRODUCT = "{6C3F8E2A-1D4B-4C5E-9F70-112233445599}"
VERSION = "2.0.0"
TRANSFORM_FAILURE = 1624  # ERROR_INSTALL_TRANSFORM_FAILURE
PACKAGE_INVALID = 1620  # ERROR_INSTALL_PACKAGE_INVALID


def package_code(package):
    summary = msi_media.read_summary(msi_media.cfb.read_file(package.path))
    return summary[msi_media.PID_REVNUMBER]


class PackageCheck(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="package-check-")
        # Packages the transforms are made from: this product in this version, the previous
        # version, another product, the same product in Russian.
        cls.base = cls.build("base", PRODUCT, VERSION)
        cls.previous = cls.build("previous", PRODUCT, "1.9.0")
        cls.other = cls.build("other", OTHER_PRODUCT, VERSION)
        cls.russian = cls.build("russian", PRODUCT, VERSION, language=1049)
        cls.newer_schema = cls.build("schema405", PRODUCT, VERSION, installer_version=405)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    @classmethod
    def build(cls, folder, code, version, **options):
        # One upgrade code for the product's builds, as a publisher keeps it.
        return msi_media.build_package(os.path.join(cls.work, folder), "product", code, version,
                                       upgrade_code="{9D0C1B2A-0000-4000-8000-00000000AAAA}",
                                       **options)

    def medium(self, package=None, transforms=None, location="product.msi"):
        """A medium: Setup.ini, English, Russian and Ukrainian message files, the package
        (a Package, or bytes) at `location`, and `transforms` ({"1049.mst": (made from,
        validation flags) or bytes})."""
        folder = tempfile.mkdtemp(dir=self.work)
        pe_image.write_launcher(os.path.join(folder, "setup.exe"))
        media.write(os.path.join(folder, "Setup.ini"), media.setup_ini(
            product=PRODUCT, version=VERSION, location=location))
        for language in ("0x0409", "0x0419", "0x0422"):
            media.write(os.path.join(folder, language + ".ini"), "[%s]\r\n1150=-\r\n" % language)
        target = os.path.join(folder, *location.split("\\"))
        package = package or self.base
        if isinstance(package, bytes):
            media.write(target, package)
        else:
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copy(package.path, target)
        if transforms is None:
            transforms = {name: (self.base, msi_media.VALIDATE_DEFAULT)
                          for name in ("1049.mst", "1058.mst")}
        for name, made in transforms.items():
            path = os.path.join(folder, name)
            if isinstance(made, bytes):
                media.write(path, made)
            else:
                made[0].transform(path, {"LANGMARK": name[:4]}, validation=made[1])
        return folder

    def check(self, folder, *options):
        proc = subprocess.run([CHECK, "--json", *options, folder], stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=60)
        self.assertIn(proc.returncode, (0, 1, 3), proc.stderr.decode())
        report = json.loads(proc.stdout)
        self.assertEqual(proc.returncode, report["status"])
        return report

    def messages(self, report):
        return [w["message"] for w in report["warnings"] + report["runs"][0]["warnings"]]

    def transform(self, report, name):
        return next(t for t in report["transforms"] if t["name"] == name)

    def test_a_medium_where_everything_matches(self):
        report = self.check(self.medium(), "--profile", "win7-sp1-ru")
        self.assertEqual(report["warnings"], [])
        package, run = report["package"], report["runs"][0]
        self.assertEqual(package["read"], "read")
        self.assertEqual((package["product_code"], package["product_version"]),
                         (PRODUCT, VERSION))
        self.assertEqual(run["identity"]["product_code"], {"value": PRODUCT, "source": "package"})
        self.assertEqual(run["identity"]["key_file_version"],
                         {"value": "1.2.3.4", "source": "package"})
        self.assertEqual(package["package_code"], package_code(self.base))
        self.assertEqual((package["schema"], package["needs_installer"]), (200, "2.0"))
        self.assertEqual(package["template"], "Intel;1033")
        self.assertEqual([(t["name"], t["opened"], t["failures"]) for t in report["transforms"]],
                         [("1049.mst", True, []), ("1058.mst", True, [])])
        made_for = self.transform(report, "1049.mst")["made_for"]
        self.assertEqual((made_for["product_code"], made_for["product_version"]),
                         (PRODUCT, VERSION))
        self.assertEqual(run["installer"]["command_line"],
                         "TRANSFORMS=1049.mst REBOOT=ReallySuppress")
        self.assertEqual((run["exit_code"], report["status"]), (0, 0))

    def test_the_profile_overrides_what_the_package_says(self):
        report = self.check(self.medium(), "--set", "package_version=7.0.0")
        run = report["runs"][0]
        self.assertEqual(run["identity"]["product_version"],
                         {"value": "7.0.0", "source": "profile"})
        self.assertEqual(run["identity"]["product_code"]["source"], "package")
        self.assertEqual(run["decisions"]["package"]["product_version"], "7.0.0")
        self.assertEqual(report["package"]["product_version"], VERSION)

    def test_transforms_made_for_another_package(self):
        # MsiCreateTransformSummaryInfo: each MSITRANSFORM_VALIDATE_* flag set in the upper word
        # of the transform's Character Count makes the installer compare that value with the
        # package's; a mismatch fails the installation with 1624.
        cases = [
            ("another product code", (self.other, msi_media.VALIDATE_PRODUCT),
             "1049.mst was made for ProductCode %s; the package's is %s and the transform asks "
             "the installer to check it" % (OTHER_PRODUCT, PRODUCT)),
            ("another version", (self.previous, msi_media.VALIDATE_DEFAULT),
             "1049.mst was made for ProductVersion 1.9.0; the package is 2.0.0 and the "
             "transform asks for an exact version match"),
            ("another language", (self.russian, msi_media.VALIDATE_LANGUAGE),
             "1049.mst was made for language 1049; the package's is 1033 and the transform asks "
             "the installer to check it"),
        ]
        for name, made_from, failure in cases:
            with self.subTest(name):
                folder = self.medium(transforms={"1049.mst": made_from,
                                                 "1058.mst": (self.base, 0)})
                report = self.check(folder, "--profile", "win7-sp1-ru")
                self.assertEqual(self.transform(report, "1049.mst")["failures"], [failure])
                self.assertEqual(self.transform(report, "1058.mst")["failures"], [])
                self.assertIn(failure + " (Windows answers 1624)", self.messages(report))
                self.assertEqual(report["runs"][0]["exit_code"], TRANSFORM_FAILURE)
                # The Ukrainian user's transform is sound: that installation goes through.
                report = self.check(folder, "--profile", "win10-uk")
                self.assertEqual(report["runs"][0]["exit_code"], 0)

    def test_the_same_version_checks_pass_whatever_the_transform_does_not_ask(self):
        # A transform that asks for no validation applies to any package.
        folder = self.medium(transforms={"1049.mst": (self.other, 0)})
        report = self.check(folder, "--profile", "win7-sp1-ru")
        self.assertEqual(self.transform(report, "1049.mst")["failures"], [])
        self.assertEqual(report["runs"][0]["exit_code"], 0)

    def test_transforms_that_do_not_apply(self):
        # A file the installer cannot open as a transform, or a package handed over in a
        # transform's place, cannot be applied: MsiInstallProduct answers 1624,
        # ERROR_INSTALL_TRANSFORM_FAILURE ("Error applying transforms").
        with open(self.base.path, "rb") as f:
            package_bytes = f.read()
        cases = [("damaged", package_bytes[:1024], "1049.mst cannot be read as a transform"),
                 ("a package", package_bytes, "1049.mst is no transform")]
        for name, data, warning in cases:
            with self.subTest(name):
                report = self.check(self.medium(transforms={"1049.mst": data}),
                                    "--profile", "win7-sp1-ru")
                self.assertTrue(any(m.startswith(warning) for m in self.messages(report)),
                                self.messages(report))
                self.assertEqual(self.transform(report, "1049.mst")["made_for"], None)
                self.assertEqual(report["runs"][0]["exit_code"], TRANSFORM_FAILURE)

    def test_instance_transforms_must_be_stored_in_the_package(self):
        # The launcher hands an instance's transform over as :Name.mst, a storage inside the
        # package (TRANSFORMS property: a leading colon names an embedded transform).
        for stored in (False, True):
            with self.subTest(stored=stored):
                package = self.build("instances-%d" % stored, PRODUCT, VERSION)
                if stored:
                    mst = os.path.join(self.work, "Inst2.mst")
                    package.transform(mst, {"LANGMARK": "inst2"})
                    msi_media.embed_transform(package.path, mst, "Inst2.mst")
                folder = self.medium(package, location="data\\product.msi")
                media.write(os.path.join(folder, "data", "setup.ini"), media.instances_ini())
                # The instance is installed: the launcher, answered by the real package, finds
                # it and hands over its transform.
                report = self.check(folder, "--set", "installed.%s=%s" % (media.INSTANCE, VERSION))
                entry = self.transform(report, ":Inst2.mst")
                self.assertEqual((entry["stored"], entry["found"]), (True, stored))
                warned = [m for m in self.messages(report) if "Inst2" in m]
                self.assertEqual(len(warned), 0 if stored else 1, warned)
                self.assertEqual(report["runs"][0]["decisions"]["package"]["installed_state"], 2)
                self.assertTrue(report["runs"][0]["installer"]["command_line"].startswith(
                    "TRANSFORMS=:Inst2.mst;"))
                self.assertEqual(report["runs"][0]["exit_code"], 0 if stored else TRANSFORM_FAILURE)

    def test_setup_ini_and_the_package_disagree(self):
        folder = self.medium()
        media.write(os.path.join(folder, "Setup.ini"), media.setup_ini(
            product=OTHER_PRODUCT, version="2.0.1"))
        report = self.check(folder)
        warnings = {w["line"]: w["message"] for w in report["warnings"]}
        self.assertEqual({w["id"] for w in report["warnings"]}, {"identity-differs"})
        self.assertTrue(warnings[2].startswith(
            "ProductCode in [Startup] is %s, the package's is %s" % (OTHER_PRODUCT, PRODUCT)))
        self.assertTrue(warnings[3].startswith(
            "ProductVersion in [Startup] is 2.0.1, the package's is 2.0.0"))
        # The installer is asked with the package's own identity.
        self.assertEqual(report["runs"][0]["decisions"]["package"]["product_code"], PRODUCT)

    def test_a_package_that_needs_a_newer_installer(self):
        # Summary information, Page Count: the lowest installer version the package needs.
        report = self.check(self.medium(self.newer_schema, transforms={}))
        self.assertEqual((report["package"]["schema"], report["package"]["needs_installer"]),
                         (405, "4.5"))
        warned = [w for w in report["warnings"] if "4.5" in w["message"]]
        self.assertEqual(len(warned), 1, report["warnings"])
        self.assertIn("[MsiVersion] requires only 3.1", warned[0]["message"])

    def test_a_text_file_named_like_the_package(self):
        report = self.check(self.medium(b"[Startup]\r\nnot a package\r\n", transforms={}))
        self.assertEqual(report["package"]["read"], "not_a_package")
        self.assertTrue(any("is not a Windows Installer package" in m
                            for m in self.messages(report)))
        identity = report["runs"][0]["identity"]
        self.assertEqual(identity["product_code"], {"value": PRODUCT, "source": "Setup.ini"})
        self.assertEqual(identity["package_code"], {"value": None, "source": "assumed"})
        self.assertEqual(report["runs"][0]["exit_code"], PACKAGE_INVALID)


if __name__ == "__main__":
    unittest.main()
