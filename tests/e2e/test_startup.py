"""The real setup.exe under Wine from its start up to the installer call: the usage output,
the command line as the launcher reads it, the Windows requirement (and the manifest that lets
Windows tell the true version), the language of the messages, and broken settings files.

The recording msi.dll stands in for the Windows Installer, so nothing is installed and every
test can see whether the installer was reached at all. A refused start must end with 1 before
the launcher even loads the installer library.

Prefixes are shared: one per Windows version and locale, made on first use and kept for the
whole module. Each test works in a medium folder of its own.
"""

import os
import shutil
import unittest

import wine
from media import EN, PRODUCT, RU, USAGE, Medium, setup_ini, shared_prefix

MB_ICONINFORMATION = 0x40
MB_ICONERROR = 0x10

TOO_OLD_EN = "This product needs a newer version of Windows."
TOO_OLD_RU = "Для установки нужна более новая версия Windows."
TOO_OLD_RU_SHARED = "Эта версия Windows не подходит (из общего файла)."

# Windows 10 RTM; what a win10 prefix must pass.
WIN10_RTM = {"MajorVer": 10, "MinorVer": 0, "BuildNo": 10240}
NEVER = {"MajorVer": 99, "MinorVer": 0, "BuildNo": 0}


def lf(data):
    return data.decode("utf-8").replace("\r\n", "\n")


class StartupTest(unittest.TestCase):
    def assertRefused(self, medium, result, stdout=USAGE, boxes=()):
        """Exit 1, the given standard output, exactly these boxes (text, caption, style), and
        not a single call into the installer library."""
        self.assertEqual(result.code, 1)
        self.assertEqual(lf(result.stdout), stdout)
        self.assertEqual([(b.text, b.caption, b.style) for b in result.boxes], list(boxes))
        self.assertEqual(medium.stub.calls(), [])

    def assertInstalled(self, medium, result):
        """The requirement passed: one installation call, and its result is the exit code."""
        self.assertEqual(result.boxes, [])
        self.assertEqual(result.stdout, b"")
        installs = medium.stub.calls("MsiInstallProductW")
        self.assertEqual(len(installs), 1, medium.stub.calls())
        self.assertEqual(installs[0]["path"], medium.windows + "\\product.msi")
        self.assertEqual(result.code, installs[0]["result"])

    def too_old_box(self, text):
        return (text, "", MB_ICONINFORMATION)


class UsageTest(StartupTest):
    def test_without_settings_file_only_the_usage_text_is_written(self):
        medium = Medium()
        # Options change nothing: without Setup.ini nothing is read or shown.
        for args in ["", "/S", "/?", "/l ru /x PROP=1"]:
            with self.subTest(args=args):
                self.assertRefused(medium, medium.run(args))

    def test_question_mark_shows_the_usage_box(self):
        medium = Medium()
        medium.write("Setup.ini", setup_ini(WIN10_RTM))
        medium.write("0x0409.ini", "[0x0409]\r\n1150=%s\r\n" % TOO_OLD_EN)
        # The box is asked for, so a silent run shows it as well.
        for args in ["/?", "-?", "/S /?", "/? /S"]:
            with self.subTest(args=args):
                self.assertRefused(medium, medium.run(args),
                                   boxes=[(USAGE, "", MB_ICONINFORMATION)])

        # Four localized lines from the message file come above the usage text in the box;
        # the standard output keeps the plain usage text.
        lines = ["Установка продукта.", "Запуск: setup.exe [ключи]", "", "Ключи:"]
        medium.write("0x0409.ini", "[0x0409]\r\n" + "".join(
            "%d=%s\r\n" % (1203 + i, line) for i, line in enumerate(lines)))
        result = medium.run("/?")
        self.assertEqual((result.code, lf(result.stdout), medium.stub.calls()), (1, USAGE, []))
        self.assertEqual(len(result.boxes), 1, result.boxes)
        box = result.boxes[0]
        self.assertEqual((box.caption, box.style), ("", MB_ICONINFORMATION))
        expected = "\n".join(lines) + "\n\n" + USAGE
        # Too long for the trace, which cuts it: compared as far as it goes.
        self.assertTrue(box.cut, box.text)
        self.assertGreater(len(box.text), 100)
        self.assertEqual(box.text[:-3], expected[:len(box.text) - 3])


