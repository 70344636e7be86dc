"""Builds real Windows Installer test media: small packages (with wixl and msibuild), language
and instance transforms, and packages with an embedded transform.

Wine cannot generate transforms (MsiDatabaseGenerateTransformW is a stub there), so transforms
are written directly as compound files in the installer's own table format: a string pool of
their own, one stream per changed table holding row records, and a summary stream that says
which package the transform is made for.

Every package records the properties it received at installation as registry values under
HKLM\\Software\\<registry_key> (value name = property name), so a test reads back what the
installer was given: `Package.read(prefix)["LANGMARK"]`.
"""

import os
import re
import shutil
import struct
import subprocess
import time
import uuid
from dataclasses import dataclass, field
from xml.sax.saxutils import quoteattr

import cfb

CLSID_MSI_DATABASE = uuid.UUID("000C1084-0000-0000-C000-000000000046")
CLSID_MSI_TRANSFORM = uuid.UUID("000C1082-0000-0000-C000-000000000046")
SUMMARY_STREAM = "\x05SummaryInformation"
_FMTID_SUMMARY = uuid.UUID("F29F85E0-4FF9-1068-AB91-08002B27B3D9")

# Transform validation flags: the upper word of the transform's Character Count summary
# property, as the Windows Installer documents it. Wine 8 reads them from the lower word
# instead, and only for transforms stored in the package; it applies a transform file
# beside the package without any validation.
VALIDATE_LANGUAGE = 0x0001
VALIDATE_PRODUCT = 0x0002
VALIDATE_PLATFORM = 0x0004
VALIDATE_MAJORVERSION = 0x0008
VALIDATE_MINORVERSION = 0x0010
VALIDATE_UPDATEVERSION = 0x0020
VALIDATE_NEWEQUALBASEVERSION = 0x0100
VALIDATE_UPGRADECODE = 0x0800
# What a transform generator asks for by default: the same product and upgrade code, and the
# very version the transform was made from, up to its update number.
VALIDATE_DEFAULT = (VALIDATE_PRODUCT | VALIDATE_UPGRADECODE | VALIDATE_UPDATEVERSION |
                    VALIDATE_NEWEQUALBASEVERSION)

# Error conditions a transform tells the installer to pass over (lower word).
ERROR_ADDEXISTINGROW = 0x0001
ERROR_DELMISSINGROW = 0x0002
ERROR_ADDEXISTINGTABLE = 0x0004
ERROR_DELMISSINGTABLE = 0x0008
ERROR_UPDATEMISSINGROW = 0x0010
ERROR_CHANGECODEPAGE = 0x0020

DEFAULT_RECORD = ("LANGMARK", "INSTANCEMARK", "COUNTRY")


# ---------------------------------------------------------------------------------------------
# Stream names


def _mime(c):
    if "0" <= c <= "9":
        return ord(c) - ord("0")
    if "A" <= c <= "Z":
        return ord(c) - ord("A") + 10
    if "a" <= c <= "z":
        return ord(c) - ord("a") + 36
    return {".": 62, "_": 63}.get(c)


_UNMIME = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._"


def encode_stream_name(name, table=False):
    """The compound-file name the installer uses for a stream: characters of [0-9A-Za-z._] are
    packed two to a code unit; a table's stream starts with U+4840."""
    out = ["\u4840"] if table else []
    i = 0
    while i < len(name):
        a = _mime(name[i])
        if a is None:
            out.append(name[i])
            i += 1
            continue
        b = _mime(name[i + 1]) if i + 1 < len(name) else None
        if b is None:
            out.append(chr(0x4800 + a))
            i += 1
        else:
            out.append(chr(0x3800 + a + (b << 6)))
            i += 2
    return "".join(out)


def decode_stream_name(encoded):
    """(name, is_table) for a compound-file stream name."""
    table = encoded.startswith("\u4840")
    out = []
    for ch in encoded[1:] if table else encoded:
        c = ord(ch)
        if 0x3800 <= c < 0x4800:
            c -= 0x3800
            out.append(_UNMIME[c & 0x3F] + _UNMIME[c >> 6])
        elif 0x4800 <= c < 0x4840:
            out.append(_UNMIME[c - 0x4800])
        else:
            out.append(ch)
    return "".join(out), table


