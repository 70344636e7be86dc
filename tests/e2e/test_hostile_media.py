"""The real setup.exe under Wine on media that were damaged or made to hurt it: garbage,
huge and odd settings and message files, odd encodings, a message file that is a folder,
non-ASCII and very long paths, a very long command line, a missing package and one that is
no package.

Every case ends the way the launcher documents: a refusal with exit code 1 (for a file that
cannot be read as sections, one line naming the file and line on the standard output, then the
usage text), a normal start, or the installer's own result passed through. Never a crash (an
exception code such as 0xC0000005 as the exit code) and never a hang: every run has a time
limit. Where the run must be refused, the recording msi.dll shows that no installation was
started.
"""

import os
import random
import re
import unittest

import msi_media
from media import PRODUCT, USAGE, VERSION, Medium, crlf, setup_ini, setup_ini_lines, write

BIG_RUN_TIMEOUT = 240

MALFORMED = re.compile(r"^(?P<path>.+), line (?P<line>\d+): (?P<problem>.+)$")


def garbage(seed, size, exclude=b""):
    rng = random.Random(seed)
    data = bytes(rng.getrandbits(8) for _ in range(size))
    for b in exclude:
        data = data.replace(bytes([b]), b"\xa4")
    return data


class HostileMediaTest(unittest.TestCase):
    def assertNoCrash(self, result):
        self.assertLess(result.code, 0xC0000000, "crashed: 0x%08X" % result.code)

    def assertRefused(self, medium, result, malformed_file=None, unreadable=None):
        """Exit 1 and no installation. With `malformed_file`: the first output line names that
        file (full path) and a line, the usage text follows. With `unreadable` (a file name and
        the reason): the first line names the file and the reason, the usage text follows.
        Otherwise only the usage text."""
        self.assertNoCrash(result)
        self.assertEqual(result.code, 1, result.stdout_text[:300])
        self.assertEqual(medium.stub.calls("MsiInstallProductW"), [])
        out = result.stdout_text.replace("\r\n", "\n")
        if malformed_file:
            first, _, rest = out.partition("\n")
            m = MALFORMED.match(first)
            self.assertTrue(m, first[:300])
            self.assertEqual(m.group("path"), medium.windows + "\\" + malformed_file)
            self.assertEqual(rest, USAGE)
        elif unreadable:
            first, _, rest = out.partition("\n")
            self.assertEqual(first, medium.windows + "\\" + unreadable[0] + ": " + unreadable[1])
            self.assertEqual(rest, USAGE)
        else:
            self.assertEqual(out, USAGE)

    def assertStarted(self, medium, result, package="product.msi"):
        """One installation of the package; its result (0 from the stand-in) is the exit code."""
        self.assertNoCrash(result)
        installs = medium.stub.calls("MsiInstallProductW")
        self.assertEqual(len(installs), 1, result.stdout_text[:300])
        self.assertEqual(installs[0]["path"], medium.windows + "\\" + package)
        self.assertEqual(result.code, 0)
        return installs[0]


class GarbageTest(HostileMediaTest):
    def test_files_that_cannot_be_read_as_sections_refuse_the_start(self):
        good = setup_ini().encode()
        no_bracket = garbage(1, 64 * 1024, exclude=b"[\x00\x1a")
        cases = [
            # name, Setup.ini, 0x0409.ini, the file named as malformed
            ("binary garbage as Setup.ini", no_bracket, None, "Setup.ini"),
            ("garbage with NULs as Setup.ini", garbage(2, 4096), None, "Setup.ini"),
            ("binary garbage as the message file", good, no_bracket, "0x0409.ini"),
            ("UTF-8 mark, then garbage", b"\xef\xbb\xbf" + no_bracket, None, "Setup.ini"),
            ("UTF-16 mark, then garbage", b"\xff\xfe" + garbage(3, 8192, exclude=b"[\x00\x1a"),
             None, "Setup.ini"),
            ("header without ] after good sections", good + b"[Broken\r\nx=1\r\n", None,
             "Setup.ini"),
            ("only a mark and a Ctrl-Z", b"\xef\xbb\xbf\x1a[Startup]\r\n", None, "Setup.ini"),
        ]
        for name, settings, message_file, malformed in cases:
            with self.subTest(name):
                medium = Medium()
                medium.write("Setup.ini", settings)
                if message_file is not None:
                    medium.write("0x0409.ini", message_file)
                for args in ("/S", ""):
                    result = medium.run(args)
                    self.assertRefused(medium, result, malformed_file=malformed)
                    # The same line in an error box, unless silent.
                    self.assertEqual(len(result.boxes), 0 if args else 1, result.boxes)


