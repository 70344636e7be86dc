"""The suite's own Windows tools, checked under Wine before other tests rely on them:
runexact.exe (exact command line in, full exit code out) and the recording msi.dll."""

import os
import shutil
import unittest

import stub_msi
import wine

ARCH = wine.exe_arch(wine.build_file("runexact.exe"))


class RunExactTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = wine.Prefix(arch=ARCH)
        folder = cls.prefix.drive_c("tools dir")
        os.makedirs(folder)
        cls.exe = os.path.join(folder, "exitwith.exe")
        shutil.copy(wine.build_file("exitwith.exe"), cls.exe)

    @classmethod
    def tearDownClass(cls):
        cls.prefix.close()

    def test_child_gets_the_exact_command_line_and_its_full_exit_code_comes_back(self):
        program = '"C:\\tools dir\\exitwith.exe"'
        cases = [
            (program + " 256", 256),  # low byte 0
            # Doubled blank, escaped and unbalanced quotes, trailing backslashes, tabs, an
            # empty argument and non-ASCII text, none of which a shell would leave alone.
            (program + '  a\\"b "c d"\\\\\t\t"" привет\\ \u4e2d "x 3221226519', 3221226519),
        ]
        for line, code in cases:
            with self.subTest(line=line):
                result = self.prefix.run(self.exe, line, trace_boxes=False)
                self.assertEqual(result.code, code)
                self.assertEqual(result.stdout, line.encode("utf-8"))

    def test_program_that_cannot_start_reports_no_exit_code(self):
        with self.assertRaisesRegex(RuntimeError, r"status 255.*CreateProcessW failed"):
            self.prefix.run(self.exe, '"C:\\tools dir\\missing.exe" 0', trace_boxes=False)


