"""The installation run of setup.exe against Wine's own Windows Installer: real packages and
real transforms on a medium, checking what got installed and which properties the package
received (each package writes them to the registry).

A prefix per user locale, shared by the cases of one class; every case installs a product of
its own, so the cases do not see each other. Administrative installations cannot run under
Wine (it answers 1626); test_install_recorded covers them.
"""

import os
import unittest

import media
import msi_media
import wine

RECORD = ("LANGMARK", "INSTANCEMARK", "COUNTRY", "A", "B")


def product_code(n):
    return "{7F2E4B10-9C3D-4A56-8E71-0D5B3C2A%04X}" % n


class Medium(media.Medium):
    """The launcher and Setup.ini in a folder of drive C, with a real package of a product of
    its own beside them (or in `subfolder`) and the Russian and Ukrainian transforms of that
    package beside both."""

    def __init__(self, prefix, name, number, subfolder=None, languages=("1049", "1058")):
        super().__init__(prefix=prefix, folder=name, package=None)
        self.product = product_code(number)
        package_folder = os.path.join(self.path, subfolder) if subfolder else self.path
        # A package name of its own, so each product installs into a folder of its own.
        stem = "vorta-" + name
        location = "%s\\%s.msi" % (subfolder, stem) if subfolder else stem + ".msi"
        self.write("Setup.ini", media.setup_ini(product=self.product, location=location,
                                                cmdline="A=1"), "utf-8")
        self.package = msi_media.build_package(package_folder, stem, self.product,
                                               media.VERSION, record=RECORD,
                                               registry_key="VortaReal\\" + name)
        marks = {"1049": "ru", "1058": "uk"}
        for language in languages:
            # Beside the launcher, where it looks; beside the package, where the installer does.
            for folder in {self.path, package_folder}:
                self.package.transform(os.path.join(folder, language + ".mst"),
                                       {"LANGMARK": marks[language]})

    @property
    def install_dir(self):
        return os.path.join(self.prefix.program_files(self.package.arch),
                            "Vorta " + self.package.file_name[:-4])

    def launch(self, arguments):
        return self.run(arguments, timeout=180)

    def received(self):
        return self.package.read(self.prefix)

    def registered(self):
        return self.package.registered(self.prefix)


class PrefixCase(unittest.TestCase):
    LOCALE = wine.DEFAULT_LOCALE

    @classmethod
    def setUpClass(cls):
        cls.prefix = wine.Prefix(locale=cls.LOCALE)

    @classmethod
    def tearDownClass(cls):
        cls.prefix.close()

    def assert_installed(self, medium, result, expected, case):
        """The run succeeded without a box, the product is registered and its file is in
        place, and the package received `expected` (property: value, "" = not set)."""
        self.assertEqual((result.code, result.boxes), (0, []), case)
        got = medium.received()
        self.assertEqual({k: got.get(k) for k in expected}, expected, "%s: %s" % (case, got))
        self.assertTrue(medium.registered(), case)

    def assert_removed(self, medium, result, case):
        self.assertEqual((result.code, result.boxes), (0, []), case)
        self.assertEqual(medium.received(), {}, case)
        self.assertFalse(medium.registered(), case)


