"""The shipped setup.exe: what it imports and what it carries."""

import bisect
import os
import re
import struct
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


def pe_sections(data):
    """{name: (virtual address, raw bytes)} of a PE image. Names are the 8-byte header names
    (a stripped image keeps ".eh_fram" for ".eh_frame")."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0"
    count, = struct.unpack_from("<H", data, pe + 6)
    optional_size, = struct.unpack_from("<H", data, pe + 20)
    optional = pe + 24
    magic, = struct.unpack_from("<H", data, optional)
    if magic == 0x10B:
        base, = struct.unpack_from("<I", data, optional + 28)
    else:
        base, = struct.unpack_from("<Q", data, optional + 24)
    sections = {}
    for i in range(count):
        at = optional + optional_size + 40 * i
        name = data[at:at + 8].rstrip(b"\0").decode()
        virtual_size, address, raw_size, raw_at = struct.unpack_from("<IIII", data, at + 8)
        sections[name] = (base + address, data[raw_at:raw_at + min(virtual_size, raw_size)])
    return sections


def _uleb(b, i):
    value = shift = 0
    while True:
        c = b[i]
        i += 1
        value |= (c & 0x7F) << shift
        shift += 7
        if c < 0x80:
            return value, i


def _pointer(b, i, encoding, address):
    """A DWARF exception-header pointer at b[i] (32-bit image): its value and the next index."""
    form = encoding & 0x0F
    if form in (0x00, 0x03):
        value, = struct.unpack_from("<I", b, i)
    elif form == 0x0B:
        value, = struct.unpack_from("<i", b, i)
    else:
        raise ValueError("pointer encoding %#x" % encoding)
    if encoding & 0x70 == 0x10:  # relative to the pointer's own address
        value += address + i
    return value & 0xFFFFFFFF, i + 4


def unwind_ranges(address, b):
    """The sorted [start, end) code ranges of the FDEs in an .eh_frame section."""
    encodings, ranges, i = {}, [], 0
    while i + 4 <= len(b):
        length, = struct.unpack_from("<I", b, i)
        if length == 0:
            break
        body = i + 4
        cie_pointer, = struct.unpack_from("<I", b, body)
        if cie_pointer == 0:  # a CIE: find how its FDEs encode their addresses
            p = body + 5
            augmentation = b[p:b.index(b"\0", p)].decode()
            p += len(augmentation) + 1
            _, p = _uleb(b, p)  # code alignment
            _, p = _uleb(b, p)  # data alignment
            p += 1  # return address register
            encoding = 0
            if augmentation.startswith("z"):
                _, p = _uleb(b, p)
                for letter in augmentation[1:]:
                    if letter == "R":
                        encoding = b[p]
                        p += 1
                    elif letter == "L":
                        p += 1
                    elif letter == "P":
                        personality = b[p]
                        _, p = _pointer(b, p + 1, personality, address)
            encodings[i] = encoding
        else:
            encoding = encodings[body - cie_pointer]
            start, p = _pointer(b, body + 4, encoding, address)
            size, _ = _pointer(b, p, encoding & 0x0F, address)
            ranges.append((start, start + size))
        i = body + length
    return sorted(ranges)


def placed_code(map_path):
    """(section, address, size, object) of every code input section the linker placed."""
    with open(map_path) as f:
        lines = f.read().split("\n")
    start = next(k for k, line in enumerate(lines) if line.startswith("Linker script and memory"))
    placed, pending = [], None
    for line in lines[start:]:
        m = re.match(r"^ (\.text\S*)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if m:
            placed.append((m.group(1), int(m.group(2), 16), int(m.group(3), 16), m.group(4)))
            pending = None
            continue
        m = re.match(r"^ (\.text\S*)\s*$", line)  # a long name: the rest on the next line
        if m:
            pending = m.group(1)
            continue
        m = re.match(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if m and pending:
            placed.append((pending, int(m.group(1), 16), int(m.group(2), 16), m.group(3)))
        pending = None
    return [p for p in placed if p[1] and p[2]]


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

    def test_unwind_tables_of_the_32bit_image(self):
        # The 32-bit image is linked with a script that leaves out the unwind tables of
        # libstdc++'s std::string instantiations (so unused string code can be dropped). An
        # exception only unwinds through functions that kept theirs: every function of the
        # launcher, of the C++ runtime's exception support and of the unwinder must still
        # have one, and the string instantiations must have none (or the size is lost).
        path = os.path.join(wine.SOURCE_DIR, "build", "windows", "setup.exe")
        map_path = os.path.join(wine.SOURCE_DIR, "build", "windows", "setup.map")
        if not (os.path.exists(path) and os.path.exists(map_path)):
            self.skipTest("the 32-bit setup.exe has not been built")
        with open(path, "rb") as f:
            sections = pe_sections(f.read())
        name = next(n for n in sections if n.startswith(".eh_fram"))
        ranges = unwind_ranges(*sections[name])
        starts = [r[0] for r in ranges]

        def has_unwind_entry(address):
            k = bisect.bisect_right(starts, address) - 1
            return k >= 0 and ranges[k][0] <= address < ranges[k][1]

        def largest_gap(address, size):
            """The longest run of bytes in [address, address + size) no entry covers."""
            gap, at, end = 0, address, address + size
            k = max(bisect.bisect_right(starts, address) - 1, 0)
            while at < end:
                while k < len(ranges) and ranges[k][1] <= at:
                    k += 1
                if k == len(ranges) or ranges[k][0] >= end:
                    return max(gap, end - at)
                gap = max(gap, ranges[k][0] - at)
                at = max(at, ranges[k][1])
            return gap

        dropped = ("libstdc++.a(string-inst.o)", "libstdc++.a(cow-string-inst.o)",
                   "libstdc++.a(random.o)")
        kept = ("libstdc++.a(", "libgcc_eh.a(")
        checked = 0
        for section, address, size, obj in placed_code(map_path):
            member = obj.rsplit("/", 1)[-1]
            # The launcher's own code: its objects, or the parts of a link-time optimisation.
            launcher = (obj.startswith("CMakeFiles/") or ".ltrans" in member)
            if member.startswith(dropped):
                self.assertFalse(has_unwind_entry(address), "%s %s" % (member, section))
            elif launcher or member.startswith(kept):
                # A section may hold several functions (link-time optimisation merges them);
                # between their entries lies at most alignment padding.
                self.assertLess(largest_gap(address, size), 16,
                                "%s %s has code without unwind entry" % (member, section))
                checked += 1
        self.assertGreater(checked, 200)


if __name__ == "__main__":
    unittest.main()