# ---------------------------------------------------------------------------------------------
# String pool


def _python_codec(codepage):
    # Codepage 0 is the neutral one: only ASCII is safe in it.
    return "ascii" if codepage == 0 else "cp%d" % codepage


def read_string_pool(storage):
    """(codepage, [None, str1, str2, ...]) of a database or transform; index = string id."""
    pool = storage.streams[encode_stream_name("_StringPool", table=True)]
    data = storage.streams[encode_stream_name("_StringData", table=True)]
    codepage, flags = struct.unpack_from("<HH", pool, 0)
    if flags & 0x8000:
        raise ValueError("three-byte string references are not supported here")
    codepage |= flags << 16
    codec = _python_codec(codepage)
    strings, offset, i = [None], 0, 4
    while i + 4 <= len(pool):
        length, refs = struct.unpack_from("<HH", pool, i)
        i += 4
        if length == 0 and refs != 0:
            raise ValueError("strings of 64 KiB or more are not supported here")
        strings.append(data[offset:offset + length].decode(codec, errors="replace")
                       if length else None)
        offset += length
    return codepage, strings


class _PoolBuilder:
    def __init__(self, codepage):
        self.codepage = codepage
        self.codec = _python_codec(codepage)
        self.ids, self.items = {}, []

    def ref(self, text):
        if text is None:
            return 0
        if text == "":
            # A zero length with a non-zero count marks a long string in the pool.
            raise ValueError("an empty string cannot be stored")
        if text not in self.ids:
            self.items.append([text.encode(self.codec), 0])
            self.ids[text] = len(self.items)
        self.items[self.ids[text] - 1][1] += 1
        return self.ids[text]

    def streams(self):
        if len(self.items) >= 0x10000:
            raise ValueError("too many strings for two-byte string references")
        pool = bytearray(struct.pack("<HH", self.codepage & 0xFFFF, self.codepage >> 16))
        data = bytearray()
        for raw, refs in self.items:
            if len(raw) > 0xFFFF:
                raise ValueError("string too long for a test transform")
            pool += struct.pack("<HH", len(raw), min(refs, 0xFFFF))
            data += raw
        return {encode_stream_name("_StringPool", table=True): bytes(pool),
                encode_stream_name("_StringData", table=True): bytes(data)}


# ---------------------------------------------------------------------------------------------
# Summary information (a property set stream)

_VT_I2, _VT_I4, _VT_LPSTR, _VT_FILETIME = 2, 3, 30, 64

PID_CODEPAGE, PID_TITLE, PID_SUBJECT, PID_AUTHOR = 1, 2, 3, 4
PID_TEMPLATE, PID_LASTAUTHOR, PID_REVNUMBER = 7, 8, 9
PID_CREATE_DTM, PID_LASTSAVE_DTM = 12, 13
PID_PAGECOUNT, PID_WORDCOUNT, PID_CHARCOUNT, PID_APPNAME, PID_SECURITY = 14, 15, 16, 18, 19


def read_summary(storage):
    """{pid: value} of a storage's summary stream (texts as str, numbers as int)."""
    data = storage.streams.get(SUMMARY_STREAM)
    if not data:
        return {}
    (offset,) = struct.unpack_from("<I", data, 44)
    _size, count = struct.unpack_from("<II", data, offset)
    props = {}
    codepage = 1252
    entries = [struct.unpack_from("<II", data, offset + 8 + 8 * i) for i in range(count)]
    for pid, poff in entries:
        (vt,) = struct.unpack_from("<I", data, offset + poff)
        at = offset + poff + 4
        if vt == _VT_I2:
            props[pid] = struct.unpack_from("<h", data, at)[0]
        elif vt == _VT_I4:
            props[pid] = struct.unpack_from("<i", data, at)[0]
        elif vt == _VT_FILETIME:
            props[pid] = struct.unpack_from("<Q", data, at)[0]
        elif vt == _VT_LPSTR:
            (n,) = struct.unpack_from("<I", data, at)
            props[pid] = data[at + 4:at + 4 + n]
    if PID_CODEPAGE in props:
        codepage = props[PID_CODEPAGE] & 0xFFFF
    codec = "cp%d" % codepage if codepage not in (0, 65001) else "utf-8"
    for pid, value in props.items():
        if isinstance(value, bytes):
            props[pid] = value.split(b"\0", 1)[0].decode(codec, errors="replace")
    return props