class EncodingTest(HostileMediaTest):
    def test_odd_encodings(self):
        text = setup_ini(cmdline="MARK=\u0416\u00e9")
        utf16 = b"\xff\xfe" + text.encode("utf-16-le")
        # Invalid UTF-8 in a comment and in the value: replaced, not rejected.
        bad_utf8 = b"\xef\xbb\xbf" + crlf(setup_ini_lines(cmdline="MARK=a\x01b")).encode().replace(
            b"\x01", b"\xc3\x28\xff\xe2\x82") + b"; \xf0\x9f\xff\r\n"
        cases = [
            # name, Setup.ini bytes, expected installer command line, or how it is refused
            ("UTF-16 with an odd last byte", utf16 + b"\x41", " MARK=\u0416\u00e9"),
            ("UTF-16 cut in the middle of a unit", utf16[:-1], " MARK=\u0416\u00e9"),
            ("invalid UTF-8", bad_utf8, re.compile(r"^ MARK=a\ufffd.*b$")),
            ("big-endian mark FE FF", b"\xfe\xff" + text.encode("utf-16-be"), "unreadable"),
            ("UTF-16 without a mark", text.encode("utf-16-le"), "malformed"),
        ]
        for name, data, expected in cases:
            with self.subTest(name):
                medium = Medium()
                medium.write("Setup.ini", data)
                result = medium.run("/S")
                if expected == "unreadable":
                    # A file that cannot be opened is refused, with the reason.
                    self.assertRefused(medium, result, unreadable=(
                        "Setup.ini", "the file begins with the UTF-16 big-endian mark FE FF, "
                        "which the launcher cannot read"))
                elif expected == "malformed":
                    self.assertRefused(medium, result, malformed_file="Setup.ini")
                else:
                    install = self.assertStarted(medium, result)
                    # The odd byte leaves no trace: the last line still ends where it did.
                    cmdline = install["cmdline"].replace("REBOOT=ReallySuppress", "", 1)
                    if isinstance(expected, str):
                        self.assertEqual(cmdline, expected)
                    else:
                        self.assertRegex(cmdline, expected)

    def test_nul_and_ctrl_z_end_the_text(self):
        lines = setup_ini_lines()
        cut = lines.index("[MsiVersion]")
        before, after = crlf(lines[:cut]).encode(), crlf(lines[cut:]).encode()
        good = crlf(lines).encode()
        cases = [
            # The requirement lies behind the end of the text: nothing accepts this Windows.
            ("NUL before the requirement", before + b"\x00" + after, False),
            ("Ctrl-Z before the requirement", before + b"\x1a" + after, False),
            ("UTF-16 NUL before the requirement",
             b"\xff\xfe" + (crlf(lines[:cut]) + "\x00" + crlf(lines[cut:])).encode("utf-16-le"),
             False),
            # What follows the end is never read, even a broken header or garbage.
            ("Ctrl-Z before a broken header", good + b"\x1a[Broken\r\n" + garbage(4, 4096),
             True),
            ("NUL before garbage", good + b"\x00" + garbage(5, 4096), True),
        ]
        for name, data, starts in cases:
            with self.subTest(name):
                medium = Medium()
                medium.write("Setup.ini", data)
                result = medium.run("/S")
                if starts:
                    self.assertStarted(medium, result)
                else:
                    self.assertRefused(medium, result)


