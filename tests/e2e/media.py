"""The media of the end-to-end tests, written once for every suite: Setup.ini, the launcher's
usage text as it must write it, what the recording msi.dll answers for the media's package,
and a medium folder with setup.exe on drive C of a Wine prefix.

Text files get CR LF line ends, as a medium made on Windows has, wherever a test does not
write other bytes on purpose.
"""

import atexit
import itertools
import os
import shutil
import tempfile

import msi_media
import stub_msi
import wine

EN, RU, UK = "en_US.UTF-8", "ru_RU.UTF-8", "uk_UA.UTF-8"

PRODUCT = "{3A9C61D2-7B4E-4F08-9D15-C2E8A0B47F31}"
INSTANCE = "{3A9C61D2-7B4E-4F08-9D15-C2E8A0B47F32}"
VERSION = "2.5.1"

# The usage text byte for byte, in the one file the tests of every layer compare with.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "expected",
                       "usage.txt"), encoding="utf-8", newline="") as _usage:
    USAGE = _usage.read()

# Windows versions as requirement sections give them.
XP_SP3 = {"MajorVer": 5, "MinorVer": 1, "BuildNo": 2600, "ServicePack": 768}
WINDOWS_7 = {"MajorVer": 6, "MinorVer": 1, "BuildNo": 7600}

# Wine loads a native msi.dll found along the search path before its built-in one only with
# this setting, so a test of planted DLLs runs with it.
PLANTED_OVERRIDES = "msi=n,b;mscoree,mshtml="

# The stand-in's answers for the media's package, so the launcher's inspection reads it whole
# (product code, version, key file) and goes on to the instance description beside it.
PACKAGE_ANSWERS = {
    "summary.7": "Intel;1033",
    "summary.9": "{5D0C7A33-0000-4000-8000-000000000001}",
    "property.ProductCode": PRODUCT,
    "property.ProductVersion": VERSION,
    "file.vorta.dll": "1.2.3.4",
}


_built = {}


def write_package(folder, location="product.msi", transforms=(), instance=False):
    """Puts a real package at `location` under `folder` (backslashes between subfolders), with
    the identity PACKAGE_ANSWERS gives, and beside the launcher the language `transforms`
    ("1049.mst") made from it; with `instance`, the package stores the transform of the
    instance instances_ini() names. setup-check reads these files as the stand-in answers for
    them. Each is built once per process."""
    key = "instance" if instance else "plain"
    if key not in _built:
        work = tempfile.mkdtemp(prefix="media-package-")
        atexit.register(shutil.rmtree, work, True)
        package = msi_media.build_package(work, "product", PRODUCT, VERSION,
                                          package_code=PACKAGE_ANSWERS["summary.9"],
                                          vorta_version=PACKAGE_ANSWERS["file.vorta.dll"])
        for language in ("1049", "1058"):
            package.transform(os.path.join(work, language + ".mst"),
                              {"ProductLanguage": language},
                              validation=msi_media.VALIDATE_DEFAULT)
        if instance:
            stored = os.path.join(work, "Inst2.mst")
            package.transform(stored, {"LANGMARK": "inst2"})
            msi_media.embed_transform(package.path, stored, "Inst2.mst")
        _built[key] = work
    target = os.path.join(folder, *location.split("\\"))
    os.makedirs(os.path.dirname(target), exist_ok=True)
    shutil.copyfile(os.path.join(_built[key], "product.msi"), target)
    for name in transforms:
        shutil.copyfile(os.path.join(_built[key], name), os.path.join(folder, name))


def installed(product_code, version=VERSION):
    """The stand-in's answers for a product installed in `version`."""
    return {"product.%s.InstallLocation" % product_code: "C:\\Program Files\\Vorta",
            "product.%s.VersionString" % product_code: version}


def crlf(lines):
    return "".join(line + "\r\n" for line in lines)