def write_summary(props, codepage=1252):
    """The summary stream for {pid: value}; str values become VT_LPSTR, (vt, int) pairs keep
    their type, plain ints become VT_I4."""
    props = dict(props)
    props[PID_CODEPAGE] = (_VT_I2, codepage)
    body = []
    for pid in sorted(props):
        value = props[pid]
        if isinstance(value, str):
            raw = value.encode("cp%d" % codepage) + b"\0"
            raw = struct.pack("<II", _VT_LPSTR, len(raw)) + raw
        else:
            vt, number = value if isinstance(value, tuple) else (_VT_I4, value)
            if vt == _VT_I2:
                raw = struct.pack("<Ih", vt, number)
            elif vt == _VT_FILETIME:
                raw = struct.pack("<IQ", vt, number)
            else:
                raw = struct.pack("<Ii", vt, number)
        raw += b"\0" * (-len(raw) % 4)
        body.append((pid, raw))
    table_size = 8 + 8 * len(body)
    section = bytearray(struct.pack("<II", 0, len(body)))
    offset = table_size
    for pid, raw in body:
        section += struct.pack("<II", pid, offset)
        offset += len(raw)
    for _pid, raw in body:
        section += raw
    struct.pack_into("<I", section, 0, len(section))
    header = struct.pack("<HHI16sI", 0xFFFE, 0, 0x00020006, b"\0" * 16, 1)
    header += _FMTID_SUMMARY.bytes_le + struct.pack("<I", 48)
    return header + bytes(section)


def _filetime_now():
    return int((time.time() + 11644473600) * 10_000_000)


# ---------------------------------------------------------------------------------------------
# Reading a package


def read_table(storage, table, columns):
    """Rows of a table whose columns are all strings (such as Property), as lists of str.
    Tables are stored column by column, each cell a two-byte string id here."""
    codepage, strings = read_string_pool(storage)
    data = storage.streams.get(encode_stream_name(table, table=True), b"")
    width = 2 * columns
    rows = len(data) // width
    cells = struct.unpack("<%dH" % (rows * columns), data[:rows * width])
    return [[strings[cells[c * rows + r]] if cells[c * rows + r] else None
             for c in range(columns)] for r in range(rows)]


def read_properties(msi):
    """{name: value} of a package's Property table; `msi` is a path or a cfb.Storage."""
    storage = cfb.read_file(msi) if isinstance(msi, str) else msi
    return {name: value for name, value in read_table(storage, "Property", 2)}


def _language_of(template):
    # "Intel;1033" -> ("Intel", "1033")
    platform, _, languages = (template or "Intel;1033").partition(";")
    return platform or "Intel", languages or "0"


# ---------------------------------------------------------------------------------------------
# Transforms


