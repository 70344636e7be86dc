"""setup-check --deploy: the administrator's traps as warnings, one table of media; the three
forms compared field by field with what the same run's JSON report says; the zip of the
medium the same bytes for the same medium; and the fields of winget's manifest this suite
relies on, against the patterns and required fields of the schema it declares.
"""

import hashlib
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

import yaml

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import check_tool  # noqa: E402
import media  # noqa: E402
import msi_media  # noqa: E402
import pe_image  # noqa: E402

CHECK = os.environ.get("SETUP_CHECK_EXE") or check_tool.CHECK
PRODUCT = "{6C3F8E2A-1D4B-4C5E-9F70-1122334455D1}"
INSTANCE = "{6C3F8E2A-1D4B-4C5E-9F70-1122334455D2}"
URL = "https://downloads.example.com/vorta/vorta-2.5.1.zip"

# winget's manifest schema 1.12.0: the patterns of the fields the suite relies on.
PACKAGE_IDENTIFIER = re.compile(r'^[^.\s\\/:*?"<>|\x01-\x1f]{1,32}(\.[^.\s\\/:*?"<>|\x01-\x1f]'
                                r'{1,32}){1,7}$')
PACKAGE_VERSION = re.compile(r'^[^\\/:*?"<>|\x01-\x1f]+$')
VERSION_PART = r"(0|[1-9][0-9]{0,3}|[1-5][0-9]{4}|6[0-4][0-9]{3}|65[0-4][0-9]{2}|655[0-2][0-9]" \
               r"|6553[0-5])"
MINIMUM_OS_VERSION = re.compile(r"^%s(\.%s){0,3}$" % (VERSION_PART, VERSION_PART))
SHA256 = re.compile(r"^[A-Fa-f0-9]{64}$")
GUID = re.compile(r"^\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}$")
REQUIRED = {
    "version": ["PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType",
                "ManifestVersion"],
    "installer": ["PackageIdentifier", "PackageVersion", "Installers", "ManifestType",
                  "ManifestVersion"],
    "defaultLocale": ["PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher",
                      "PackageName", "License", "ShortDescription", "ManifestType",
                      "ManifestVersion"],
}
RETURN_RESPONSES = {"packageInUse", "packageInUseByApplication", "installInProgress", "fileInUse",
                    "missingDependency", "diskFull", "insufficientMemory", "invalidParameter",
                    "noNetwork", "contactSupport", "rebootRequiredToFinish",
                    "rebootRequiredForInstall", "rebootInitiated", "cancelledByUser",
                    "alreadyInstalled", "downgrade", "blockedByPolicy", "systemNotSupported",
                    "custom"}
# Intune's own return codes for a Win32 app, which a body must keep.
INTUNE_DEFAULTS = {0: "success", 3010: "softReboot", 1641: "hardReboot", 1618: "retry"}
INTUNE_TYPES = {"success", "softReboot", "hardReboot", "retry", "failed"}


def run(*arguments, status=0):
    proc = subprocess.run([CHECK, *arguments], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=120)
    if proc.returncode != status:
        raise AssertionError("setup-check %s: %d, not %d: %s" % (
            " ".join(arguments), proc.returncode, status, proc.stderr.decode(errors="replace")))
    return proc.stdout.decode("utf-8")


