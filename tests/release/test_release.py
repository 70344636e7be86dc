"""scripts/release.sh, run once into a temporary folder with a throwaway signing key: the
folder holds what it promises, SHA256SUMS verifies, the images are the build's and the signed
one is them plus a signature, and the bill of materials names the runtime pieces linked into
setup.exe with the versions of the Debian packages they came from.

    python3 -m unittest -v tests/release/test_release.py     (from the source folder)
"""

import hashlib
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "e2e"))
import throwaway_ca  # noqa: E402

RELEASE = os.path.join(SOURCE_DIR, "scripts", "release.sh")


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def machine(path):
    with open(path, "rb") as f:
        data = f.read(4096)
    return struct.unpack_from("<H", data, struct.unpack_from("<I", data, 0x3C)[0] + 4)[0]


class Release(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="setup-release-")
        cls.ca = throwaway_ca.ThrowawayCA(os.path.join(cls.root, "ca"))
        cls.out = os.path.join(cls.root, "release")
        # Run from elsewhere, with paths relative to there.
        done = subprocess.run([RELEASE, "--out", "release", "--", "--pkcs12", "ca/code.p12",
                               "--pass-file", "ca/pass.txt", "--ca", "ca/ca.pem"],
                              cwd=cls.root, capture_output=True, text=True)
        if done.returncode != 0:
            shutil.rmtree(cls.root, ignore_errors=True)
            raise RuntimeError("release.sh failed:\n" + done.stdout[-3000:] + done.stderr[-3000:])
        cls.files = sorted(os.path.relpath(os.path.join(d, f), cls.out)
                           for d, _, names in os.walk(cls.out) for f in names)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.out, name)

    def test_folder_holds_every_piece_and_its_checksums_verify(self):
        docs = sorted("docs/" + f for f in os.listdir(os.path.join(SOURCE_DIR, "docs"))
                      if f.endswith(".md"))
        self.assertEqual(self.files, sorted(
            ["README.md", "SHA256SUMS", "setup.exe", "signed/setup.exe", "setup.spdx.json",
             "setup-check/linux-x86_64/setup-check",
             "setup-check/windows-i686/setup-check.exe"] + docs))
        done = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=self.out,
                              capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        with open(self.path("SHA256SUMS")) as f:
            listed = sorted(line.split(None, 1)[1].strip() for line in f)
        self.assertEqual(listed, [f for f in self.files if f != "SHA256SUMS"])

    def test_images_are_the_builds_and_the_signed_one_verifies(self):
        build = os.path.join(SOURCE_DIR, "build", "windows")
        self.assertEqual(sha256(self.path("setup.exe")), sha256(os.path.join(build, "setup.exe")))
        self.assertEqual(machine(self.path("setup.exe")), 0x14C)  # i386
        self.assertEqual(machine(self.path("setup-check/windows-i686/setup-check.exe")), 0x14C)
        signed = self.path("signed/setup.exe")
        done = subprocess.run(["osslsigncode", "verify", "-in", signed, "-CAfile", self.ca.ca],
                              capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, done.stdout)
        unsigned = os.path.join(self.root, "unsigned.exe")
        subprocess.run(["osslsigncode", "remove-signature", "-in", signed, "-out", unsigned],
                       check=True, capture_output=True)
        self.assertEqual(sha256(unsigned), sha256(self.path("setup.exe")))
        # The Linux checker runs.
        done = subprocess.run([self.path("setup-check/linux-x86_64/setup-check"),
                               "--list-presets"], capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("win10-en", done.stdout)

    def test_bill_of_materials_names_the_linked_runtime_and_its_packages(self):
        with open(self.path("setup.spdx.json"), encoding="utf-8") as f:
            document = json.load(f)
        self.assertEqual(document["spdxVersion"], "SPDX-2.3")
        packages = {p["SPDXID"]: p for p in document["packages"]}
        described = [r["relatedSpdxElement"] for r in document["relationships"]
                     if r["relationshipType"] == "DESCRIBES"]
        self.assertEqual(len(described), 1)
        launcher = packages[described[0]]
        self.assertEqual(launcher["packageFileName"], "setup.exe")
        self.assertIn({"algorithm": "SHA256", "checksumValue": sha256(self.path("setup.exe"))},
                      launcher["checksums"])

        linked = {}
        for r in document["relationships"]:
            if r["relationshipType"] == "STATIC_LINK" and r["spdxElementId"] == described[0]:
                p = packages[r["relatedSpdxElement"]]
                purl = p["externalRefs"][0]["referenceLocator"]
                debian = re.match(r"pkg:deb/debian/([^@]+)@", purl).group(1)
                debian = debian.replace("%2B", "+")
                linked[p["name"]] = (debian, p["versionInfo"])
        self.assertLessEqual({"libstdc++", "libgcc", "winpthreads", "MinGW-w64 runtime"},
                             set(linked))
        for name, (debian, version) in linked.items():
            with self.subTest(component=name):
                installed = subprocess.run(["dpkg-query", "-W", "-f", "${Version}", debian],
                                           capture_output=True, text=True, check=True).stdout
                self.assertEqual(version, installed)
        self.assertRegex(linked["libstdc++"][0], r"^g\+\+-mingw-w64-i686-")
        self.assertRegex(linked["winpthreads"][0], r"^mingw-w64-i686-dev$")

    def test_a_folder_that_is_no_release_is_left_alone(self):
        folder = os.path.join(self.root, "own-files")
        os.makedirs(folder)
        with open(os.path.join(folder, "notes.txt"), "w") as f:
            f.write("mine\n")
        done = subprocess.run([RELEASE, "--out", folder], capture_output=True, text=True)
        self.assertEqual(done.returncode, 1)
        self.assertIn("not touching it", done.stderr)
        self.assertEqual(os.listdir(folder), ["notes.txt"])


if __name__ == "__main__":
    unittest.main()