class CommandLineTest(unittest.TestCase):
    """cmdline_probe.exe reads its real command line with the launcher's own tokenizer and
    parser, so these lines are what setup.exe itself makes of such a start."""

    @classmethod
    def setUpClass(cls):
        cls.prefix, _stub = shared_prefix()
        os.makedirs(cls.prefix.drive_c("probe"), exist_ok=True)
        cls.exe = cls.prefix.drive_c("probe", "cmdline_probe.exe")
        shutil.copyfile(wine.build_file("cmdline_probe.exe"), cls.exe)

    def probe(self, line):
        exe = self.exe
        result = self.prefix.run(exe, line, timeout=60, trace_boxes=False)
        self.assertEqual(result.code, 0, line)
        # The probe ends with "diagnostic " and the parser's line, which is empty unless the
        # parse failed.
        return [l for l in lf(result.stdout).split("\n") if l and l != "diagnostic "]

    def test_tokens_and_options_of_the_real_command_line(self):
        probe = '"C:\\probe\\cmdline_probe.exe"'
        cases = [
            # (arguments after the program, expected lines after the program's own token)
            ("", ["result 0"]),
            ("/l ru /S", ["token /l", "token ru", "token /S", "result 0",
                          "set l", "value l ru", "set S", "value S "]),
            ("/lru", ["token /lru", "result 0", "set l", "value l ru"]),
            ("/l:ru", ["token /l:ru", "result 0", "set l", "value l ru"]),
            ("/L RU", ["token /L", "token RU", "result 0", "set l", "value l RU"]),
            # Blanks and tabs both separate; runs of them make no empty tokens.
            ("  /S\t\t-x   ", ["token /S", "token -x", "result 0",
                                "set S", "value S ", "set x", "value x "]),
            # Quotes group words and stay in the token, a tab inside them included.
            ('INSTALLDIR="C:\\My Apps" /S',
             ['token INSTALLDIR="C:\\My Apps"', "token /S", "result 0", "set S", "value S ",
              'param INSTALLDIR="C:\\My Apps"']),
            ('A="x\ty"', ['token A="x\ty"', "result 0", 'param A="x\ty"']),
            ('/debuglog "C:\\log dir\\setup.log"',
             ['token /debuglog', 'token "C:\\log dir\\setup.log"', "result 0",
              "set debuglog", 'value debuglog "C:\\log dir\\setup.log"']),
            # A backslash keeps the quote right after it from closing the group: everything up
            # to the end of the line is then one token. Two backslashes do not.
            ('A="C:\\x\\" B=1', ['token A="C:\\x\\" B=1', "result 0",
                                 'param A="C:\\x\\" B=1']),
            ('A="C:\\x\\\\" B=1', ['token A="C:\\x\\\\"', "token B=1", "result 0",
                                   'param A="C:\\x\\\\"', "param B=1"]),
            ('A=\\"1 B=2', ['token A=\\"1', "token B=2", "result 0",
                            'param A=\\"1', "param B=2"]),
            ('"unclosed group /S', ['token "unclosed group /S', "result 0",
                                    'param "unclosed group /S']),
            # After "--" everything is positional, and a second "--" is dropped.
            ("/S -- /x -- -y", ["token /S", "token --", "token /x", "token --", "token -y",
                                "result 0", "set S", "value S ", "param /x", "param -y"]),
            # An unknown option stops the parse; what came before it still counts.
            ("/S /bogus /x P=1", ["token /S", "token /bogus", "token /x", "token P=1",
                                  "result 1", "set S", "value S ",
                                  "diagnostic Unknown option bogus"]),
            ("/silent", ["token /silent", "result 1",
                         'diagnostic Unexpected characters following option "s"']),
            ("/? /S", ["token /?", "token /S", "result -1", "set ?", "value ? "]),
            ("ПАПКА=\"C:\\Мои программы\" /l:uk",
             ['token ПАПКА="C:\\Мои программы"', "token /l:uk", "result 0",
              "set l", "value l uk", 'param ПАПКА="C:\\Мои программы"']),
        ]
        for args, expected in cases:
            line = probe + (" " + args if args else "")
            with self.subTest(line=line):
                self.assertEqual(self.probe(line), ["token " + probe] + expected)