class Media:
    """The media of these tests, made once: a package per kind (built with wixl), and a medium
    folder for each case."""

    def __init__(self):
        self.work = tempfile.mkdtemp(prefix="deploy-")
        self.packages = {}

    def package(self, kind):
        if kind not in self.packages:
            folder = os.path.join(self.work, "packages", kind)
            platform = "x64" if kind == "x64" else "x86"
            package = msi_media.build_package(folder, "product", PRODUCT, media.VERSION,
                                              platform=platform)
            if kind == "per user":
                msi_media._run(["msibuild", package.path, "-q",
                                "DELETE FROM `Property` WHERE `Property` = 'ALLUSERS'"])
            if kind == "dual, per user":
                msi_media._run(["msibuild", package.path, "-q",
                                "UPDATE `Property` SET `Value` = '2' WHERE `Property` = "
                                "'ALLUSERS'"])
                msi_media._run(["msibuild", package.path, "-q", "INSERT INTO `Property` "
                                "(`Property`, `Value`) VALUES ('MSIINSTALLPERUSER', '1')"])
            if kind == "instance":
                stored = package.transform(os.path.join(folder, "Inst2.mst"),
                                           {"ProductCode": INSTANCE})
                msi_media.embed_transform(package.path, stored, "Inst2.mst")
            self.packages[kind] = package
        return self.packages[kind]

    def medium(self, name, kind="per machine", launcher="setup.exe", **image):
        """A medium: Setup.ini, an English message file, the package of `kind` (in data\\ with
        its instance description for "instance") and the launcher `launcher` (None: none),
        a stand-in image made with `image`, or bytes."""
        folder = os.path.join(self.work, name.replace(" ", "-"))
        instance = kind == "instance"
        location = "data\\product.msi" if instance else "product.msi"
        media.write(os.path.join(folder, "Setup.ini"), media.setup_ini(
            product=PRODUCT, location=location,
            cmdline="REINSTALL=ALL REINSTALLMODE=vomus" if instance else "REBOOT=ReallySuppress"))
        media.write(os.path.join(folder, "0x0409.ini"), "[0x0409]\r\n1150=-\r\n")
        target = os.path.join(folder, *location.split("\\"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy(self.package(kind).path, target)
        if instance:
            media.write(os.path.join(folder, "data", "setup.ini"), media.instances_ini(INSTANCE))
        if isinstance(image.get("data"), bytes):
            media.write(os.path.join(folder, launcher), image["data"])
        elif launcher:
            pe_image.write_launcher(os.path.join(folder, launcher), **image)
        return folder


def setUpModule():
    global MEDIA
    MEDIA = Media()


def tearDownModule():
    shutil.rmtree(MEDIA.work, ignore_errors=True)


def instance_settings(kind):
    return ["--set", "installed.%s=%s" % (INSTANCE, media.VERSION)] if kind == "instance" else []


class AdministratorsTraps(unittest.TestCase):
    """Each trap on a medium of its own, and the warning that names it."""

    TRAPS = [
        # (case, package kind, launcher file name, stand-in image, --exe, warning id)
        ("a package without ALLUSERS", "per user", "setup.exe", {}, None, "per-user-as-system"),
        ("ALLUSERS=2 and MSIINSTALLPERUSER=1", "dual, per user", "setup.exe", {}, None,
         "per-user-as-system"),
        ("a renamed, branded launcher", "per machine", "Vorta.exe",
         {"strings": {"FileDescription": "Vorta Office", "ProductName": "Vorta",
                      "LauncherVersion": pe_image.project_version()}}, "Vorta.exe",
         "launcher-not-elevated"),
        ("no setup.exe", "per machine", None, {}, None, "launcher-missing"),
        ("a text file as setup.exe", "per machine", "setup.exe", {"data": b"not a program"},
         None, "launcher-not-32-bit"),
        ("a 64-bit setup.exe", "per machine", "setup.exe",
         {"machine": pe_image.MACHINE_AMD64}, None, "launcher-not-32-bit"),
        ("setup.exe of another launcher version", "per machine", "setup.exe",
         {"strings": dict(pe_image.default_strings(), LauncherVersion="0.9.0")}, None,
         "launcher-other-version"),
    ]
    ADMINISTRATORS = {trap[-1] for trap in TRAPS}

    def ids(self, folder, *options):
        report = json.loads(run("--json", *options, folder))
        return [w["id"] for w in report["warnings"] + report["runs"][0]["warnings"]]

    def test_each_trap_names_its_warning(self):
        for case, kind, launcher, image, exe, warning in self.TRAPS:
            with self.subTest(case):
                folder = MEDIA.medium(case, kind, launcher, **image)
                ids = self.ids(folder, *(["--exe", exe] if exe else []))
                self.assertIn(warning, ids)
                self.assertEqual(set(ids) & self.ADMINISTRATORS, {warning}, ids)

    def test_a_well_made_medium_sets_off_none(self):
        ids = self.ids(MEDIA.medium("well made"))
        self.assertEqual(set(ids) & self.ADMINISTRATORS, set(), ids)


class FormsFollowTheReport(unittest.TestCase):
    """The forms of a medium's run against the JSON report of the same run."""

    CASES = [("per machine", "per machine"), ("per user", "per user"),
             ("instance", "instance"), ("x64", "x64")]

    def forms(self, kind):
        folder = MEDIA.medium("forms " + kind, kind)
        options = ["--profile", "win10-en", *instance_settings(kind)]
        report = json.loads(run("--json", *options, folder, "--", "/S"))
        intune = json.loads(run("--deploy", "intune", *options, folder))
        sheet = check_tool.sheet_rows(run("--deploy", "sheet", *options, folder))
        out = tempfile.mkdtemp(dir=MEDIA.work)
        printed = run("--deploy", "winget", "--url", URL, "--out", out, *options, folder)
        return folder, report, intune, sheet, out, printed

    def test_every_form_names_what_the_report_says(self):
        for name, kind in self.CASES:
            with self.subTest(name):
                folder, report, intune, sheet, out, printed = self.forms(kind)
                run_ = report["runs"][0]
                installs = run_["installs"]
                code, version = (installs["product_code"]["value"],
                                 installs["product_version"]["value"])
                self.assertEqual(code, INSTANCE if kind == "instance" else PRODUCT)
                per_user = installs["context"] == "per_user"
                self.check_intune(intune, report, installs, per_user)
                self.assertEqual(sheet["Detection"]["MSI product code"].split()[0], code)
                self.assertEqual(sheet["Detection"]["version"].split()[0], version)
                self.assertEqual(sheet["Install"]["command"], "setup.exe " + report["command_line"])
                self.assertTrue(sheet["Install"]["without launcher"].startswith(
                    run_["installer"]["msiexec"]))
                self.assertIn(installs["context_reason"], sheet["Install"]["installs for"])
                self.assertEqual(sheet["Uninstall"]["command"], "msiexec /x %s /qn" % code)
                self.check_winget(out, printed, report, installs, per_user)

    def check_intune(self, body, report, installs, per_user):
        self.assertEqual(body["@odata.type"], "#microsoft.graph.win32LobApp")
        self.assertEqual((body["displayName"], body["publisher"], body["displayVersion"]),
                         (installs["product_name"]["value"], installs["manufacturer"]["value"],
                          installs["product_version"]["value"]))
        self.assertEqual(body["installCommandLine"], "setup.exe " + report["command_line"])
        self.assertEqual(body["setupFilePath"], "setup.exe")
        self.assertEqual(body["uninstallCommandLine"],
                         "msiexec /x %s /qn" % installs["product_code"]["value"])
        rule, = body["detectionRules"]
        self.assertEqual(rule["@odata.type"], "#microsoft.graph.win32LobAppProductCodeDetection")
        self.assertEqual((rule["productCode"], rule["productVersionOperator"],
                          rule["productVersion"]),
                         (installs["product_code"]["value"], "equal",
                          installs["product_version"]["value"]))
        self.assertEqual(body["installExperience"]["runAsAccount"],
                         "user" if per_user else "system")
        self.assertEqual(body["msiInformation"]["upgradeCode"], installs["upgrade_code"]["value"])
        codes = {c["returnCode"]: c["type"] for c in body["returnCodes"]}
        self.assertLessEqual(set(codes.values()), INTUNE_TYPES)
        self.assertEqual({c: codes[c] for c in INTUNE_DEFAULTS}, INTUNE_DEFAULTS)
        architectures = body["allowedArchitectures"].split(",")
        self.assertEqual("x86" in architectures, report["package"]["platform"] == "Intel")

    def check_winget(self, out, printed, report, installs, per_user):
        manifests = {}
        for path in printed.splitlines()[1:]:
            with open(path, encoding="utf-8") as f:
                manifest = yaml.safe_load(f)
            manifests[manifest["ManifestType"]] = manifest
            for field in REQUIRED[manifest["ManifestType"]]:
                self.assertIn(field, manifest, path)
            self.assertRegex(manifest["PackageIdentifier"], PACKAGE_IDENTIFIER)
            self.assertRegex(manifest["PackageVersion"], PACKAGE_VERSION)
            self.assertTrue(os.path.basename(path).startswith(manifest["PackageIdentifier"] +
                                                              "."), path)
        self.assertEqual(set(manifests), set(REQUIRED))
        installer = manifests["installer"]
        self.assertEqual(installer["PackageVersion"], installs["product_version"]["value"])
        self.assertRegex(installer["MinimumOSVersion"], MINIMUM_OS_VERSION)
        self.assertEqual(installer["ProductCode"], installs["product_code"]["value"])
        self.assertRegex(installer["ProductCode"], GUID)
        entry, = installer["AppsAndFeaturesEntries"]
        self.assertEqual((entry["DisplayName"], entry["Publisher"], entry["DisplayVersion"],
                          entry["ProductCode"], entry["UpgradeCode"], entry["InstallerType"]),
                         (installs["product_name"]["value"], installs["manufacturer"]["value"],
                          installs["product_version"]["value"], installs["product_code"]["value"],
                          installs["upgrade_code"]["value"], "msi"))
        self.assertEqual(installer["Scope"], "user" if per_user else "machine")
        self.assertEqual(installer["InstallerSwitches"]["Silent"], report["command_line"])
        self.assertEqual(installer["NestedInstallerFiles"], [{"RelativeFilePath": "setup.exe"}])
        self.assertLessEqual({3010, 1641}, set(installer["InstallerSuccessCodes"]))
        self.assertNotIn(0, installer["InstallerSuccessCodes"])
        for expected in installer["ExpectedReturnCodes"]:
            self.assertIn(expected["ReturnResponse"], RETURN_RESPONSES)
            self.assertNotEqual(expected["InstallerReturnCode"], 0)
        package, = installer["Installers"]
        self.assertEqual(package["Architecture"],
                         {"Intel": "x86", "x64": "x64"}[report["package"]["platform"]])
        self.assertEqual(package["InstallerUrl"], URL)
        self.assertRegex(package["InstallerSha256"], SHA256)
        with open(os.path.join(out, os.path.basename(URL)), "rb") as f:
            self.assertEqual(hashlib.sha256(f.read()).hexdigest().upper(),
                             package["InstallerSha256"])


class ZipOfTheMedium(unittest.TestCase):
    def zip_of(self, folder, out):
        run("--deploy", "winget", "--url", URL, "--out", out, folder)
        with open(os.path.join(out, os.path.basename(URL)), "rb") as f:
            return f.read()

    def test_the_same_medium_gives_the_same_bytes(self):
        folder = MEDIA.medium("zipped")
        copy = os.path.join(MEDIA.work, "elsewhere", "zipped copy")
        shutil.copytree(folder, copy)
        # Other times and permissions on the host: none of them reaches the zip.
        os.utime(os.path.join(copy, "Setup.ini"), (0, 0))
        os.chmod(os.path.join(copy, "product.msi"), 0o600)
        first = self.zip_of(folder, tempfile.mkdtemp(dir=MEDIA.work))
        self.assertEqual(first, self.zip_of(copy, tempfile.mkdtemp(dir=MEDIA.work)))
        archive = zipfile.ZipFile(io.BytesIO(first))
        self.assertIsNone(archive.testzip())
        names = [i.filename for i in archive.infolist()]
        self.assertEqual(names, sorted(names))
        self.assertEqual(set(names), {"0x0409.ini", "Setup.ini", "product.msi", "setup.exe"})
        with open(os.path.join(folder, "product.msi"), "rb") as f:
            self.assertEqual(archive.read("product.msi"), f.read())

    def test_what_a_zip_of_the_medium_cannot_hold_is_refused(self):
        linked = MEDIA.medium("linked")
        os.symlink("/etc/hostname", os.path.join(linked, "hostname"))
        inside = MEDIA.medium("out inside")
        for folder, out, words in ((linked, tempfile.mkdtemp(dir=MEDIA.work), "symbolic link"),
                                   (inside, os.path.join(inside, "winget"), "inside the medium")):
            proc = subprocess.run([CHECK, "--deploy", "winget", "--url", URL, "--out", out,
                                   folder], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                  timeout=60)
            self.assertEqual(proc.returncode, 2)
            self.assertIn(words, proc.stderr.decode())


class NoFormWithoutAnInstallation(unittest.TestCase):
    def test_a_refused_or_failing_run_gives_no_form_and_its_status(self):
        folder = MEDIA.medium("refusals")
        for options, status in ((["--profile", "winxp-sp3-en"], 1),
                                (["--set", "installer_result=1603"], 3),
                                (["--cmdline", ""], 2)):
            with self.subTest(options):
                proc = subprocess.run([CHECK, "--deploy", "intune", *options, folder],
                                      stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
                self.assertEqual((proc.returncode, proc.stdout), (status, b""))
                self.assertIn("no deployment form", proc.stderr.decode())


if __name__ == "__main__":
    unittest.main()
