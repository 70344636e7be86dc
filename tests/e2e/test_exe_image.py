"""The shipped setup.exe: what it imports and what it carries."""

import bisect
import json
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


def section_table(data):
    """(image base, [(name, rva, virtual size, raw offset, raw size)]) of a PE image."""
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
    table = []
    for i in range(count):
        at = optional + optional_size + 40 * i
        name = data[at:at + 8].rstrip(b"\0").decode()
        virtual_size, rva, raw_size, raw_at = struct.unpack_from("<IIII", data, at + 8)
        table.append((name, rva, virtual_size, raw_at, raw_size))
    return base, table


def pe_sections(data):
    """{name: (virtual address, raw bytes)} of a PE image. Names are the 8-byte header names
    (a stripped image keeps ".eh_fram" for ".eh_frame")."""
    base, table = section_table(data)
    return {name: (base + rva, data[raw_at:raw_at + min(virtual_size, raw_size)])
            for name, rva, virtual_size, raw_at, raw_size in table}


RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


def pe_resources(data):
    """{(type, name, language): bytes} of a PE image's resource tree; a numbered entry's key
    part is its number, a named one's its name."""
    _, table = section_table(data)
    rsrc = next(t for t in table if t[0] == ".rsrc")
    _, rva, virtual_size, raw_at, raw_size = rsrc
    section = data[raw_at:raw_at + min(virtual_size, raw_size)]

    def entries(at):
        named, numbered = struct.unpack_from("<HH", section, at + 12)
        for k in range(named + numbered):
            name, target = struct.unpack_from("<II", section, at + 16 + 8 * k)
            if name & 0x80000000:
                n = name & 0x7FFFFFFF
                length, = struct.unpack_from("<H", section, n)
                name = section[n + 2:n + 2 + 2 * length].decode("utf-16-le")
            yield name, target

    found = {}
    for kind, t in entries(0):
        for name, n in entries(t & 0x7FFFFFFF):
            for language, leaf in entries(n & 0x7FFFFFFF):
                data_rva, size = struct.unpack_from("<II", section, leaf)
                found[(kind, name, language)] = section[data_rva - rva:data_rva - rva + size]
    return found


def resources_of(resources, kind):
    """{name: bytes} of one resource type (any language)."""
    return {name: data for (k, name, _), data in resources.items() if k == kind}


def version_info(block):
    """(file version, product version, {string name: value}) of an RT_VERSION resource: the
    fixed part's two four-number versions and the string table's entries."""
    def node(at):
        length, value_length, kind = struct.unpack_from("<HHH", block, at)
        end = block.index(b"\0\0", at + 6)
        while (end - at - 6) % 2:  # the terminator starts on a character boundary
            end = block.index(b"\0\0", end + 1)
        key = block[at + 6:end].decode("utf-16-le")
        value_at = (end + 2 + 3) & ~3
        size = value_length * 2 if kind == 1 else value_length
        value = block[value_at:value_at + size]
        children, child = [], (value_at + size + 3) & ~3
        while child < at + length:
            children.append(node(child))
            child = (child + children[-1][3] + 3) & ~3
        return key, value, children, length

    key, fixed, children, _ = node(0)
    assert key == "VS_VERSION_INFO" and struct.unpack_from("<I", fixed)[0] == 0xFEEF04BD

    def four(ms, ls):
        return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    f_ms, f_ls, p_ms, p_ls = struct.unpack_from("<IIII", fixed, 8)
    strings = {}
    for name, _, tables, _ in children:
        if name == "StringFileInfo":
            for _, _, entries, _ in tables:
                for entry, value, _, _ in entries:
                    strings[entry] = value.decode("utf-16-le").rstrip("\0")
    return four(f_ms, f_ls), four(p_ms, p_ls), strings


def icon_file_images(data):
    """[(width, height, colours, planes, bits, image bytes)] of an .ico file."""
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    assert kind == 1
    out = []
    for k in range(count):
        w, h, colours, _, planes, bits, size, at = struct.unpack_from("<BBBBHHII", data, 6 + 16 * k)
        out.append((w, h, colours, planes, bits, data[at:at + size]))
    return out


