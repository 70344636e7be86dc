"""The shipped setup.exe: what it imports and what it carries."""

import os
import re
import subprocess
import unittest

import wine

# DLLs that Windows always loads from its own folder (known DLLs, or always present there).
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "ole32.dll", "advapi32.dll", "msvcrt.dll",
               "gdi32.dll", "shell32.dll", "ntdll.dll", "comctl32.dll", "oleaut32.dll"}


def images():
    """(path, objdump) of each setup.exe that has been built: the 32-bit product and, on
    machines that test with it, the 64-bit build of the same sources."""
    found = []
    for folder, objdump in (("windows", "i686-w64-mingw32-objdump"),
                            ("windows64", "x86_64-w64-mingw32-objdump")):
        path = os.path.join(wine.SOURCE_DIR, "build", folder, "setup.exe")
        if os.path.exists(path):
            found.append((path, objdump))
    return found


class ExeImage(unittest.TestCase):
    def setUp(self):
        self.images = images()
        self.assertTrue(self.images, "no setup.exe has been built")

    def test_imports_only_system_dlls(self):
        for path, objdump in self.images:
            out = subprocess.run([objdump, "-p", path], capture_output=True, text=True,
                                 check=True).stdout
            dlls = {m.lower() for m in re.findall(r"DLL Name: (\S+)", out)}
            self.assertTrue(dlls, path)
            self.assertLessEqual(dlls, SYSTEM_DLLS, path)
            self.assertNotIn("msi.dll", dlls)
            self.assertNotIn("version.dll", dlls)
            self.assertRegex(out, r"Subsystem\s+00000002", "%s is not a GUI program" % path)

    def test_manifest_and_version_resource(self):
        for path, _ in self.images:
            with open(path, "rb") as f:
                data = f.read()
            for os_id in ("e2011457-1546-43c5-a5fe-008deee3d3f0",   # Vista
                          "35138b9a-5d96-4fbd-8e2d-a2440225f93a",   # 7
                          "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",   # 8
                          "1f676c76-80e1-4239-95bb-83d0f6d0da78",   # 8.1
                          "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"):  # 10 and 11
                self.assertIn(os_id.encode(), data, "%s lacks supportedOS %s" % (path, os_id))
            self.assertIn(b"Microsoft.Windows.Common-Controls", data)
            # Without a requested execution level Windows keeps treating setup.exe as an
            # installer and elevates it.
            self.assertNotIn(b"requestedExecutionLevel", data)
            self.assertIn("VS_VERSION_INFO".encode("utf-16-le"), data)
            self.assertIn("setup.exe".encode("utf-16-le"), data)


if __name__ == "__main__":
    unittest.main()