class WindowsRequirementTest(StartupTest):
    MESSAGES = "[0x0409]\r\n1150=%s\r\n" % TOO_OLD_EN

    def check(self, windows_version, cases):
        medium = Medium(windows_version)
        medium.write("0x0409.ini", self.MESSAGES)
        for entries, accepted in cases:
            with self.subTest(windows=windows_version, entries=entries):
                medium.write("Setup.ini", setup_ini(*entries))
                result = medium.run()
                if accepted:
                    self.assertInstalled(medium, result)
                else:
                    self.assertRefused(medium, result, boxes=[self.too_old_box(TOO_OLD_EN)])
        return medium

    def test_windows_10(self):
        self.check("win10", [
            ([WIN10_RTM], True),
            ([{"MajorVer": 10, "MinorVer": 0, "BuildNo": 99999}], False),
            ([{"MajorVer": 10, "MinorVer": 1, "BuildNo": 0}], False),
            ([{"MajorVer": 6, "MinorVer": 3, "BuildNo": 9600}], True),
            ([{"MajorVer": 5, "MinorVer": 1, "BuildNo": 2600, "ServicePack": 768}], True),
            # The first entry that is met is enough.
            ([NEVER, WIN10_RTM], True),
            # A missing or non-numeric part can never be met.
            ([{"MajorVer": 10, "MinorVer": 0}], False),
            ([{"MajorVer": "ten", "MinorVer": 0, "BuildNo": 0}], False),
        ])

    def test_windows_7(self):
        self.check("win7", [
            ([{"MajorVer": 6, "MinorVer": 1, "BuildNo": 7600}], True),
            ([{"MajorVer": 6, "MinorVer": 1, "BuildNo": 7601, "ServicePack": 256}], True),
            ([{"MajorVer": 6, "MinorVer": 1, "BuildNo": 7601, "ServicePack": 512}], False),
            ([{"MajorVer": 6, "MinorVer": 2, "BuildNo": 9200}], False),
            ([WIN10_RTM], False),
        ])

    def test_windows_xp(self):
        medium = self.check("winxp", [
            ([WIN10_RTM], False),
            ([{"MajorVer": 6, "MinorVer": 0, "BuildNo": 6000}], False),
            ([{"MajorVer": 5, "MinorVer": 1, "BuildNo": 2600}], True),
        ])
        medium.write("Setup.ini", setup_ini(WIN10_RTM))
        with self.subTest("silent"):
            self.assertRefused(medium, medium.run("/S"))
        with self.subTest("usage asked for on a Windows that is too old"):
            self.assertRefused(medium, medium.run("/?"),
                               boxes=[(USAGE, "", MB_ICONINFORMATION)])

    def test_list_of_accepted_versions(self):
        medium = Medium()
        medium.write("0x0409.ini", self.MESSAGES)
        refused = [self.too_old_box(TOO_OLD_EN)]
        base = setup_ini(WIN10_RTM)
        cases = [
            # Only the value 1 accepts a version.
            ("value other than 1", base.replace("OS0=1", "OS0=yes")),
            ("no MsiVersion section", base.replace("[MsiVersion]", "[Other]")),
            ("empty list", base.replace("OS0=1", "")),
        ]
        for name, text in cases:
            with self.subTest(name):
                medium.write("Setup.ini", text)
                self.assertRefused(medium, medium.run(), boxes=refused)

    def test_manifest_lets_windows_report_its_true_version(self):
        real = Medium("win10")
        # The same program, its 8.1 and 10 supportedOS entries made unrecognisable.
        with open(real.exe, "rb") as f:
            image = f.read()
        for guid in [b"1f676c76-80e1-4239-95bb-83d0f6d0da78",
                     b"8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"]:
            self.assertEqual(image.count(guid), 1, guid)
            image = image.replace(guid, b"00000000-0000-0000-0000-000000000000")
        blind_exe = os.path.join(real.prefix.root, "setup-without-10.exe")
        with open(blind_exe, "wb") as f:
            f.write(image)
        blind = Medium("win10", exe=blind_exe)
        for medium in (real, blind):
            medium.write("0x0409.ini", self.MESSAGES)
            medium.write("Setup.ini", setup_ini(WIN10_RTM))
        self.assertInstalled(real, real.run())
        # Told 6.2.9200 now, as Windows 8.1 and 10 tell a program without the entries.
        self.assertRefused(blind, blind.run(), boxes=[self.too_old_box(TOO_OLD_EN)])
        blind.write("Setup.ini", setup_ini({"MajorVer": 6, "MinorVer": 2, "BuildNo": 9200}))
        self.assertInstalled(blind, blind.run())
        blind.write("Setup.ini", setup_ini({"MajorVer": 6, "MinorVer": 3, "BuildNo": 9600}))
        self.assertRefused(blind, blind.run(), boxes=[self.too_old_box(TOO_OLD_EN)])