def setup_ini_lines(*windows, product=PRODUCT, version=VERSION, location="product.msi",
                    cmdline="REBOOT=ReallySuppress", name=None):
    """The lines of a Setup.ini for the package at `location`. Each of `windows` is one
    accepted Windows version: a requirement ({"MajorVer": 6, ...}) in a section named OS<n>,
    or a (section name, requirement) pair; without any, Windows 7 and later. `cmdline=None`
    leaves CmdLine out; `name` gives the Product key."""
    sections = [w if isinstance(w, tuple) else ("OS%d" % i, w) for i, w in enumerate(windows)]
    sections = sections or [("W7", WINDOWS_7)]
    lines = ["[Startup]"] + (["Product=" + name] if name else [])
    lines += ["ProductCode=" + product, "ProductVersion=" + version, "PackageName=Package"]
    lines += [] if cmdline is None else ["CmdLine=" + cmdline]
    lines += ["", "[Package]", "Location=" + location, "", "[MsiVersion]", "3.1=Windows",
              "", "[Windows]"] + ["%s=1" % section for section, _ in sections]
    for section, requirement in sections:
        lines += ["", "[%s]" % section] + ["%s=%s" % item for item in requirement.items()]
    return lines


def setup_ini(*windows, **settings):
    """setup_ini_lines() as the text of a file made on Windows."""
    return crlf(setup_ini_lines(*windows, **settings))


def instances_ini(product_code=INSTANCE, name="Inst2"):
    """The setup.ini beside a package that names one instance of its product."""
    return crlf(["[Instances]", "count=1", "1=" + name, "[%s]" % name,
                 "ProductCode=" + product_code])


def write(path, data, encoding="utf-8"):
    """Writes `data`: bytes as they are, text in `encoding` (utf-8-sig: UTF-8 with a
    byte-order mark; utf-16: UTF-16LE with one). Missing folders are made."""
    if isinstance(data, str):
        data = (b"\xff\xfe" + data.encode("utf-16-le") if encoding == "utf-16"
                else data.encode(encoding))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


_prefixes = {}
_folders = itertools.count(1)


def shared_prefix(windows_version="win10", locale=EN, stub=True):
    """(prefix, stand-in) of this Windows version and locale, made on first use and kept until
    the process ends. With `stub` the recording msi.dll answers for the Windows Installer;
    without, the stand-in is None and Wine's own installer answers."""
    key = (windows_version, locale, stub)
    if key not in _prefixes:
        prefix = wine.Prefix(locale=locale, windows_version=windows_version)
        try:
            _prefixes[key] = (prefix, stub_msi.StubMsi(prefix) if stub else None)
        except BaseException:
            prefix.close()
            raise
    return _prefixes[key]


@atexit.register
def _close_shared_prefixes():
    while _prefixes:
        _prefixes.popitem()[1][0].close()


class Medium:
    """setup.exe (or `exe`) as setup.exe in a folder of its own on drive C (`folder`, with
    backslashes between subfolders), a stand-in product.msi (`package=None` leaves it out)
    and whatever files a test writes. It lies in a shared prefix (shared_prefix) unless
    `prefix` names one; there no stand-in answers."""

    def __init__(self, windows_version="win10", locale=EN, stub=True, folder=None, exe=None,
                 package=b"stands in for the package", prefix=None):
        self.prefix, self.stub = ((prefix, None) if prefix
                                  else shared_prefix(windows_version, locale, stub))
        folder = folder or "media%d" % next(_folders)
        self.path = self.prefix.drive_c(*folder.split("\\"))
        os.makedirs(self.path)
        self.windows = "C:\\" + folder
        self.exe = os.path.join(self.path, "setup.exe")
        shutil.copyfile(exe or wine.build_file("setup.exe"), self.exe)
        if package is not None:
            self.write("product.msi", package)

    def write(self, name, data, encoding="utf-8-sig"):
        """write() beside setup.exe; text goes in UTF-8 with a byte-order mark by default."""
        write(os.path.join(self.path, name), data, encoding)

    def command_line(self, args=""):
        return '"%s\\setup.exe"%s' % (self.windows, " " + args if args else "")

    def run(self, args="", script=None, timeout=60, cwd=None):
        """Runs setup.exe with `args`; the stand-in, if any, with its log cleared and `script`
        ({key: value}) as its answers."""
        env = None
        if self.stub:
            self.stub.clear_log()
            self.stub.write_script(script or {})
            env = self.stub.env()
        return self.prefix.run(self.exe, self.command_line(args), timeout=timeout,
                               extra_env=env, cwd=cwd)