def write_transform(path, base_msi, changes, language=None, validation=0, error_conditions=0,
                    product_code_to=None, version_to=None, upgrade_code=None):
    """Writes a transform of the package `base_msi` to `path`.

    `changes` maps Property names to new values: a name the package has is updated, a new name
    is added. A change of ProductCode or ProductVersion is also written into the summary's
    revision text, as a transform generator does. (Deleting rows is left out: Wine 8 still
    gives the package a deleted property's base value, so no test could see it.)

    The summary says the transform is made for the base package's platform and language
    (Template) and gives `language` as the language after it (LastAuthor; default: the
    ProductLanguage in `changes`, else the base's). `validation` (VALIDATE_* flags) and
    `error_conditions` (ERROR_* flags to pass over) go into the Character Count property.
    `product_code_to`, `version_to` and `upgrade_code` override what goes into the revision
    text, e.g. to make a transform that claims to be for another product.
    """
    base = cfb.read_file(base_msi)
    props = read_properties(base)
    summary = read_summary(base)
    codepage, _ = read_string_pool(base)
    platform, base_language = _language_of(summary.get(PID_TEMPLATE))

    pool = _PoolBuilder(codepage)
    rows = bytearray()
    for name, value in changes.items():
        if not value:
            raise ValueError("property %s: a Property row needs a value" % name)
        if name in props:
            rows += struct.pack("<HHH", 0x0002, pool.ref(name), pool.ref(value))  # Value only
        else:
            rows += struct.pack("<HHH", 0x0201, pool.ref(name), pool.ref(value))  # new row

    code_from = props.get("ProductCode", "")
    version_from = props.get("ProductVersion", "")
    code_to = product_code_to or changes.get("ProductCode") or code_from
    ver_to = version_to or changes.get("ProductVersion") or version_from
    upgrade = upgrade_code if upgrade_code is not None else props.get("UpgradeCode", "")
    language_to = language or changes.get("ProductLanguage") or base_language
    now = _filetime_now()

    root = cfb.Storage(CLSID_MSI_TRANSFORM)
    root.streams.update(pool.streams())
    if rows:
        root.streams[encode_stream_name("Property", table=True)] = bytes(rows)
    root.streams[SUMMARY_STREAM] = write_summary({
        PID_TITLE: "Transform",
        PID_TEMPLATE: "%s;%s" % (platform, base_language),
        PID_LASTAUTHOR: "%s;%s" % (platform, language_to),
        PID_REVNUMBER: "%s%s;%s%s;%s" % (code_from, version_from, code_to, ver_to, upgrade),
        PID_CREATE_DTM: (_VT_FILETIME, now),
        PID_LASTSAVE_DTM: (_VT_FILETIME, now),
        PID_PAGECOUNT: summary.get(PID_PAGECOUNT, 200),
        PID_CHARCOUNT: ((validation & 0xFFFF) << 16) | (error_conditions & 0xFFFF),
        PID_APPNAME: "setup launcher tests",
    })
    cfb.write_file(path, root)
    return path


def embed_transform(msi_path, mst_path, name):
    """Stores the transform `mst_path` in the package as the substorage `name` (what
    INSERT INTO _Storages does), so TRANSFORMS=:<name> applies it. The package is rewritten
    whole: every stream, the class id and the summary stay as they were."""
    package = cfb.read_file(msi_path)
    transform = cfb.read_file(mst_path)
    if transform.clsid != CLSID_MSI_TRANSFORM:
        raise ValueError("%s is not a transform" % mst_path)
    package.storages[name] = transform
    tmp = msi_path + ".tmp"
    cfb.write_file(tmp, package)
    os.replace(tmp, msi_path)
    return msi_path


# ---------------------------------------------------------------------------------------------
# Packages


@dataclass
class Package:
    path: str
    product_code: str
    version: str
    upgrade_code: str
    registry_key: str
    language: int
    platform: str
    properties: dict = field(default_factory=dict)
    record: tuple = ()

    @property
    def folder(self):
        return os.path.dirname(self.path)

    @property
    def file_name(self):
        return os.path.basename(self.path)

    @property
    def key(self):
        return "HKLM\\Software\\" + self.registry_key

    @property
    def arch(self):
        """The Windows the package is made for: "64" (x64) or "32" (x86)."""
        return "64" if self.platform == "x64" else "32"

    def read(self, prefix):
        """{property: value} the installed package recorded in `prefix` (a wine.Prefix);
        a property not written (package not installed, or not recorded) is absent, one that
        was empty at installation reads as ""."""
        return read_recorded(prefix, self.key, self.arch)

    def registered(self, prefix):
        """Whether the Windows Installer of `prefix` lists the package's product as installed."""
        return registered(prefix, self.product_code, self.arch)

    def transform(self, path, changes, **kwargs):
        """write_transform() with this package as the base."""
        return write_transform(path, self.path, changes, **kwargs)