class LanguageTest(StartupTest):
    """The message of a refused start comes from the language file of the user's language,
    or of /l; Setup.ini asks for Windows 99 so that every run ends with it."""

    def medium(self, locale):
        medium = Medium(locale=locale)
        medium.write("Setup.ini", setup_ini(NEVER))
        return medium

    def test_language_of_the_user_and_of_the_option(self):
        files = {
            "0x0409.ini": ("[0x0409]\r\n1150=%s\r\n" % TOO_OLD_EN, "utf-8-sig"),
            "0x0419.ini": ("; Русский\r\n[0x0419]\r\n1150=%s\r\n" % TOO_OLD_RU, "utf-16"),
        }
        cases = [
            (EN, "", TOO_OLD_EN),
            (RU, "", TOO_OLD_RU),
            (EN, "/l ru", TOO_OLD_RU),
            (EN, "/l:RU", TOO_OLD_RU),
            (RU, "/l en", TOO_OLD_EN),
            # No file and no section for Ukrainian: the box comes, with an empty text.
            (EN, "/l uk", ""),
        ]
        media = {}
        for locale, args, text in cases:
            with self.subTest(locale=locale, args=args):
                if locale not in media:
                    media[locale] = self.medium(locale)
                    for name, (content, encoding) in files.items():
                        media[locale].write(name, content, encoding)
                medium = media[locale]
                self.assertRefused(medium, medium.run(args), boxes=[self.too_old_box(text)])

    def test_one_english_file_holding_every_language(self):
        medium = self.medium(EN)
        medium.write("0x0409.ini",
                     "[0x0409]\n1150=%s\n[0x0419]\n1150=%s\n" % (TOO_OLD_EN, TOO_OLD_RU_SHARED))
        for args, text in [("/l ru", TOO_OLD_RU_SHARED), ("", TOO_OLD_EN)]:
            with self.subTest(args=args):
                self.assertRefused(medium, medium.run(args), boxes=[self.too_old_box(text)])

    def test_russian_user_without_russian_file_reads_its_section_in_the_english_one(self):
        medium = self.medium(RU)
        medium.write("0x0409.ini",
                     "[0x0409]\r\n1150=%s\r\n[0x0419]\r\n1150=%s\r\n"
                     % (TOO_OLD_EN, TOO_OLD_RU_SHARED), "utf-16")
        self.assertRefused(medium, medium.run(), boxes=[self.too_old_box(TOO_OLD_RU_SHARED)])
        # The stand-in answers in this prefix too, so the empty logs above mean something.
        medium.write("Setup.ini", setup_ini(WIN10_RTM))
        self.assertInstalled(medium, medium.run())


class MalformedFileTest(StartupTest):
    """A settings or message file that cannot be split into sections stops the start: one
    line naming the file, the line and the problem, then the usage text; the same line in an
    "Error" box unless the run is silent."""

    NO_CLOSING = 'the section header has no closing "]"'
    NO_HEADER = 'no section header (a line beginning with "[") in the file'

    def check(self, medium, name, line, problem):
        described = "%s\\%s, line %d: %s" % (medium.windows, name, line, problem)
        for args, boxes in [("", [(described, "Error", MB_ICONERROR)]), ("/S", [])]:
            with self.subTest(file=name, args=args):
                self.assertRefused(medium, medium.run(args), stdout=described + "\n" + USAGE,
                                   boxes=boxes)

    def test_settings_file_without_closing_bracket_or_without_header(self):
        medium = Medium()
        medium.write("0x0409.ini", "[0x0409]\r\n1150=%s\r\n" % TOO_OLD_EN)
        medium.write("Setup.ini", "[Startup]\r\nProductCode=%s\r\n; packages\r\n[Package\r\n"
                     "Location=product.msi\r\n" % PRODUCT)
        self.check(medium, "Setup.ini", 4, self.NO_CLOSING)
        medium.write("Setup.ini", "ProductCode=%s\r\nPackageName=Package\r\n" % PRODUCT,
                     "ascii")
        self.check(medium, "Setup.ini", 2, self.NO_HEADER)

    def test_message_file_without_header(self):
        medium = Medium()
        medium.write("Setup.ini", setup_ini(NEVER))
        medium.write("0x0409.ini", "; messages\r\n1150=%s\r\n" % TOO_OLD_EN, "utf-16")
        self.check(medium, "0x0409.ini", 2, self.NO_HEADER)

    def test_line_with_a_cyrillic_folder_arrives_whole(self):
        medium = Medium(folder="Установка")
        medium.write("Setup.ini", "[Startup]\r\n[Пакет\r\nLocation=product.msi\r\n")
        self.check(medium, "Setup.ini", 2, self.NO_CLOSING)


if __name__ == "__main__":
    unittest.main()