class SizeTest(HostileMediaTest):
    def test_a_50_mb_settings_file(self):
        medium = Medium()
        filler = ("; " + "x" * 97 + "\r\n").encode()
        head = setup_ini(cmdline="BIG=1").encode() + b"[Filler]\r\n"
        data = head + filler * ((50 * 1024 * 1024 - len(head)) // len(filler) + 1)
        self.assertGreaterEqual(len(data), 50 * 1024 * 1024)
        medium.write("Setup.ini", data)
        install = self.assertStarted(medium, medium.run("/S", timeout=BIG_RUN_TIMEOUT))
        self.assertEqual(install["cmdline"], " BIG=1")

        # The same size as keys in one section, the package section last.
        lines = setup_ini_lines(cmdline="BIG=2")
        cut = lines.index("[Package]")
        keys = b"".join(b"k%07d=%s\r\n" % (i, b"v" * 88) for i in range(530 * 1024))
        data = (crlf(lines[:cut]).encode() + b"[Filler]\r\n" + keys +
                crlf(lines[cut:]).encode())
        self.assertGreaterEqual(len(data), 50 * 1024 * 1024)
        medium.write("Setup.ini", data)
        install = self.assertStarted(medium, medium.run("/S", timeout=BIG_RUN_TIMEOUT))
        self.assertEqual(install["cmdline"], " BIG=2")

    def test_lines_of_a_megabyte(self):
        value = "V" * (1024 * 1024)
        lines = setup_ini_lines()
        startup = lines.index("[Package]")
        cases = [
            # A value of 1 MB reaches the installer whole.
            ("value", setup_ini(cmdline="LONG=" + value), " LONG=" + value),
            # A comment, a section name and a key of 1 MB are read and passed over.
            ("comment", crlf(lines[:startup] + ["; " + value] + lines[startup:]), " "),
            ("section name", crlf(lines + ["[" + value + "]", "k=v"]), " "),
            ("key", crlf(lines[:startup] + [value + "=1"] + lines[startup:]), " "),
        ]
        for name, text, expected in cases:
            with self.subTest(name):
                medium = Medium()
                medium.write("Setup.ini", text, "utf-8")
                install = self.assertStarted(medium, medium.run("/S", timeout=BIG_RUN_TIMEOUT))
                self.assertEqual(install["cmdline"].replace("REBOOT=ReallySuppress", "", 1),
                                 expected)

    def test_a_32000_character_command_line(self):
        medium = Medium()
        medium.write("Setup.ini", setup_ini(cmdline=""), "utf-8")
        prefix_len = len('"%s\\setup.exe" /S' % medium.windows)
        props = []
        length = prefix_len
        i = 0
        while True:
            prop = 'P%04d="%s"' % (i, "w" * 90)
            if length + 1 + len(prop) > 32000:
                break
            props.append(prop)
            length += 1 + len(prop)
            i += 1
        tail = "Z=" + "z" * (32000 - length - 1 - 2)
        props.append(tail)
        args = "/S " + " ".join(props)
        self.assertEqual(prefix_len - len(" /S") + 1 + len(args), 32000)
        install = self.assertStarted(medium, medium.run(args))
        # Every property, quotes kept, in order.
        self.assertEqual(install["cmdline"].split(), props)


class FileKindTest(HostileMediaTest):
    def test_settings_and_message_files_that_are_folders(self):
        medium = Medium()
        medium.write("Setup.ini", setup_ini(), "utf-8")
        os.makedirs(os.path.join(medium.path, "0x0409.ini"))
        # A message file that cannot be read leaves the messages empty; the start goes on.
        self.assertStarted(medium, medium.run("/S"))

        medium = Medium()
        os.makedirs(os.path.join(medium.path, "Setup.ini"))
        # Setup.ini is found but cannot be read: refused, with the reason.
        self.assertRefused(medium, medium.run("/S"), unreadable=("Setup.ini", "Permission denied"))

    def test_settings_whose_first_read_fails_after_the_open(self):
        # Wine enforces no byte-range lock, so a locked Setup.ini reads as any other. A file
        # of Linux's that opens and then refuses its read does the same to the launcher: the
        # loopback device's speed, which the kernel cannot tell (EINVAL), and Wine answers
        # ERROR_INVALID_PARAMETER from the C runtime's read. The launcher must refuse it with
        # the system's reason, as a file it cannot open, and not take it for an empty one.
        device = "/sys/class/net/lo/speed"
        try:
            with open(device, "rb") as f:
                f.read()
            self.skipTest("%s can be read on this machine" % device)
        except FileNotFoundError:
            self.skipTest("this machine has no %s" % device)
        except OSError:
            pass
        medium = Medium()
        os.symlink(device, os.path.join(medium.path, "Setup.ini"))
        for args, boxes in (("/S", 0), ("", 1)):
            with self.subTest(args=args):
                result = medium.run(args)
                self.assertRefused(medium, result, unreadable=("Setup.ini", "Invalid parameter."))
                self.assertEqual(len(result.boxes), boxes, result.boxes)
                for box in result.boxes:
                    self.assertEqual((box.caption, box.style), ("Error", 0x10))
                    self.assertEqual(box.text, medium.windows + "\\Setup.ini: Invalid parameter.")


class PathTest(HostileMediaTest):
    def test_non_ascii_folder_and_package_with_the_real_installer(self):
        folder = "\u041c\u0435\u0434\u0438\u0430 \u00f1 \u5b89\u88c5"
        package_name = "\u043f\u0430\u043a\u0435\u0442 \u00e9.msi"
        medium = Medium(stub=False, folder=folder)
        # Built under an ASCII name and then renamed: wixl itself fails on such paths.
        package = msi_media.build_package(medium.prefix.drive_c("pkgbuild"), "product",
                                          PRODUCT, VERSION)
        os.rename(package.path, os.path.join(medium.path, package_name))
        medium.write("Setup.ini", setup_ini(location=package_name))
        result = medium.run("/S")
        self.assertNoCrash(result)
        self.assertEqual(result.code, 0, result.stdout_text[:300])
        recorded = msi_media.read_recorded(medium.prefix, "HKLM\\Software\\" +
                                           package.registry_key)
        self.assertEqual(recorded.get("LANGMARK"), "en")

    def test_package_paths_longer_than_260_characters(self):
        # Wine cannot start a program whose own path is longer than MAX_PATH (CreateProcessW
        # answers "path not found", plain or with \\?\), so the launcher stays at a short
        # path and its package lies deep below it. The path reaches the installer whole, as a
        # relative Location, an absolute one and one in the \\?\ form. (Wine's own msi.dll
        # overruns a buffer on such a path in MsiOpenDatabaseW, so only the stand-in is asked.)
        parts = ["deep%02d_%s" % (i, "d" * 40) for i in range(6)]
        name = "p" * 40 + ".msi"
        medium = Medium()
        write(os.path.join(medium.path, *parts, name), b"stands in for the package")
        relative = "\\".join(parts + [name])
        full = medium.windows + "\\" + relative
        self.assertGreater(len(full), 260)
        for location in (relative, full, "\\\\?\\" + full):
            with self.subTest(location=location[:8]):
                medium.write("Setup.ini", setup_ini(location=location), "utf-8")
                result = medium.run("/S")
                self.assertNoCrash(result)
                self.assertEqual(result.code, 0)
                installs = medium.stub.calls("MsiInstallProductW")
                self.assertEqual([i["path"] for i in installs],
                                 [location if location.startswith("\\\\") else full])


class PackageTest(HostileMediaTest):
    def test_missing_package_and_a_text_file_as_package(self):
        # The real installer's result is passed through as the exit code; a silent run
        # shows no box, an interactive one shows the installer's error.
        cases = [("missing", None), ("text file", b"this is not a package\r\n" * 40)]
        for name, content in cases:
            with self.subTest(name):
                medium = Medium(stub=False, package=None)
                medium.write("Setup.ini", setup_ini(), "utf-8")
                if content is not None:
                    medium.write("product.msi", content)
                silent = medium.run("/S")
                self.assertNoCrash(silent)
                self.assertNotIn(silent.code, (0, 1), silent.stdout_text[:300])
                self.assertEqual(silent.boxes, [])
                interactive = medium.run("")
                self.assertEqual(interactive.code, silent.code)
                self.assertEqual([b.caption for b in interactive.boxes], ["Error"])


if __name__ == "__main__":
    unittest.main()