def run_wine(prefix, args, cwd=None, timeout=120):
    """Runs a Wine program in `prefix` (a wine.Prefix); (exit code, stdout text)."""
    proc = prefix.wine(args, timeout=timeout, cwd=cwd)
    return proc.returncode, proc.stdout.decode("utf-8", errors="replace")


def msiexec(prefix, args, cwd=None, timeout=120):
    """msiexec with `args` (e.g. ["/i", "pkg.msi", "TRANSFORMS=1049.mst", "/qn"]); the exit
    code, which is the installer's result."""
    return run_wine(prefix, ["msiexec"] + list(args), cwd=cwd, timeout=timeout)[0]


def read_recorded(prefix, key, arch="32"):
    """{value name: data} of the string values under `key` as programs for 32- or 64-bit
    Windows see them; {} when the key is missing."""
    _code, out = run_wine(prefix, ["reg", "query", key] + prefix.reg_view(arch))
    values = {}
    for line in out.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[1] == "REG_SZ":
            values[parts[0]] = parts[2] if len(parts) == 3 else ""
    return values


def registered(prefix, product_code, arch="32"):
    """Whether the Windows Installer of `prefix` lists the product (installed by a package for
    32- or 64-bit Windows) among the installed programs."""
    key = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + product_code
    code, out = run_wine(prefix, ["reg", "query", key] + prefix.reg_view(arch))
    return code == 0 and "DisplayName" in out


def _guid(*parts):
    return "{%s}" % str(uuid.uuid5(uuid.NAMESPACE_URL, "vorta:" + ":".join(parts))).upper()


_PROPERTY_NAME = re.compile(r"^[A-Za-z_][A-Za-z0-9_.]*$")


