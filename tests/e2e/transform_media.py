"""The media of the transform tests, in one table that every layer checking them shares: real
packages built with wixl, transforms written as the suite writes them (msi_media), and for
each medium the machine it is checked on and what setup-check must find there. The native
tests state the expectations (tests/check/test_transforms.py); the Windows build under Wine is
held to the native build's report on the same media (test_check_transforms.py).

    folder = transform_media.build(case, parent_folder)
"""

import os
import shutil
import struct
import tempfile
import atexit
from dataclasses import dataclass, field

import cfb
import media
import msi_media

PRODUCT = "{6C3F8E2A-1D4B-4C5E-9F70-1122334400A1}"
INSTANCE = "{6C3F8E2A-1D4B-4C5E-9F70-1122334400A2}"
VERSION = "2.0.0"
TRANSFORM_FAILURE = 1624  # ERROR_INSTALL_TRANSFORM_FAILURE


@dataclass
class Case:
    name: str
    transforms: dict          # file name beside the launcher -> how it is made (below)
    instance: bool = False    # the package stores :Inst2.mst, and data\setup.ini names it
    profile: str = "win7-sp1-ru"
    settings: dict = field(default_factory=dict)
    # What setup-check finds: the transform the case is about, whether it applies, what it
    # changes (kind, table, row key, column, from, to), the error conditions it suppresses,
    # the product installed ({field: (value, source)}) and the run's exit code. Changes
    # left None are another case's to state.
    transform: str = "1049.mst"
    applies: bool = True
    changes: list = None
    suppresses: list = field(default_factory=list)
    installs: dict = field(default_factory=dict)
    exit_code: int = 0


LANGUAGE_CHANGES = [("value_changed", "Property", ["LANGMARK"], "Value", "en", "ru"),
                    ("value_changed", "Property", ["ProductLanguage"], "Value", "1033", "1049")]

CASES = [
    Case("language transform", {"1049.mst": "russian"}, changes=LANGUAGE_CHANGES,
         installs={"product_code": (PRODUCT, "package"),
                   "product_language": ("1049", "package + 1049.mst")}),
    # The instance is installed, so the launcher hands over its stored transform first; what
    # gets installed is the instance's product, not the package's.
    Case("instance transform", {"1049.mst": "russian"}, instance=True,
         settings={"installed." + INSTANCE: VERSION}, transform=":Inst2.mst",
         changes=[("row_added", "Property", ["INSTANCEMARK"], None, None, None),
                  ("value_changed", "Property", ["ProductCode"], "Value", PRODUCT, INSTANCE)],
         installs={"product_code": (INSTANCE, "package + :Inst2.mst"),
                   "product_language": ("1049", "package + 1049.mst")}),
    # Another version of the package's own product is installed too: the installation is of
    # the instance, so no 1638.
    Case("instance transform beside another version", {"1049.mst": "russian"}, instance=True,
         settings={"installed." + INSTANCE: VERSION, "installed." + PRODUCT: "1.9.0"},
         transform=":Inst2.mst",
         installs={"product_code": (INSTANCE, "package + :Inst2.mst")}),
    # A value the profile sets stands for the package's, whatever the transforms make of it.
    Case("the profile's version", {"1049.mst": "russian"},
         settings={"package_version": "7.0.0"},
         installs={"product_version": ("7.0.0", "profile")}),
    # A transform made from last year's package updates a Property row this package lacks.
    # Neither libmsi nor Wine's msi.dll checks that error condition: the row is added.
    Case("update of a missing row", {"1049.mst": "from last year"},
         changes=[("row_added", "Property", ["OLDPROP"], None, None, None)]),
    Case("update of a missing row, suppressed", {"1049.mst": "from last year, suppressed"},
         changes=[("row_added", "Property", ["OLDPROP"], None, None, None)],
         suppresses=["update_missing_row"]),
    Case("damaged transform", {"1049.mst": "damaged"}, applies=False, changes=[],
         exit_code=TRANSFORM_FAILURE),
]

_packages = {}


def _package(kind):
    """The packages the media are made of, each built once per process: the product (with
    the instance transform stored, for "instance"), and last year's with a property more."""
    if kind not in _packages:
        work = tempfile.mkdtemp(prefix="transform-media-")
        atexit.register(shutil.rmtree, work, True)
        properties = {"OLDPROP": "old"} if kind == "last year" else None
        package = msi_media.build_package(work, "product", PRODUCT, VERSION,
                                          properties=properties,
                                          upgrade_code="{9D0C1B2A-0000-4000-8000-00000000AAA1}")
        if kind == "instance":
            stored = os.path.join(work, "Inst2.mst")
            package.transform(stored, {"ProductCode": INSTANCE, "INSTANCEMARK": "inst2"})
            msi_media.embed_transform(package.path, stored, "Inst2.mst")
        _packages[kind] = package
    return _packages[kind]


def _write_transform(path, how):
    if how == "russian":
        _package("plain").transform(path, {"LANGMARK": "ru", "ProductLanguage": "1049"},
                                    validation=msi_media.VALIDATE_DEFAULT)
    elif how.startswith("from last year"):
        conditions = msi_media.ERROR_UPDATEMISSINGROW if how.endswith("suppressed") else 0
        _package("last year").transform(path, {"OLDPROP": "new"},
                                        error_conditions=conditions)
    elif how == "damaged":
        # A transform without its string pool: no engine can read its rows.
        _package("plain").transform(path, {"ProductLanguage": "1049"})
        storage = cfb.read_file(path)
        del storage.streams[msi_media.encode_stream_name("_StringPool", table=True)]
        cfb.write_file(path, storage)
    else:
        raise ValueError(how)


def build(case, parent):
    """The medium of `case` in a new folder under `parent`: Setup.ini, English, Russian and
    Ukrainian message files, the package (in data\\ with its setup.ini for an instance) and
    the transforms beside the launcher, where it looks, and beside the package, where the
    installer does."""
    folder = os.path.join(parent, case.name.replace(" ", "-").replace(",", ""))
    location = "data\\product.msi" if case.instance else "product.msi"
    media.write(os.path.join(folder, "Setup.ini"),
                media.setup_ini(product=PRODUCT, version=VERSION, location=location))
    for language in ("0x0409", "0x0419", "0x0422"):
        media.write(os.path.join(folder, language + ".ini"), "[%s]\r\n1150=-\r\n" % language)
    target = os.path.join(folder, *location.split("\\"))
    os.makedirs(os.path.dirname(target), exist_ok=True)
    shutil.copyfile(_package("instance" if case.instance else "plain").path, target)
    if case.instance:
        media.write(os.path.join(folder, "data", "setup.ini"), media.instances_ini(INSTANCE))
    for name, how in case.transforms.items():
        _write_transform(os.path.join(folder, name), how)
        if case.instance:
            shutil.copyfile(os.path.join(folder, name), os.path.join(folder, "data", name))
    return folder


def arguments(case):
    """setup-check's options for the machine of `case`."""
    options = ["--profile", case.profile]
    for key, value in case.settings.items():
        options += ["--set", "%s=%s" % (key, value)]
    return options
