"""A publisher's setup.exe: built with a branding file and cache variables, it carries their
strings, version and icon (read back from the image's resources), still passes the image
checks, and still runs under Wine; the build's signing step (SETUP_SIGN) signs it beside the
unsigned image. Branding that cannot be right stops the configuration.

The branded images are built in throwaway build folders: the product's i686 image always, and
the image of the architecture under test when that is another one."""

import os
import shutil
import struct
import subprocess
import tempfile
import unittest

import pe_image
import test_exe_image as image
import throwaway_ca
import wine
from test_startup import USAGE

TOOLCHAINS = {"32": ("toolchain-i686-mingw.cmake", "i686-w64-mingw32-objdump"),
              "64": ("toolchain-x86_64-mingw.cmake", "x86_64-w64-mingw32-objdump")}

# 2020-01-01: the year "@YEAR@" must become.
EPOCH = "1577836800"

BRANDING_FILE = """\
# Vorta's launcher; paths are relative to this file.
icon = art/vorta.ico
product_name = Vorta Office "Pro"; [2.5]
company = overridden by the cache variable
file_description   =   Установка Vorta Office — C:\\Program Files\\Vorta\\
copyright = © @YEAR@ Vorta Ltd. 中文
version = 2.5.1.7
original_filename = Install Vorta.exe
"""
COMPANY = "ТОВ «Ворта»"


def build_type():
    with open(os.path.join(wine.BUILD_DIR, "CMakeCache.txt")) as f:
        for line in f:
            if line.startswith("CMAKE_BUILD_TYPE:"):
                return line.split("=", 1)[1].strip()
    return "MinSizeRel"