class StubMsiTest(unittest.TestCase):
    PRODUCT = "{6F2B1A10-3C4D-4E5F-8A9B-0C1D2E3F4A5B}"

    @classmethod
    def setUpClass(cls):
        cls.prefix = wine.Prefix(arch=ARCH)
        os.makedirs(cls.prefix.drive_c("probe"))
        cls.probe = cls.prefix.drive_c("probe", "msiprobe.exe")
        shutil.copy(wine.build_file("msiprobe.exe"), cls.probe)
        os.makedirs(cls.prefix.drive_c("media"))
        with open(cls.prefix.drive_c("media", "pkg.msi"), "wb") as f:
            f.write(b"not read by the stand-in")
        cls.stub = stub_msi.StubMsi(cls.prefix)

    @classmethod
    def tearDownClass(cls):
        cls.prefix.close()

    def run_probe(self, arguments, script):
        """Runs msiprobe with `arguments`; returns its exit code, its key=value output and the
        stand-in's log."""
        self.stub.write_script(script)
        self.stub.clear_log()
        result = self.prefix.run(self.probe, "C:\\probe\\msiprobe.exe " + arguments,
                                 extra_env=self.stub.env(), trace_boxes=False)
        output = dict(line.split("=", 1) for line in result.stdout_text.splitlines())
        return result.code, output, self.stub.calls()

    def assertAllHandlesClosed(self, calls, expected_open=0):
        detach = [c for c in calls if c["fn"] == "detach"]
        self.assertEqual(len(detach), 1, calls)
        self.assertEqual(detach[0]["open_handles"], expected_open)

    def test_install_call_is_logged_exactly_and_answers_the_scripted_result(self):
        command_line = ('ACTION=ADMIN SETUPEXEDIR="C:\\media" SETUPEXENAME="setup.exe" '
                        'TRANSFORMS=:Inst2.mst;1049.mst  A="b\tc" Ж=ü ')
        for script, expected in [({}, 0), ({"result.MsiInstallProductW": 1603}, 1603)]:
            with self.subTest(script=script):
                code, output, calls = self.run_probe(
                    "install C:\\media\\pkg.msi 2 -- " + command_line, script)
                self.assertEqual(code, expected)
                # The stand-in, not Wine's own library, answered a load by system-folder path.
                self.assertEqual(calls[0]["fn"], "attach")
                system = self.prefix.windows_path(self.prefix.system_folder(ARCH))
                self.assertEqual(calls[0]["module"].lower(), system.lower() + "\\msi.dll")
                ui, = [c for c in calls if c["fn"] == "MsiSetInternalUI"]
                self.assertEqual((ui["level"], ui["window"], ui["result"]), (2, None, 1))
                install, = [c for c in calls if c["fn"] == "MsiInstallProductW"]
                self.assertEqual(install["path"], "C:\\media\\pkg.msi")
                self.assertEqual(install["cmdline"], command_line)
                self.assertEqual(install["ui_level"], 2)
                self.assertEqual(install["result"], expected)
                self.assertAllHandlesClosed(calls)

    def test_inspection_reads_the_scripted_package(self):
        package = {
            "summary.7": "Intel;1049",
            "summary.9": "{0A1B2C3D-0000-1111-2222-333344445555}",
            "property.ProductCode": self.PRODUCT,
            "property.ProductVersion": "2.5.1.300",
            "file.vorta.dll": "2.5.1.7",
        }
        code, output, calls = self.run_probe("inspect C:\\media\\pkg.msi", package)
        self.assertEqual(code, 0, output)
        self.assertEqual(output["summary.7"], "Intel;1049")
        self.assertEqual((output["summary.9"], output["summary.9.type"]),
                         (package["summary.9"], "30"))
        self.assertEqual(output["ProductCode"], self.PRODUCT)
        self.assertEqual(output["ProductVersion"], "2.5.1.300")
        self.assertEqual(output["vorta.dll"], "2.5.1.7")
        self.assertEqual(sorted(c["kind"] for c in calls if c["fn"] == "MsiCloseHandle"),
                         ["database", "record", "record", "record", "summary", "view", "view",
                          "view"])
        self.assertAllHandlesClosed(calls)

        # No File row: the fetch answers ERROR_NO_MORE_ITEMS.
        del package["file.vorta.dll"]
        code, output, calls = self.run_probe("inspect C:\\media\\pkg.msi", package)
        self.assertEqual((code, output["vorta.dll"]), (259, ""))
        self.assertAllHandlesClosed(calls)

        code, output, calls = self.run_probe("inspect C:\\media\\missing.msi", package)
        self.assertEqual(code, 110)

    def test_handle_left_open_shows_at_detach(self):
        code, output, calls = self.run_probe("leak C:\\media\\pkg.msi", {})
        self.assertEqual(code, 0)
        self.assertAllHandlesClosed(calls, expected_open=1)

    def test_product_info_follows_the_buffer_rule(self):
        script = {"product.%s.VersionString" % self.PRODUCT.lower(): "2.5.1.300",
                  "product.%s.InstallLocation" % self.PRODUCT: ""}
        cases = [
            # (product, attribute, buffer size) -> (result, size written back, text)
            ((self.PRODUCT, "VersionString", 10), (0, "9", "2.5.1.300")),
            ((self.PRODUCT, "VersionString", 9), (234, "9", "2.5.1.30")),
            ((self.PRODUCT, "InstallLocation", 10), (0, "0", "")),
            ((self.PRODUCT, "Publisher", 10), (1608, "10", "")),
            (("{6F2B1A10-3C4D-4E5F-8A9B-0C1D2E3F4A5C}", "VersionString", 10), (1605, "10", "")),
        ]
        for (product, attribute, size), (result, size_out, text) in cases:
            with self.subTest(product=product, attribute=attribute, size=size):
                code, output, calls = self.run_probe(
                    "productinfo %s %s %d" % (product, attribute, size), script)
                self.assertEqual((code, output["size"], output["text"]), (result, size_out, text))


if __name__ == "__main__":
    unittest.main()
