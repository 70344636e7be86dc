"""setup-check on the mistakes a publisher makes on a medium or in the launcher's command line,
each on a medium of its own, checked with `setup-check --json`: the warning's id, where it
points and its message, and what the launcher then does.
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
import pe_image  # noqa: E402

CHECK = os.environ.get("SETUP_CHECK_EXE") or os.path.join(
    HERE, "..", "..", "build", "native", "tools", "setup_check", "setup-check")
PRODUCT_VERSION = 1638  # ERROR_PRODUCT_VERSION
ERROR_1638 = ("Another version of this product is already installed. Installation of this "
              "version cannot continue. To configure or remove the existing version of this "
              "product, use Add/Remove Programs on the Control Panel.")
WINDOWS_10 = ("W10", {"MajorVer": 10, "MinorVer": 0, "BuildNo": 19045})
OPTIONS = "the launcher's options are /l, /S, /a, /x, /instance, /debuglog, /?"
# Russian text, and its bytes as Windows-1252 shows them.
RUSSIAN = "Для Vorta нужна Windows 10"
RUSSIAN_AS_1252 = RUSSIAN.encode("cp1251").decode("cp1252")


class MediumMistakes(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="medium-mistakes-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.settings()
        for language, text in (("0x0409", "Vorta needs Windows 7 or later."),
                               ("0x0419", "Windows is too old (ru)"),
                               ("0x0422", "Windows is too old (uk)")):
            self.write(language + ".ini", media.crlf(["[%s]" % language, "1150=" + text]))
        media.write_package(self.folder, transforms=("1049.mst", "1058.mst"))
        pe_image.write_launcher(os.path.join(self.folder, "setup.exe"))

    def write(self, name, data, encoding="utf-8"):
        media.write(os.path.join(self.folder, name), data, encoding)

    def settings(self, *windows, lines=None, **settings):
        """Setup.ini of the media's product; `lines` replaces whole lines by their start."""
        text = media.setup_ini_lines(*windows, **settings)
        for start, line in (lines or {}).items():
            text = [line if t.startswith(start) else t for t in text]
        self.write("Setup.ini", media.crlf(text))

    def check(self, *options, cmdline=None):
        command = [CHECK, "--json", *options]
        if cmdline is not None:
            command += ["--cmdline", cmdline]
        proc = subprocess.run(command + [self.folder], stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=60)
        self.assertIn(proc.returncode, (0, 1, 3), proc.stderr.decode())
        report = json.loads(proc.stdout)
        self.assertEqual(proc.returncode, report["status"])
        # The one machine's run, with the medium's warnings and the machine's together.
        run = report["runs"][0]
        run["warnings"] = report["warnings"] + run["warnings"]
        return run

    def warned(self, report, warning_id):
        """(file, line, message) of each warning with that id."""
        return [(w["file"], w["line"], w["message"]) for w in report["warnings"]
                if w["id"] == warning_id]

    def ids(self, report):
        return sorted(w["id"] for w in report["warnings"])

    def test_values_cut_at_a_semicolon_or_hash(self):
        # The launcher's reader takes ";" and "#" as the start of a comment: what follows is
        # dropped without a word. Where it looks like data, the publisher is told.
        cases = [
            ("two transforms and a property", "Setup.ini",
             {"CmdLine=": "CmdLine=TRANSFORMS=corp.mst;site.mst REBOOT=ReallySuppress"},
             ("Setup.ini", 5, 'CmdLine in [Startup] is cut at ";", which starts a comment: the '
              'launcher keeps "TRANSFORMS=corp.mst" and drops ";site.mst REBOOT=ReallySuppress"'),
             "TRANSFORMS=1049.mst TRANSFORMS=corp.mst"),
            ("a URL with a fragment", "Setup.ini",
             {"CmdLine=": "CmdLine=SUPPORTURL=https://x/#support"},
             ("Setup.ini", 5, 'CmdLine in [Startup] is cut at "#", which starts a comment: the '
              'launcher keeps "SUPPORTURL=https://x/" and drops "#support"'),
             "TRANSFORMS=1049.mst SUPPORTURL=https://x/"),
            ("a comment after a blank", "Setup.ini",
             {"Location=": "Location=product.msi ; the package"}, None,
             "TRANSFORMS=1049.mst REBOOT=ReallySuppress"),
            ("a message", "0x0419.ini", "[0x0419]\r\n1150=Windows 7 or later;see http://x\r\n",
             ("0x0419.ini", 2, '1150 in [0x0419] is cut at ";", which starts a comment: the '
              'launcher keeps "Windows 7 or later" and drops ";see http://x"'),
             None),
            ("a message with a comment", "0x0419.ini", "[0x0419]\r\n1150=Windows 7 # note\r\n",
             None, None),
        ]
        for name, file, change, warning, command_line in cases:
            with self.subTest(name):
                self.setUp()
                if file == "Setup.ini":
                    self.settings(lines=change)
                else:
                    self.write(file, change)
                report = self.check("--profile", "win7-sp1-ru")
                self.assertEqual(self.warned(report, "value-cut-by-comment"),
                                 [warning] if warning else [])
                if command_line:
                    self.assertEqual(report["installer"]["command_line"], command_line)

    def test_properties_the_launcher_sets_itself(self):
        cases = [
            ("TRANSFORMS", "in every run that finds a language transform beside it or an "
             "installed instance"),
            ("COUNTRY", "in a run without /l whose machine the Ukraine rule points to Ukraine"),
            ("ACTION", "with /a, an administrative installation (ACTION=ADMIN)"),
            ("REMOVE", "with /x, a removal (REMOVE=ALL)"),
            ("SETUPEXEDIR", "with /a, an administrative installation"),
            ("SETUPEXENAME", "with /a, an administrative installation"),
        ]
        for name, when in cases:
            with self.subTest(name):
                self.settings(cmdline="%s=x REBOOT=ReallySuppress" % name)
                report = self.check()
                self.assertEqual(self.warned(report, "property-set-by-launcher"), [(
                    "Setup.ini", 5,
                    "CmdLine sets %s, which the launcher sets itself %s: CmdLine reaches the "
                    "installer in every run, so in those runs %s stands twice on the installer's "
                    "command line, and in all others CmdLine's %s=x takes effect"
                    % (name, when, name, name))])
        self.settings(cmdline="REBOOT=ReallySuppress INSTALLDIR=\"C:\\Vorta\"")
        self.assertEqual(self.warned(self.check(), "property-set-by-launcher"), [])

    def test_a_service_pack_below_256(self):
        # ServicePack is major*256+minor: 3 asks for SP0.3, which Windows XP SP2 passes.
        xp = ("XPSP3", {"MajorVer": 5, "MinorVer": 1, "BuildNo": 2600, "ServicePack": 3})
        self.settings(xp)
        report = self.check("--profile", "winxp-sp3-en", "--set", "service_pack=2")
        self.assertEqual(self.warned(report, "service-pack-unscaled"), [(
            "Setup.ini", 20,
            "ServicePack=3 in [XPSP3] asks for service pack 0.3 (the value is major*256+minor), "
            "which every service pack from SP1 on meets: for SP3 write ServicePack=768")])
        self.assertTrue(report["started"])
        for meant in (media.XP_SP3, dict(media.XP_SP3, ServicePack=256)):
            self.settings(("XPSP3", meant))
            self.assertEqual(self.warned(self.check(), "service-pack-unscaled"), [])

    def test_utf16_without_a_byte_order_mark(self):
        # Read as ANSI text, which ends at the first zero byte: the reader then finds no "]" or
        # no section at all, but the cause to name is the missing mark, and only that.
        settings = media.setup_ini()
        messages = "[0x0419]\r\n1150=%s\r\n" % RUSSIAN
        fix = "save it as UTF-16 little-endian with the mark FF FE"
        cases = [
            ("Setup.ini", settings, "utf-16-le",
             'Setup.ini is UTF-16 little-endian without a byte-order mark: the launcher reads a '
             'file without a mark as ANSI text, which ends at its first zero byte, so it reads '
             'only "[" and refuses to start; %s, or as UTF-8 with the mark EF BB BF' % fix),
            ("Setup.ini", settings, "utf-16-be",
             "Setup.ini is UTF-16 big-endian without a byte-order mark: the launcher reads a "
             "file without a mark as ANSI text, which ends at its first zero byte, so it reads "
             "nothing of it and refuses to start; %s (the launcher reads no big-endian text), "
             "or as UTF-8 with the mark EF BB BF" % fix),
            ("0x0419.ini", messages, "utf-16-le",
             '0x0419.ini is UTF-16 little-endian without a byte-order mark: the launcher reads '
             'a file without a mark as ANSI text, which ends at its first zero byte, so it reads '
             'only "[" and refuses to start in this language; %s, or as UTF-8 with the mark '
             'EF BB BF' % fix),
        ]
        for file, text, encoding, message in cases:
            with self.subTest(file=file, encoding=encoding):
                self.setUp()
                self.write(file, text.encode(encoding))
                report = self.check("--profile", "win7-sp1-ru")
                self.assertEqual([(w["id"], w["file"], w["message"])
                                  for w in report["warnings"]],
                                 [("utf16-without-mark", file, message)])
                self.assertFalse(report["started"])

    def test_text_beyond_ascii_is_read_in_the_machines_code_page(self):
        # Russian Windows reads a file without a mark in Windows-1251, English Windows in
        # Windows-1252: the box refusing the old Windows shows Cyrillic on the one only.
        self.settings(WINDOWS_10)
        self.write("0x0419.ini", "[0x0419]\r\n1150=%s\r\n" % RUSSIAN, encoding="cp1251")
        reports = json.loads(subprocess.run(
            [CHECK, "--json", "--matrix", "win7-sp1-ru,win10-en", "--cmdline", "/l ru",
             self.folder], stdout=subprocess.PIPE, timeout=60).stdout)["runs"]
        for report, code_page, reads in ((reports[0], 1251, RUSSIAN),
                                         (reports[1], 1252, RUSSIAN_AS_1252)):
            with self.subTest(code_page=code_page):
                self.assertEqual(self.warned(report, "ansi-text"), [(
                    "0x0419.ini", 2,
                    "0x0419.ini holds text beyond ASCII and no byte-order mark: the launcher "
                    "reads it in this machine's ANSI code page, %d, where line 2 reads "
                    "\"1150=%s\"; a machine of another code page reads it otherwise (UTF-8 with "
                    "the mark EF BB BF reads alike everywhere)" % (code_page, reads))])
        self.assertEqual([b["text"] for b in reports[0]["boxes"]], [RUSSIAN])
        # The profile may set the code page.
        report = self.check("--profile", "win7-sp1-ru", "--set", "ansi_code_page=1252")
        self.assertEqual([b["text"] for b in report["boxes"]], [RUSSIAN_AS_1252])

        # UTF-8 without its mark is read as ANSI text too; with the mark, alike everywhere.
        self.write("0x0419.ini", "[0x0419]\r\n1150=%s\r\n" % RUSSIAN)
        report = self.check("--profile", "win7-sp1-ru")
        self.assertTrue(self.warned(report, "ansi-text")[0][2].endswith(
            "; the file is UTF-8: with the mark EF BB BF in front the launcher reads it as "
            "UTF-8 on every machine"))
        self.write("0x0419.ini", "[0x0419]\r\n1150=%s\r\n" % RUSSIAN, encoding="utf-8-sig")
        report = self.check("--profile", "win7-sp1-ru")
        self.assertEqual(self.warned(report, "ansi-text"), [])
        self.assertEqual([b["text"] for b in report["boxes"]], [RUSSIAN])

    def test_an_option_the_launcher_cannot_read(self):
        # The first option the launcher cannot read ends its reading: that option and all after
        # it are ignored, so none of these runs is silent, and the last one installs.
        full = "The run is installation, UI level 5 (full); " + OPTIONS
        cases = [
            ("/q /S", "/q (Unknown option q)", "never seen after it: /S; so the run has none "
             "of: a silent run (UI level 2). " + full),
            ("/silent", '/silent (Unexpected characters following option "s")',
             "the options before it count. " + full),
            ("/quiet", "/quiet (Unknown option quiet)", "the options before it count. " + full),
            ("/qn", "/qn (Unknown option qn)", "the options before it count. " + full),
            ("/l ru /q /x", "/q (Unknown option q)",
             "never seen after it: /x; so the run has none of: a removal. " + full),
            ("/S /q REBOOT=Force", "/q (Unknown option q)",
             "never seen after it: REBOOT=Force; so the run has none of: the property "
             "REBOOT=Force. The run is installation, UI level 2 (none: /S); " + OPTIONS),
        ]
        for arguments, stopped, rest in cases:
            with self.subTest(arguments):
                report = self.check(cmdline=arguments)
                self.assertEqual(self.warned(report, "option-stops-reading"), [(
                    "setup.exe", 0, "the launcher stops reading its command line at %s and "
                    "ignores it and everything after it: %s" % (stopped, rest))])
                self.assertEqual(report["installer"]["ui_level"],
                                 2 if arguments.startswith("/S") else 5)
                self.assertEqual(report["decisions"]["mode"], "installation")
        for arguments in ("/S", "/l ru /x", "-- /q"):
            with self.subTest(arguments):
                self.assertEqual(self.warned(self.check(cmdline=arguments),
                                             "option-stops-reading"), [])

    def test_an_unknown_language_code(self):
        # /l ua keeps the Ukrainian user's language, but as any /l turns the Ukraine rule off:
        # COUNTRY=UA is not handed over.
        report = self.check("--profile", "win10-uk", cmdline="/l ua")
        self.assertEqual(self.warned(report, "language-code-unknown"), [(
            "setup.exe", 0,
            "/l ua names no language the launcher knows: the language stays as it was, and the "
            "Ukraine rule is off as with any /l; the codes it knows are ru, uk, en, lv, lt, ro, "
            "bg, de, ka, kk, vi, pl, tr, az, hu, zh, fr")])
        self.assertEqual(report["installer"]["command_line"],
                         "TRANSFORMS=1058.mst REBOOT=ReallySuppress")
        report = self.check("--profile", "win10-uk", cmdline="/l uk")
        self.assertEqual(self.warned(report, "language-code-unknown"), [])

    def test_another_version_installed_under_the_same_product_code(self):
        # The Windows Installer refuses a package of another version of its installed product
        # (ERROR_PRODUCT_VERSION), an installation and a removal alike, unless the command line
        # reinstalls the product from this package; an administrative installation is not
        # refused.
        older = "installed.%s=2.4.0" % media.PRODUCT
        refused = {
            "": "installation with 1638 (\"%s\") unless the command line reinstalls the product "
                "from this package (REINSTALL=ALL REINSTALLMODE=vomus: a minor upgrade); a new "
                "version needs a new ProductCode (a major upgrade)" % ERROR_1638,
            "/x": "removal with 1638 (\"%s\"), and 2.4.0 stays installed; remove it with the "
                  "package it was installed from, or by its ProductCode (msiexec /x %s)"
                  % (ERROR_1638, media.PRODUCT),
        }
        cases = [
            ("", older, PRODUCT_VERSION),
            ("REINSTALL=ALL REINSTALLMODE=vomus", older, 0),
            ("REINSTALL=ALL", older, PRODUCT_VERSION),
            # Without "v" the installer runs from the cached package, not from this one.
            ("REINSTALL=ALL REINSTALLMODE=omus", older, PRODUCT_VERSION),
            ("/x", older, PRODUCT_VERSION),
            ("/a", older, 0),
            ("", "installed.%s=%s" % (media.PRODUCT, media.VERSION), 0),
            ("", "installed.%s=2.4.0" % media.INSTANCE, 0),
            # Every field of the version counts, and so does the package code where it is known.
            ("", "installed.%s=%s.3" % (media.PRODUCT, media.VERSION), PRODUCT_VERSION),
            ("", "installed.%s=%s,{5D0C7A33-0000-4000-8000-0000000000FF}"
             % (media.PRODUCT, media.VERSION), PRODUCT_VERSION),
        ]
        for arguments, installed, exit_code in cases:
            with self.subTest(arguments=arguments, installed=installed):
                report = self.check("--set", installed, cmdline=arguments)
                self.assertEqual(report["exit_code"], exit_code)
                warned = self.warned(report, "other-version-installed")
                if exit_code == 0:
                    self.assertEqual(warned, [])
                    continue
                if not installed.endswith("=2.4.0"):
                    self.assertEqual(len(warned), 1)
                    continue
                self.assertEqual(warned, [(None, 0, (
                    "the product %s is installed in version 2.4.0, and this package %s version %s "
                    "under the same ProductCode: the Windows Installer refuses the %s")
                    % (media.PRODUCT, "is" if arguments == "/x" else "installs", media.VERSION,
                       refused.get(arguments, refused[""])))])
                self.assertEqual([b["text"] for b in report["boxes"]], [ERROR_1638 + "\r\n"])
        # The profile's own answer stands.
        report = self.check("--set", older, "--set", "installer_result=1603")
        self.assertEqual((report["exit_code"], self.warned(report, "other-version-installed")),
                         (1603, []))


if __name__ == "__main__":
    unittest.main()