def publisher_icon(sizes=(24, 64)):
    """An .ico of 32-bit images (colour with alpha), nothing like the launcher's own."""
    images = []
    for size in sizes:
        pixels = bytearray()
        for y in range(size):
            for x in range(size):
                pixels += bytes(((x * 255) // size, (y * 255) // size, 0x80, 0xFF))
        mask = bytes(((size + 31) // 32) * 4 * size)
        header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0,
                             len(pixels) + len(mask), 0, 0, 0, 0)
        images.append(header + bytes(pixels) + mask)
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def configure(build_dir, arch, *definitions):
    toolchain = os.path.join(wine.SOURCE_DIR, "cmake", TOOLCHAINS[arch][0])
    env = dict(os.environ, SOURCE_DATE_EPOCH=EPOCH)
    env.pop("SETUP_SIGN_PASSWORD", None)
    return subprocess.run(["cmake", "-S", wine.SOURCE_DIR, "-B", build_dir,
                           "-DCMAKE_TOOLCHAIN_FILE=" + toolchain,
                           "-DCMAKE_BUILD_TYPE=" + build_type(), "-DSETUP_BUILD_TESTS=OFF"]
                          + list(definitions), env=env, capture_output=True, text=True)


class BrandedBuild(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="setup-branding-")
        os.makedirs(os.path.join(cls.root, "publisher", "art"))
        cls.icon = os.path.join(cls.root, "publisher", "art", "vorta.ico")
        with open(cls.icon, "wb") as f:
            f.write(publisher_icon())
        cls.branding_file = os.path.join(cls.root, "publisher", "branding.txt")
        with open(cls.branding_file, "w", encoding="utf-8") as f:
            f.write(BRANDING_FILE)
        cls.arch = wine.exe_arch(wine.build_file("setup.exe"))
        # Signed in the build, the password coming from the build's environment.
        signing, env = [], dict(os.environ)
        cls.ca = None
        if throwaway_ca.available():
            cls.ca = throwaway_ca.ThrowawayCA(os.path.join(cls.root, "ca"))
            signing = ["-DSETUP_SIGN=ON", "-DSETUP_SIGN_PKCS12=" + cls.ca.pkcs12,
                       "-DSETUP_SIGN_CA=" + cls.ca.ca]
            env["SETUP_SIGN_PASSWORD"] = throwaway_ca.PASSWORD
        cls.exes = {}
        for arch in sorted({"32", cls.arch}):
            build = os.path.join(cls.root, "build-" + arch)
            done = configure(build, arch, "-DSETUP_BRANDING_FILE=" + cls.branding_file,
                             "-DSETUP_COMPANY=" + COMPANY, *signing)
            if done.returncode == 0:
                done = subprocess.run(["cmake", "--build", build, "--target",
                                       "sign" if signing else "setup", "-j2"],
                                      capture_output=True, text=True, env=env)
            if done.returncode != 0:
                shutil.rmtree(cls.root, ignore_errors=True)
                raise RuntimeError("branded %s-bit build failed:\n%s%s"
                                   % (arch, done.stdout[-3000:], done.stderr[-3000:]))
            cls.exes[arch] = os.path.join(build, "setup.exe")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def expected(self):
        return {
            "icon": self.icon,
            "product_name": 'Vorta Office "Pro"; [2.5]',
            "company": COMPANY,
            "file_description": "Установка Vorta Office — C:\\Program Files\\Vorta\\",
            "copyright": "© 2020 Vorta Ltd. 中文",
            "version": "2.5.1.7",
            "version_numbers": [2, 5, 1, 7],
            "original_filename": "Install Vorta.exe",
            "internal_name": "Install Vorta",
            "launcher_version": pe_image.project_version(),
        }

    def test_image_carries_the_publishers_strings_version_and_icon(self):
        for arch, exe in self.exes.items():
            with self.subTest(arch=arch):
                self.assertEqual(image.branding_of(os.path.dirname(exe)), self.expected())
                image.check_branding(self, exe, self.expected())

    def test_branded_image_passes_the_image_checks(self):
        for arch, exe in self.exes.items():
            with self.subTest(arch=arch):
                image.check_imports(self, exe, TOOLCHAINS[arch][1])
                image.check_manifest(self, exe)

    def test_build_signs_the_image_beside_the_unsigned_one(self):
        if not self.ca:
            self.skipTest("openssl and osslsigncode are needed")
        for arch, exe in self.exes.items():
            with self.subTest(arch=arch):
                signed = os.path.join(os.path.dirname(exe), "setup-signed.exe")
                done = subprocess.run(["osslsigncode", "verify", "-in", signed,
                                       "-CAfile", self.ca.ca], capture_output=True, text=True)
                self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
                # The signature's description is the product name.
                self.assertIn('Text description: Vorta Office "Pro"; [2.5]', done.stdout)
                image.check_branding(self, signed, self.expected())
                done = subprocess.run(["osslsigncode", "verify", "-in", exe], capture_output=True)
                self.assertNotEqual(done.returncode, 0, "setup.exe itself got signed")

    def test_branded_image_runs_under_its_own_name(self):
        with wine.Prefix() as prefix:
            folder = prefix.drive_c("vorta")
            os.makedirs(folder)
            exe = os.path.join(folder, "Install Vorta.exe")
            shutil.copyfile(self.exes[self.arch], exe)
            # No Setup.ini beside it: the usage text and exit code 1.
            result = prefix.run(exe, '"C:\\vorta\\Install Vorta.exe" /?', trace_boxes=False)
        self.assertEqual((result.code, result.stdout.decode().replace("\r\n", "\n")),
                         (1, USAGE))


class BrandingRefused(unittest.TestCase):
    """Branding that cannot be right stops the configuration with a message naming it."""

    def test_configuration_stops(self):
        root = tempfile.mkdtemp(prefix="setup-branding-")
        self.addCleanup(shutil.rmtree, root, True)
        not_icon = os.path.join(root, "logo.png")
        with open(not_icon, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")

        files = []

        def branding_file(text):
            path = os.path.join(root, "branding-%d.txt" % len(files))
            files.append(path)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
            return "-DSETUP_BRANDING_FILE=" + path

        cases = [
            (["-DSETUP_VERSION=2.5.1.7.1"], "is not one to four numbers"),
            (["-DSETUP_VERSION=2.70000"], "70000 is over 65535"),
            (["-DSETUP_VERSION=2.5-beta"], "is not one to four numbers"),
            (["-DSETUP_ICON=" + os.path.join(root, "missing.ico")], "does not exist"),
            (["-DSETUP_ICON=" + not_icon], "is not an icon file"),
            (["-DSETUP_ORIGINAL_FILENAME=bin/setup.exe"], "is not a file name"),
            ([branding_file("compnay = Vorta\n")], "unknown key 'compnay'"),
            ([branding_file("version = 1\nversion = 2\n")], ":2: 'version' stands twice"),
            ([branding_file("product_name Vorta\n")], ":1: expected key = value"),
        ]
        for number, (definitions, message) in enumerate(cases):
            with self.subTest(definitions=definitions):
                done = configure(os.path.join(root, "build-%d" % number), "32", *definitions)
                self.assertNotEqual(done.returncode, 0)
                self.assertIn(message, " ".join(done.stderr.split()))


if __name__ == "__main__":
    unittest.main()
