"""scripts/sign.sh with a throwaway CA: the signed setup.exe verifies against that CA, still
passes the image checks and runs under Wine, and one changed byte breaks its signature. The
unsigned image is never changed; a key from a PKCS#11 token and an RFC 3161 time stamp work
too; and anything that cannot give a sound signed image leaves no output behind."""

import hashlib
import os
import shutil
import subprocess
import tempfile
import unittest

import test_exe_image as image
import throwaway_ca
import wine
from test_startup import USAGE

SIGN = os.path.join(wine.SOURCE_DIR, "scripts", "sign.sh")
SOFTHSM_MODULE = "/usr/lib/softhsm/libsofthsm2.so"


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def objdump(path):
    return "%s-w64-mingw32-objdump" % ("x86_64" if wine.exe_arch(path) == "64" else "i686")


def verifies(path, ca, *extra):
    done = subprocess.run(["osslsigncode", "verify", "-in", path, "-CAfile", ca] + list(extra),
                          capture_output=True, text=True)
    return done.returncode == 0, done.stdout + done.stderr


@unittest.skipUnless(throwaway_ca.available(), "openssl and osslsigncode are needed")
class Signing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="setup-signing-")
        cls.ca = throwaway_ca.ThrowawayCA(os.path.join(cls.root, "ca"))
        cls.other_ca = throwaway_ca.ThrowawayCA(os.path.join(cls.root, "other"), "Other CA")
        # Every built image (the product's 32-bit one and the one under test), copied so that
        # a fault of the script could not reach the build.
        paths = {p for p, _ in image.images()} | {wine.build_file("setup.exe")}
        cls.images = []
        for number, path in enumerate(sorted(paths)):
            folder = os.path.join(cls.root, "image%d" % number)
            os.makedirs(folder)
            copy = os.path.join(folder, "setup.exe")
            shutil.copy2(path, copy)
            cls.images.append((copy, path))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def sign(self, unsigned, signed, *options, env=None):
        return subprocess.run([SIGN] + list(options) + [unsigned, signed], capture_output=True,
                              text=True, env=dict(os.environ, **(env or {})))

    def sign_pkcs12(self, unsigned, signed, *options):
        done = self.sign(unsigned, signed, "--pkcs12", self.ca.pkcs12, "--pass-file",
                         self.ca.pass_file, "--ca", self.ca.ca, *options)
        self.assertEqual(done.returncode, 0, done.stderr)
        return signed

    def test_signed_image_verifies_and_passes_the_image_checks(self):
        for unsigned, built in self.images:
            with self.subTest(image=built):
                before = digest(unsigned)
                signed = self.sign_pkcs12(unsigned, unsigned + ".signed.exe",
                                          "--description", "Vorta Office")
                self.assertEqual(digest(unsigned), before)
                self.assertNotEqual(digest(signed), before)
                ok, text = verifies(signed, self.ca.ca)
                self.assertTrue(ok, text)
                self.assertIn("SHA256", text)
                self.assertFalse(verifies(signed, self.other_ca.ca)[0])
                image.check_imports(self, signed, objdump(built))
                image.check_manifest(self, signed)
                image.check_branding(self, signed, image.branding_of(os.path.dirname(built)))

    def test_signed_image_runs_under_wine(self):
        unsigned = next(u for u, built in self.images if built == wine.build_file("setup.exe"))
        signed = self.sign_pkcs12(unsigned, os.path.join(self.root, "run.exe"))
        with wine.Prefix() as prefix:
            folder = prefix.drive_c("signed")
            os.makedirs(folder)
            shutil.copyfile(signed, os.path.join(folder, "setup.exe"))
            # No Setup.ini beside it: the usage text and exit code 1.
            result = prefix.run(os.path.join(folder, "setup.exe"), '"C:\\signed\\setup.exe" /?',
                                trace_boxes=False)
        self.assertEqual((result.code, result.stdout.decode().replace("\r\n", "\n")),
                         (1, USAGE))

    def test_one_changed_byte_breaks_the_signature(self):
        unsigned = self.images[0][0]
        signed = self.sign_pkcs12(unsigned, os.path.join(self.root, "tamper.exe"))
        with open(signed, "rb") as f:
            data = f.read()
        _, table = image.section_table(data)
        sections = {name: (raw_at, raw_size) for name, _, _, raw_at, raw_size in table}
        places = {
            "code": sections[".text"][0] + sections[".text"][1] // 2,
            "version resource": data.index("ProductName".encode("utf-16-le")) + 30,
            "last byte before the signature": os.path.getsize(unsigned) - 1,
            "DOS header": 0x10,
        }
        for name, at in places.items():
            with self.subTest(place=name):
                changed = bytearray(data)
                changed[at] ^= 0x01
                path = os.path.join(self.root, "tampered.exe")
                with open(path, "wb") as f:
                    f.write(changed)
                self.assertFalse(verifies(path, self.ca.ca)[0])

    def test_key_on_a_pkcs11_token(self):
        if not (shutil.which("softhsm2-util") and os.path.exists(SOFTHSM_MODULE)):
            self.skipTest("SoftHSM is not installed")
        tokens = os.path.join(self.root, "tokens")
        os.makedirs(tokens)
        config = os.path.join(self.root, "softhsm2.conf")
        with open(config, "w") as f:
            f.write("directories.tokendir = %s\nobjectstore.backend = file\n" % tokens)
        env = {"SOFTHSM2_CONF": config}
        key8 = os.path.join(self.root, "code.p8")
        subprocess.run(["openssl", "pkcs8", "-topk8", "-nocrypt", "-in", self.ca.key,
                        "-out", key8], check=True, capture_output=True)
        for args in (["--init-token", "--free", "--label", "publisher", "--pin", "4321",
                      "--so-pin", "87654321"],
                     ["--import", key8, "--token", "publisher", "--label", "code", "--id", "01",
                      "--pin", "4321"]):
            subprocess.run(["softhsm2-util"] + args, check=True, capture_output=True,
                           env=dict(os.environ, **env))
        unsigned = self.images[0][0]
        signed = os.path.join(self.root, "token.exe")
        done = self.sign(unsigned, signed, "--pkcs11-module", SOFTHSM_MODULE,
                         "--key", "pkcs11:token=publisher;object=code;type=private",
                         "--cert", self.ca.cert, "--ca", self.ca.ca,
                         env=dict(env, SETUP_SIGN_PASSWORD="4321"))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertTrue(verifies(signed, self.ca.ca)[0])

    def test_rfc3161_time_stamp(self):
        unsigned = self.images[0][0]
        with self.ca.timestamp_server() as server:
            signed = self.sign_pkcs12(unsigned, os.path.join(self.root, "stamped.exe"),
                                      "--timestamp", server.url)
        self.assertEqual(server.requests, 1)
        ok, text = verifies(signed, self.ca.ca, "-TSA-CAfile", self.ca.ca)
        self.assertTrue(ok, text)
        self.assertIn("Timestamp Server Signature verification: ok", text)

        # The stamp is checked as well: one that does not verify against the time-stamping
        # authority's CA fails the run (osslsigncode alone would accept the image).
        out = os.path.join(self.root, "stamp-refused.exe")
        with self.ca.timestamp_server() as server:
            done = self.sign(unsigned, out, "--pkcs12", self.ca.pkcs12, "--pass-file",
                             self.ca.pass_file, "--ca", self.ca.ca, "--tsa-ca",
                             self.other_ca.ca, "--timestamp", server.url)
        self.assertNotEqual(done.returncode, 0)
        self.assertIn("does not verify", done.stderr)
        self.assertFalse(os.path.exists(out))

    def test_failures_leave_no_signed_image(self):
        unsigned = self.images[0][0]
        before = digest(unsigned)
        link = os.path.join(self.root, "link-to-unsigned.exe")
        os.symlink(unsigned, link)
        out = os.path.join(self.root, "refused.exe")
        wrong_pass = os.path.join(self.root, "wrong-pass.txt")
        with open(wrong_pass, "w") as f:
            f.write("not the password\n")
        key = ["--pkcs12", self.ca.pkcs12, "--pass-file", self.ca.pass_file]
        cases = [
            ("in place", key, unsigned, "will not sign"),
            ("in place through a link", key, link, "will not sign"),
            ("wrong password", ["--pkcs12", self.ca.pkcs12, "--pass-file", wrong_pass], out,
             "signing failed"),
            ("certificate of another CA", key + ["--ca", self.other_ca.ca], out,
             "does not verify"),
            ("no key", ["--ca", self.ca.ca], out, "give either"),
            ("time-stamping server that does not answer",
             key + ["--timestamp", "http://127.0.0.1:9"], out, "signing failed"),
        ]
        for name, options, target, message in cases:
            with self.subTest(case=name):
                done = self.sign(unsigned, target, *options)
                self.assertNotEqual(done.returncode, 0)
                self.assertIn(message, done.stderr)
                self.assertFalse(os.path.exists(out))
                self.assertEqual(digest(unsigned), before)
                self.assertEqual(sorted(f for f in os.listdir(os.path.dirname(out))
                                        if f.startswith(".sign.")), [])


if __name__ == "__main__":
    unittest.main()
