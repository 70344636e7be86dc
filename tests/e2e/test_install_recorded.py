"""The installation run of setup.exe against the recording stand-in msi.dll: the exact command
line, user-interface level and log request it hands to the Windows Installer, the installed
instance it finds, and what it does with each result (box or none, exit code).

One Russian-language prefix serves every case; each case rewrites the stand-in's script and
clears its log, and the media never change between cases except where a case says so.

Every run is also checked with setup-check, the native medium check, on the same medium folder
and the same machine said as a profile: it must print the command line (or none), package path,
user-interface level, log file and exit code that the stand-in recorded and setup.exe returned.
Without a native build that comparison is skipped, with the reason.
"""

import os
import shutil
import unittest

import check_tool
import stub_msi
import wine
from media import (INSTANCE, PACKAGE_ANSWERS, PRODUCT, RU, UK, instances_ini, installed,
                   setup_ini, write, write_package)


class RecordedInstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = wine.Prefix(locale=RU)
        cls.stub = stub_msi.StubMsi(cls.prefix)
        # C:\media: the medium of the examples, package beside the launcher.
        cls.media = cls.medium("media", cmdline="A=1", transforms=("1049.mst",))
        # C:\bare: no transform at all and an empty CmdLine.
        cls.bare = cls.medium("bare", cmdline="")
        # C:\inst: the package in a folder of its own, with the description of an instance.
        cls.inst = cls.medium("inst", cmdline="A=1", location="pkg\\product.msi",
                              transforms=("1049.mst",))
        write(os.path.join(cls.inst, "pkg", "setup.ini"), instances_ini())
        # C:\ itself: the launcher at the root of a drive.
        cls.root = cls.medium("", cmdline="A=1", transforms=("1049.mst",))

    @classmethod
    def tearDownClass(cls):
        cls.prefix.close()

    @classmethod
    def medium(cls, name, cmdline, location="product.msi", transforms=()):
        folder = cls.prefix.drive_c(name) if name else cls.prefix.drive_c()
        os.makedirs(folder, exist_ok=True)
        shutil.copy(wine.build_file("setup.exe"), folder)
        write(os.path.join(folder, "Setup.ini"), setup_ini(location=location, cmdline=cmdline))
        # The stand-in answers for the package from its script and never reads it; setup-check
        # reads it, so it is a real one.
        write_package(folder, location, transforms, instance="pkg" in location)
        return folder

    def launch(self, folder, arguments, script=None, exe="setup.exe", locale=None):
        """Runs the launcher of `folder` with `arguments`; (result, every logged call).
        setup-check on the same medium and machine must come to the same outcome."""
        self.stub.write_script(script or {})
        self.stub.clear_log()
        windows = self.prefix.windows_path(os.path.join(folder, exe))
        line = '"%s"' % windows + (" " + arguments if arguments else "")
        env = self.stub.env({"LC_ALL": locale} if locale else None)
        result = self.prefix.run(os.path.join(folder, exe), line, extra_env=env, timeout=60)
        calls = self.stub.calls()
        self.assert_check_agrees(folder, exe, line, arguments, script or {}, locale or RU,
                                 result, calls)
        return result, calls

    def assert_check_agrees(self, folder, exe, line, arguments, script, locale, result, calls):
        with self.subTest(setup_check=line, locale=locale):
            if not check_tool.available():
                self.skipTest(check_tool.MISSING)
            installs = [c for c in calls if c["fn"] == "MsiInstallProductW"]
            logs = [c["file"] for c in calls if c["fn"] == "MsiEnableLogW"]
            if installs:
                real = (installs[-1]["cmdline"], installs[-1]["path"], result.code,
                        installs[-1]["ui_level"], logs[-1] if logs else "")
            else:
                real = (None, None, result.code, None, None)
            checked = check_tool.run(folder, locale, arguments, script,
                                     at=self.prefix.windows_path(folder), exe=exe)
            self.assertEqual(checked, real, "setup-check (command line, package, exit code, "
                                            "UI level, log) differs from setup.exe's")

    def install_call(self, calls, case):
        installs = [c for c in calls if c["fn"] == "MsiInstallProductW"]
        self.assertEqual(len(installs), 1, "%s: %s" % (case, calls))
        return installs[0]

    def assert_handles_closed(self, calls, case):
        install = self.install_call(calls, case)
        self.assertEqual(install["open_handles"], 0, "%s: handles open at install" % case)
        detaches = [c for c in calls if c["fn"] == "detach"]
        self.assertTrue(detaches, "%s: the library was never released: %s" % (case, calls))
        for d in detaches:
            self.assertEqual(d["open_handles"], 0, "%s: %s" % (case, d))
        # Loaded once and kept until the process ends: unloading it (and the DLLs it brought
        # in) just before the end only made every run slower.
        loads = [c["fn"] + ":" + c.get("reason", "") for c in calls
                 if c["fn"] in ("attach", "detach")]
        self.assertEqual(loads, ["attach:", "detach:exit"], "%s: %s" % (case, calls))

    def test_command_line_and_interface_level_of_each_mode(self):
        admin = 'ACTION=ADMIN SETUPEXEDIR="C:\\media" SETUPEXENAME="setup.exe" '
        cases = [
            # arguments, command line handed over, user-interface level
            ("", "TRANSFORMS=1049.mst A=1", 5),
            ("/x", "REMOVE=ALL TRANSFORMS=1049.mst A=1", 5),
            ("-X", "REMOVE=ALL TRANSFORMS=1049.mst A=1", 5),
            ("/a", admin + "TRANSFORMS=1049.mst A=1", 5),
            ("/x /a", admin + "TRANSFORMS=1049.mst A=1", 5),
            ("/a /S", admin + "TRANSFORMS=1049.mst A=1", 2),
            ("/S", "TRANSFORMS=1049.mst A=1", 2),
            ("/S /x", "REMOVE=ALL TRANSFORMS=1049.mst A=1", 2),
            # Positional arguments follow CmdLine, each with a blank after it, quotes kept.
            ('B=2 INSTALLDIR="C:\\My Apps"',
             'TRANSFORMS=1049.mst A=1 B=2 INSTALLDIR="C:\\My Apps" ', 5),
            # A language whose transform is not on the medium: no TRANSFORMS at all.
            ("/l en", " A=1", 5),
            ("/l:ru", "TRANSFORMS=1049.mst A=1", 5),
        ]
        for arguments, expected, level in cases:
            with self.subTest(arguments=arguments):
                result, calls = self.launch(self.media, arguments)
                install = self.install_call(calls, arguments)
                self.assertEqual(install["cmdline"], expected)
                self.assertEqual(install["path"], "C:\\media\\product.msi")
                self.assertEqual(install["ui_level"], level)
                ui = [c for c in calls if c["fn"] == "MsiSetInternalUI"]
                self.assertEqual([(c["level"], c["window"]) for c in ui], [(level, None)])
                self.assertEqual((result.code, result.boxes), (0, []))
                self.assert_handles_closed(calls, arguments)

    def test_nothing_to_pass_is_a_single_blank(self):
        cases = [
            ("", " "),
            ("/S", " "),
            ("/x", "REMOVE=ALL  "),
            ("B=2", " B=2 "),
        ]
        for arguments, expected in cases:
            with self.subTest(arguments=arguments):
                _result, calls = self.launch(self.bare, arguments)
                self.assertEqual(self.install_call(calls, arguments)["cmdline"], expected)

    def test_administrative_folder_and_name_of_the_launcher(self):
        renamed = os.path.join(self.media, "Install Vorta.exe")
        shutil.copy(wine.build_file("setup.exe"), renamed)
        self.addCleanup(os.remove, renamed)
        cases = [
            # folder, launcher file, command line handed over
            (self.root, "setup.exe",
             'ACTION=ADMIN SETUPEXEDIR="C:" SETUPEXENAME="setup.exe" TRANSFORMS=1049.mst A=1'),
            (self.media, "Install Vorta.exe",
             'ACTION=ADMIN SETUPEXEDIR="C:\\media" SETUPEXENAME="Install Vorta.exe" '
             'TRANSFORMS=1049.mst A=1'),
        ]
        for folder, exe, expected in cases:
            with self.subTest(exe=self.prefix.windows_path(os.path.join(folder, exe))):
                _result, calls = self.launch(folder, "/a", exe=exe)
                self.assertEqual(self.install_call(calls, exe)["cmdline"], expected)

    def test_installed_instance_gets_its_transform_from_the_package(self):
        marker = os.path.join(self.inst, "admupdt.cfg")
        other_language = os.path.join(self.inst, "1049.mst")
        cases = [
            # what is installed, arguments, files to add/remove, command line handed over
            ("instance", "", None, "TRANSFORMS=:Inst2.mst;1049.mst A=1"),
            ("instance", "/x", None, "REMOVE=ALL TRANSFORMS=:Inst2.mst;1049.mst A=1"),
            ("instance", "/a", None,
             'ACTION=ADMIN SETUPEXEDIR="C:\\inst" SETUPEXENAME="setup.exe" TRANSFORMS=1049.mst A=1'),
            ("instance", "", "admupdt.cfg", "TRANSFORMS=1049.mst A=1"),
            ("instance", "", "no 1049.mst", "TRANSFORMS=:Inst2.mst; A=1"),
            ("instance in 2.6", "", None, "TRANSFORMS=1049.mst A=1"),
            ("product and instance", "", None, "TRANSFORMS=1049.mst A=1"),
            ("nothing", "", None, "TRANSFORMS=1049.mst A=1"),
        ]
        products = {
            "instance": installed(INSTANCE),
            "instance in 2.6": installed(INSTANCE, "2.6.0"),
            "product and instance": dict(installed(PRODUCT), **installed(INSTANCE)),
            "nothing": {},
        }
        for state, arguments, change, expected in cases:
            with self.subTest(installed=state, arguments=arguments, change=change):
                if change == "admupdt.cfg":
                    write(marker, "")
                elif change == "no 1049.mst":
                    os.rename(other_language, other_language + ".off")
                try:
                    script = dict(PACKAGE_ANSWERS, **products[state])
                    result, calls = self.launch(self.inst, arguments, script=script)
                finally:
                    if os.path.exists(marker):
                        os.remove(marker)
                    if os.path.exists(other_language + ".off"):
                        os.rename(other_language + ".off", other_language)
                install = self.install_call(calls, state)
                self.assertEqual(install["cmdline"], expected)
                self.assertEqual(install["path"], "C:\\inst\\pkg\\product.msi")
                self.assertEqual(result.code, 0)
                self.assert_handles_closed(calls, state)

    def test_instance_without_a_name_gets_its_transform_and_the_installer_refuses_it(self):
        # The package folder's setup.ini holds only a ProductCode line, before any section:
        # that is the instance's product code while no instance is named, and an installed
        # instance gets its transform under the empty name. The Windows Installer finds no
        # storage ".mst" in the package and answers 1624 (the stand-in answers it as told:
        # Wine 8's own installer passes over a stored transform it cannot find and installs
        # the product again, beside the instance).
        folder = self.medium("noname", cmdline="A=1", location="pkg\\product.msi",
                             transforms=("1049.mst",))
        write(os.path.join(folder, "pkg", "setup.ini"), "ProductCode=%s\r\n" % INSTANCE)
        script = dict(PACKAGE_ANSWERS, **installed(INSTANCE))
        script["result.MsiInstallProductW"] = 1624
        for arguments, boxes in (("", 1), ("/S", 0)):
            with self.subTest(arguments=arguments):
                result, calls = self.launch(folder, arguments, script=script)
                install = self.install_call(calls, arguments)
                self.assertEqual(install["cmdline"], "TRANSFORMS=:.mst;1049.mst A=1")
                self.assertEqual(result.code, 1624)
                self.assertEqual(len(result.boxes), boxes, result.boxes)
                for box in result.boxes:
                    self.assertEqual((box.caption, box.style), ("Error", 0x1010))
                    self.assertTrue(box.text.strip())

    def test_ukrainian_user_gets_the_country_and_the_ukrainian_transform(self):
        write_package(self.media, transforms=("1058.mst",))
        self.addCleanup(os.remove, os.path.join(self.media, "1058.mst"))
        cases = [
            ("", "TRANSFORMS=1058.mst A=1 COUNTRY=UA"),
            ("/x", "REMOVE=ALL TRANSFORMS=1058.mst A=1 COUNTRY=UA"),
            # A language chosen on the command line turns the rule off.
            ("/l ru", "TRANSFORMS=1049.mst A=1"),
        ]
        for arguments, expected in cases:
            with self.subTest(arguments=arguments):
                _result, calls = self.launch(self.media, arguments, locale=UK)
                self.assertEqual(self.install_call(calls, arguments)["cmdline"], expected)
        _result, calls = self.launch(self.bare, "", locale=UK)
        self.assertEqual(self.install_call(calls, "bare")["cmdline"], " COUNTRY=UA")

    def test_log_request(self):
        cases = [
            ("/debuglog C:\\x.log", "C:\\x.log"),
            ('/S /debuglog "C:\\my logs\\setup log.txt"', "C:\\my logs\\setup log.txt"),
            ("", None),
        ]
        for arguments, log in cases:
            with self.subTest(arguments=arguments):
                _result, calls = self.launch(self.media, arguments)
                names = [c["fn"] for c in calls]
                requests = [c for c in calls if c["fn"] == "MsiEnableLogW"]
                if log is None:
                    self.assertEqual(requests, [])
                    continue
                self.assertEqual([(c["mode"], c["file"], c["attributes"]) for c in requests],
                                 [(4096, log, 2)])
                self.assertLess(names.index("MsiEnableLogW"), names.index("MsiInstallProductW"))
                self.assertEqual(self.install_call(calls, arguments)["cmdline"],
                                 "TRANSFORMS=1049.mst A=1")

    def test_result_decides_box_and_exit_code(self):
        cases = [
            # installer result, box expected without /S
            (0, False),
            (1602, False),  # the user cancelled
            (3010, False),  # installed, restart needed
            (1641, False),  # installed, restart started
            (1603, True),
            (1605, True),
            (0xE0001234, True),  # a code the system has no text for; all 32 bits come back
        ]
        texts = {}
        for code, box in cases:
            for arguments in ("", "/S"):
                with self.subTest(result=code, arguments=arguments):
                    result, calls = self.launch(self.media, arguments,
                                                script={"result.MsiInstallProductW": code})
                    self.assertEqual(self.install_call(calls, code)["result"], code)
                    self.assertEqual(result.code, code)
                    if not box or arguments == "/S":
                        self.assertEqual(result.boxes, [])
                        continue
                    self.assertEqual(len(result.boxes), 1, result.boxes)
                    shown = result.boxes[0]
                    self.assertEqual((shown.caption, shown.style), ("Error", 0x1010))
                    self.assertTrue(shown.text.strip())
                    texts[code] = shown.text
        # The system's own text where it has one (Russian here), the launcher's otherwise.
        self.assertEqual(texts[0xE0001234], "Unknown error 3758101044.")
        self.assertNotIn("Unknown error", texts[1603])
        self.assertNotEqual(texts[1603], texts[1605])
        self.assertRegex(texts[1603], "[\u0400-\u04ff]")


if __name__ == "__main__":
    unittest.main()