def build_package(folder, name, product_code, version, upgrade_code=None, properties=None,
                  record=DEFAULT_RECORD, vorta_version="1.2.3.4", language=1033,
                  registry_key=None, platform="x86", manufacturer="Vorta Test",
                  package_code=None, payload=None, installer_version=200):
    """Builds `folder`/`name` (".msi" added when missing): a per-machine package that
    installs vorta.dll (bytes `payload`; File row "vorta.dll" with Version `vorta_version`,
    None leaves it unversioned) and needs Windows Installer `installer_version` (major * 100 +
    minor, the package's schema) and writes each property named in `record` to a registry
    value of the same name under HKLM\\Software\\`registry_key` (default "VortaTest\\<name>").

    `properties` become Property rows; LANGMARK defaults to "en", so a language transform that
    changes it shows which language was installed. Returns a Package."""
    os.makedirs(folder, exist_ok=True)
    if not name.lower().endswith(".msi"):
        name += ".msi"
    stem = name[:-4]
    path = os.path.join(folder, name)
    upgrade_code = upgrade_code or _guid("upgrade", product_code)
    registry_key = registry_key or "VortaTest\\" + stem
    props = {"LANGMARK": "en"}
    props.update(properties or {})
    for p in list(props) + list(record):
        if not _PROPERTY_NAME.match(p):
            raise ValueError("bad property name %r" % p)

    work = os.path.join(folder, ".%s.build" % stem)
    os.makedirs(work, exist_ok=True)
    with open(os.path.join(work, "vorta.dll"), "wb") as f:
        f.write(payload if payload is not None else b"vorta test payload " + stem.encode())

    def attr(value):
        return quoteattr(str(value))

    values = "\n".join(
        '            <RegistryValue Root="HKLM" Key=%s Name=%s Value=%s Type="string"/>'
        % (attr("Software\\" + registry_key), attr(p), attr("[%s]" % p)) for p in record)
    prop_rows = "\n".join('    <Property Id=%s Value=%s/>' % (attr(k), attr(v))
                          for k, v in props.items())
    wxs = """<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id={pc} Name={pname} Language="{lang}" Version={ver} Manufacturer={man}
           UpgradeCode={uc}>
    <Package Id={pkg} InstallerVersion="{iv}" Compressed="yes" InstallScope="perMachine"
             Languages="{lang}"/>
    <Media Id="1" Cabinet="vorta.cab" EmbedCab="yes"/>
{props}
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="{pfdir}">
        <Directory Id="INSTALLDIR" Name={dirname}>
          <Component Id="Main" Guid={cg}{win64}>
            <File Id="vorta.dll" Name="vorta.dll" Source={src} KeyPath="yes"/>
{values}
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Main" Level="1"><ComponentRef Id="Main"/></Feature>
  </Product>
</Wix>
""".format(pc=attr(product_code), pname=attr("Vorta Test " + stem), lang=int(language),
           ver=attr(version), man=attr(manufacturer), uc=attr(upgrade_code),
           pkg=attr(package_code or "*"), iv=int(installer_version), props=prop_rows,
           pfdir="ProgramFiles64Folder" if platform == "x64" else "ProgramFilesFolder",
           dirname=attr("Vorta " + stem), cg=attr(_guid("component", product_code, stem)),
           win64=' Win64="yes"' if platform == "x64" else "", src=attr("vorta.dll"), values=values)
    wxs_path = os.path.join(work, stem + ".wxs")
    with open(wxs_path, "w", encoding="utf-8") as f:
        f.write(wxs)
    _run(["wixl", "-a", platform, "-o", os.path.abspath(path), stem + ".wxs"], cwd=work)
    _set_template_language(path, int(language))
    if vorta_version is not None:
        _run(["msibuild", path, "-q",
              "UPDATE `File` SET `Version` = '%s' WHERE `File` = 'vorta.dll'" % vorta_version])
        _run(["msibuild", path, "-q", "DELETE FROM `MsiFileHash` WHERE `File_` = 'vorta.dll'"])
    shutil.rmtree(work, ignore_errors=True)
    return Package(path=path, product_code=product_code, version=version,
                   upgrade_code=upgrade_code, registry_key=registry_key, language=int(language),
                   platform=platform, properties=props, record=tuple(record))


def _set_template_language(path, language):
    """wixl writes 1033 into the package's Template whatever its Languages say; a package in
    another language names its own there, as other authoring tools write it."""
    platform, current = _language_of(read_summary(cfb.read_file(path)).get(PID_TEMPLATE))
    if current != str(language):
        set_template(path, "%s;%d" % (platform, language))


def set_template(path, template):
    """Writes `template` ("Arm64;1033": the platform and languages) into the package's summary,
    keeping its other values."""
    summary = read_summary(cfb.read_file(path))
    _run(["msibuild", path, "-s", summary.get(PID_SUBJECT, ""), summary.get(PID_AUTHOR, ""),
          template, summary.get(PID_REVNUMBER, "")])


def set_package_code(path, code):
    """Writes `code` as the package code (the summary's revision number), keeping its other
    values."""
    summary = read_summary(cfb.read_file(path))
    _run(["msibuild", path, "-s", summary.get(PID_SUBJECT, ""), summary.get(PID_AUTHOR, ""),
          summary.get(PID_TEMPLATE, ""), code])


def package_code(path):
    """The package code (the summary's revision number) of the package at `path`."""
    return read_summary(cfb.read_file(path))[PID_REVNUMBER]


def add_action(path, action, sequence, condition="", table="InstallExecuteSequence"):
    """Adds the standard action `action` to a sequence table of the package at `path`."""
    _run(["msibuild", path, "-q", "INSERT INTO `%s` (`Action`, `Condition`, `Sequence`) "
          "VALUES ('%s', '%s', %d)" % (table, action, condition, sequence)])


def _run(args, cwd=None):
    proc = subprocess.run(args, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=60)
    if proc.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (args[0], proc.returncode,
                                                    proc.stderr.decode(errors="replace")))
    return proc