def icon_groups(resources):
    """{group name: [(width, height, colours, planes, bits, image bytes)]} of an image's icon
    groups, each image taken from the RT_ICON resource its entry names."""
    icons = resources_of(resources, RT_ICON)
    groups = {}
    for name, data in resources_of(resources, RT_GROUP_ICON).items():
        _, kind, count = struct.unpack_from("<HHH", data, 0)
        assert kind == 1
        images = []
        for k in range(count):
            w, h, colours, _, planes, bits, size, icon_id = struct.unpack_from(
                "<BBBBHHIH", data, 6 + 14 * k)
            images.append((w, h, colours, planes, bits, icons[icon_id]))
            assert len(icons[icon_id]) == size
        groups[name] = images
    return groups


def branding_of(build_dir):
    """The branding a build was configured with (written by cmake/branding.cmake)."""
    with open(os.path.join(build_dir, "branding", "branding.json"), encoding="utf-8") as f:
        return json.load(f)


def expected_strings(branding):
    """The string table a build with this branding must carry: company and copyright only
    when given."""
    strings = {"FileDescription": branding["file_description"],
               "FileVersion": branding["version"],
               "InternalName": branding["internal_name"],
               "OriginalFilename": branding["original_filename"],
               "ProductName": branding["product_name"],
               "ProductVersion": branding["version"],
               "LauncherVersion": branding["launcher_version"]}
    if branding["company"]:
        strings["CompanyName"] = branding["company"]
    if branding["copyright"]:
        strings["LegalCopyright"] = branding["copyright"]
    return strings


def check_branding(test, path, branding):
    """The image carries exactly the branding's version resource and its icon, byte for byte,
    as its only icon group (the one Explorer and the elevation prompt show)."""
    with open(path, "rb") as f:
        resources = pe_resources(f.read())
    versions = resources_of(resources, RT_VERSION)
    test.assertEqual(list(versions), [1], path)
    file_version, product_version, strings = version_info(versions[1])
    numbers = tuple(branding["version_numbers"])
    test.assertEqual((file_version, product_version), (numbers, numbers), path)
    test.assertEqual(strings, expected_strings(branding), path)
    with open(branding["icon"], "rb") as f:
        icon = icon_file_images(f.read())
    test.assertEqual(icon_groups(resources), {1: icon}, path)


def check_imports(test, path, objdump):
    """Only DLLs that Windows always takes from its system folder; a GUI program."""
    out = subprocess.run([objdump, "-p", path], capture_output=True, text=True,
                         check=True).stdout
    dlls = {m.lower() for m in re.findall(r"DLL Name: (\S+)", out)}
    test.assertTrue(dlls, path)
    test.assertLessEqual(dlls, SYSTEM_DLLS, path)
    test.assertNotIn("msi.dll", dlls)
    test.assertNotIn("version.dll", dlls)
    test.assertRegex(out, r"Subsystem\s+00000002", "%s is not a GUI program" % path)


def check_manifest(test, path):
    """The manifest names every Windows version from Vista on and common controls v6, and
    asks for no execution level."""
    with open(path, "rb") as f:
        data = f.read()
    manifests = resources_of(pe_resources(data), RT_MANIFEST)
    test.assertEqual(list(manifests), [1], path)
    for os_id in ("e2011457-1546-43c5-a5fe-008deee3d3f0",   # Vista
                  "35138b9a-5d96-4fbd-8e2d-a2440225f93a",   # 7
                  "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",   # 8
                  "1f676c76-80e1-4239-95bb-83d0f6d0da78",   # 8.1
                  "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"):  # 10 and 11
        test.assertIn(os_id.encode(), manifests[1], "%s lacks supportedOS %s" % (path, os_id))
    test.assertIn(b"Microsoft.Windows.Common-Controls", manifests[1])
    # Without a requested execution level Windows keeps treating setup.exe as an installer
    # and elevates it.
    test.assertNotIn(b"requestedExecutionLevel", data)


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
            check_imports(self, path, objdump)

    def test_manifest_and_version_resource(self):
        for path, _ in self.images:
            check_manifest(self, path)
            with open(path, "rb") as f:
                data = f.read()
            self.assertIn("VS_VERSION_INFO".encode("utf-16-le"), data)
            original = branding_of(os.path.dirname(path))["original_filename"]
            self.assertIn(original.encode("utf-16-le"), data)

    def test_version_strings_and_icon_are_the_builds_branding(self):
        for path, _ in self.images:
            check_branding(self, path, branding_of(os.path.dirname(path)))

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
