"""Stand-ins for the launcher's image on a medium, for the tests that check a medium without a
Windows build: a minimal PE file (headers, one resource section with a version resource and
nothing to run) whose machine, subsystem and version strings a test chooses. setup-check reads
them as it reads the real setup.exe; no Windows starts them.

    write_launcher(os.path.join(folder, "setup.exe"))                # the launcher of this source
    write_launcher(path, machine=MACHINE_AMD64)                        # a 64-bit build
    write_launcher(path, strings={"FileDescription": "Vorta Office"})  # branded
"""

import os
import re
import struct

MACHINE_I386 = 0x014C
MACHINE_AMD64 = 0x8664
SUBSYSTEM_GUI = 2

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))


def project_version():
    """The project's version as CMakeLists.txt states it: the version of the launcher's code."""
    with open(os.path.join(SOURCE_DIR, "CMakeLists.txt"), encoding="utf-8") as f:
        return re.search(r"project\(\w+ VERSION ([0-9.]+)", f.read()).group(1)


def default_strings():
    """The string table of an unbranded build of this source."""
    version = project_version()
    return {"FileDescription": "Setup launcher for Windows Installer packages",
            "FileVersion": version, "InternalName": "setup", "OriginalFilename": "setup.exe",
            "ProductName": "Setup Launcher", "ProductVersion": version,
            "LauncherVersion": version}


def _pad(data):
    return data + b"\0" * (-len(data) % 4)


def _node(key, value=b"", children=(), text=False):
    """One node of a version resource: length, value length, type, key, value, children."""
    head = _pad(struct.pack("<HHH", 0, 0, 0) + (key + "\0").encode("utf-16-le"))
    body = _pad(head + value) + b"".join(_pad(c) for c in children)
    value_length = len(value) // 2 if text else len(value)
    return struct.pack("<HHH", len(body), value_length, 1 if text else 0) + body[6:]


def version_resource(strings, version):
    numbers = [int(n) for n in version.split(".")] + [0, 0, 0]
    high, low = numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3]
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x10000, high, low, high, low, 0x3F, 0, 0x40004,
                        1, 0, 0, 0)
    entries = [_node(k, (v + "\0").encode("utf-16-le"), text=True) for k, v in strings.items()]
    table = _node("040904b0", children=entries)
    return _node("VS_VERSION_INFO", fixed, [_node("StringFileInfo", children=[table])])


def launcher_image(machine=MACHINE_I386, subsystem=SUBSYSTEM_GUI, strings=None, version=None,
                   dll=False):
    """The bytes of a stand-in image; `strings` None gives an unbranded build's, {} none."""
    strings = default_strings() if strings is None else strings
    version = version or project_version()
    plus = machine in (MACHINE_AMD64, 0xAA64)
    block = version_resource(strings, version)
    # The resource section: three directory levels (type, name, language), one data entry.
    rva = 0x1000
    directory = b""
    for level, (entry_id, target) in enumerate(((16, 0x18), (1, 0x30), (0x409, 0x48))):
        flag = 0x80000000 if level < 2 else 0
        directory += struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1) + struct.pack(
            "<II", entry_id, target | flag)
    directory += struct.pack("<IIII", rva + 0x58, len(block), 0, 0)
    rsrc = directory + b"\0" * (0x58 - len(directory)) + block
    raw_size = (len(rsrc) + 0x1FF) & ~0x1FF
    optional_size = 240 if plus else 224
    coff = struct.pack("<HHIIIHH", machine, 1, 0, 0, 0, optional_size,
                       0x0002 | (0x2000 if dll else 0) | (0 if plus else 0x0100))
    optional = bytearray(optional_size)
    struct.pack_into("<H", optional, 0, 0x20B if plus else 0x10B)
    struct.pack_into("<II", optional, 32, 0x1000, 0x200)  # section and file alignment
    struct.pack_into("<II", optional, 56, 0x1000 + ((len(rsrc) + 0xFFF) & ~0xFFF), 0x200)
    struct.pack_into("<H", optional, 68, subsystem)
    directories = 112 if plus else 96
    struct.pack_into("<I", optional, directories - 4, 16)
    struct.pack_into("<II", optional, directories + 16, rva, len(rsrc))
    section = struct.pack("<8sIIIIIIHHI", b".rsrc", len(rsrc), rva, raw_size, 0x200, 0, 0, 0, 0,
                          0x40000040)
    dos = bytearray(0x40)
    dos[0:2] = b"MZ"
    struct.pack_into("<I", dos, 0x3C, 0x40)
    headers = bytes(dos) + b"PE\0\0" + coff + bytes(optional) + section
    return headers + b"\0" * (0x200 - len(headers)) + rsrc + b"\0" * (raw_size - len(rsrc))


def write_launcher(path, **options):
    """Writes launcher_image(**options) to `path`, making its folder."""
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "wb") as f:
        f.write(launcher_image(**options))