class InstallAndRemoveTest(PrefixCase):
    """An English-language user: no transform applies unless a language is chosen."""

    def test_full_interface_and_silent_install_and_removal(self):
        medium = Medium(self.prefix, "media", 1)
        plain = {"LANGMARK": "en", "COUNTRY": "", "A": "1", "INSTANCEMARK": ""}
        dll = os.path.join(medium.install_dir, "vorta.dll")
        # Full interface (level 5) without a display: the package has no dialogs of its own,
        # so Wine runs it to the end with nothing to show.
        steps = [
            ("", "installed"),
            ("/x", "removed"),
            ("/S", "installed"),
            ("/S /x", "removed"),
        ]
        for arguments, outcome in steps:
            result = medium.launch(arguments)
            case = "setup.exe %s" % arguments
            if outcome == "installed":
                self.assert_installed(medium, result, plain, case)
                self.assertTrue(os.path.exists(dll), case)
            else:
                self.assert_removed(medium, result, case)
                self.assertFalse(os.path.exists(dll), case)

    def test_chosen_language_and_properties_from_the_command_line(self):
        medium = Medium(self.prefix, "chosen", 2)
        result = medium.launch('/S /l ru B=2 INSTALLDIR="C:\\My Apps"')
        self.assert_installed(medium, result, {"LANGMARK": "ru", "COUNTRY": "", "A": "1",
                                               "B": "2"}, "/l ru")
        # The quoted folder reached the installer in one piece.
        self.assertTrue(os.path.exists(self.prefix.drive_c("My Apps", "vorta.dll")))

    def test_installer_failure_is_reported(self):
        medium = Medium(self.prefix, "broken", 3, languages=())
        os.remove(medium.package.path)
        cases = [
            ("", 1),
            ("/S", 0),
        ]
        for arguments, boxes in cases:
            with self.subTest(arguments=arguments):
                result = medium.launch(arguments)
                # Wine answers 2 for a package that is not there (Windows: 1619).
                self.assertNotIn(result.code, (0, 1, 1602, 3010, 1641))
                self.assertEqual(len(result.boxes), boxes, result.boxes)
                for box in result.boxes:
                    self.assertEqual((box.caption, box.style), ("Error", 0x1010))
                    self.assertTrue(box.text.strip())

    def test_installed_instance_gets_the_transform_stored_in_the_package(self):
        instance = msi_media.build_package(self.prefix.drive_c("instance"), "instance",
                                           product_code(0x10), media.VERSION)
        self.assertEqual(msi_media.msiexec(
            self.prefix, ["/i", self.prefix.windows_path(instance.path), "/qn"]), 0)
        cases = [
            # medium, arguments, language the package gets
            ("inst-ru", 0x11, "/S /l ru", "ru"),
            # No language transform: the instance transform alone, still followed by ";".
            ("inst-en", 0x12, "/S", "en"),
        ]
        for name, number, arguments, language in cases:
            with self.subTest(medium=name, arguments=arguments):
                medium = Medium(self.prefix, name, number, subfolder="pkg")
                mst = medium.package.transform(os.path.join(self.prefix.root, name + ".mst"),
                                               {"INSTANCEMARK": "inst2"})
                msi_media.embed_transform(medium.package.path, mst, "Inst2.mst")
                media.write(os.path.join(medium.path, "pkg", "setup.ini"),
                            media.instances_ini(instance.product_code))
                result = medium.launch(arguments)
                self.assert_installed(medium, result, {"INSTANCEMARK": "inst2",
                                                       "LANGMARK": language}, arguments)


class UkrainianUserTest(PrefixCase):
    LOCALE = media.UK

    def test_ukraine_rule(self):
        cases = [
            # arguments, language mark, country
            ("/S", "uk", "UA"),
            ("/S /l ru", "ru", ""),  # a chosen language turns the rule off
        ]
        for number, (arguments, language, country) in enumerate(cases, 0x20):
            with self.subTest(arguments=arguments):
                medium = Medium(self.prefix, "uk%d" % number, number)
                result = medium.launch(arguments)
                self.assert_installed(medium, result, {"LANGMARK": language,
                                                       "COUNTRY": country, "A": "1"}, arguments)


class RussianUserInUkraineTest(PrefixCase):
    """A Russian-language user whose regional settings alone say Ukraine."""

    LOCALE = media.RU

    def set_region(self, key, values):
        """Gives the user's region settings (HKCU\\Control Panel\\International, or its
        subkey `key`) the string values `values`, and checks that programs see them."""
        full = "Control Panel\\International" + ("\\" + key if key else "")
        self.prefix.set_user_values(full, values)
        seen = self.prefix.user_values(full)
        self.assertEqual({name: seen.get(name) for name in values}, values)

    def test_two_signs_make_ukraine_one_does_not(self):
        steps = [
            # what the settings say, region values, language mark, country
            ("geographic location Ukraine", ("Geo", {"Nation": "241", "Name": "UA"}), "ru", ""),
            ("and the hryvnia as currency", ("", {"sCurrency": "\u20b4"}), "uk", "UA"),
        ]
        for number, (case, (key, values), language, country) in enumerate(steps, 0x30):
            with self.subTest(settings=case):
                self.set_region(key, values)
                medium = Medium(self.prefix, "ru%d" % number, number)
                result = medium.launch("/S")
                self.assert_installed(medium, result, {"LANGMARK": language,
                                                       "COUNTRY": country}, case)


class RussianUserWithUkrainianCountrySettingTest(RussianUserInUkraineTest):
    """The country setting of the user's locale is one sign. A Russian keyboard layout must
    not repeat it: asked for its country with the user's overrides in force, the layout of
    the user's own language answers with the user's country setting."""

    test_two_signs_make_ukraine_one_does_not = None

    def test_country_setting_alone_is_one_sign(self):
        self.set_region("", {"iCountry": "380"})
        medium = Medium(self.prefix, "ruc", 0x40)
        result = medium.launch("/S")
        self.assert_installed(medium, result, {"LANGMARK": "ru", "COUNTRY": ""},
                              "country setting 380 only")


if __name__ == "__main__":
    unittest.main()
