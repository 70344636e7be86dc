"""The test media are what the end-to-end tests stand on: packages with the identity the launcher
inspects, language transforms beside the package and instance transforms inside it. These
tests check them with msitools' own reader and by installing them under 64-bit Wine."""

import os
import random
import shutil
import subprocess
import tempfile
import unittest

import cfb
import msi_media
import wine

PRODUCT = "{5E0C1D2A-7A4B-4C1E-9C55-2B8E4A0F1001}"
INSTANCE = "{5E0C1D2A-7A4B-4C1E-9C55-2B8E4A0F1002}"
UPGRADE = "{5E0C1D2A-7A4B-4C1E-9C55-2B8E4A0F10FF}"
TIMEOUT = 120


def msiinfo(*args):
    return subprocess.run(["msiinfo"] + list(args), stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, check=True, timeout=60).stdout.decode()


def export(msi, table):
    """Rows of `table` as msitools exports them (after the three header lines)."""
    return [line.split("\t") for line in msiinfo("export", msi, table).splitlines()[3:]]


def suminfo(path):
    out = {}
    for line in msiinfo("suminfo", path).splitlines():
        key, _, value = line.partition(": ")
        out[key] = value
    return out


def make_media(folder):
    """The base package, a Russian transform beside it, and the same package with the
    instance transform Inst2.mst stored inside."""
    record = msi_media.DEFAULT_RECORD + ("SETUPEXEDIR", "A")
    pkg = msi_media.build_package(folder, "vorta", PRODUCT, "2.5.1.300", upgrade_code=UPGRADE,
                                  record=record)
    pkg.transform(os.path.join(folder, "1049.mst"), {"LANGMARK": "ru", "A": "from-1049"},
                  language=1049, validation=msi_media.VALIDATE_PRODUCT)
    inst_folder = os.path.join(folder, "instanced")
    inst = msi_media.build_package(inst_folder, "vorta", PRODUCT, "2.5.1.300",
                                   upgrade_code=UPGRADE, record=record,
                                   registry_key=pkg.registry_key)
    mst = os.path.join(folder, "Inst2.mst")
    inst.transform(mst, {"ProductCode": INSTANCE, "INSTANCEMARK": "Inst2"})
    msi_media.embed_transform(inst.path, mst, "Inst2.mst")
    shutil.copy(os.path.join(folder, "1049.mst"), inst_folder)
    return pkg, inst


class MediaFormatTest(unittest.TestCase):
    """What msitools reads back from the media, without installing anything."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="msi-media-")
        cls.pkg, cls.inst = make_media(cls.tmp)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_package_has_the_identity_the_inspection_reads(self):
        props = dict(export(self.pkg.path, "Property"))
        self.assertEqual(props["ProductCode"], PRODUCT)
        self.assertEqual(props["ProductVersion"], "2.5.1.300")
        self.assertEqual(props["UpgradeCode"], UPGRADE)
        self.assertEqual(props["LANGMARK"], "en")
        files = {row[0]: row for row in export(self.pkg.path, "File")}
        self.assertEqual(files["vorta.dll"][4], "1.2.3.4")
        # A versioned file must not keep a hash row.
        self.assertEqual(export(self.pkg.path, "MsiFileHash"), [])
        info = suminfo(self.pkg.path)
        self.assertEqual(info["Template"], "Intel;1033")
        self.assertRegex(info["Revision number (UUID)"], r"^\{[0-9A-F-]{36}\}$")

    def test_transform_summary_names_base_and_result(self):
        info = suminfo(os.path.join(self.tmp, "1049.mst"))
        self.assertEqual(info["Title"], "Transform")
        self.assertEqual(info["Template"], "Intel;1033")
        self.assertEqual(info["Last author"], "Intel;1049")
        self.assertEqual(info["Revision number (UUID)"],
                         "%s2.5.1.300;%s2.5.1.300;%s" % (PRODUCT, PRODUCT, UPGRADE))
        stg = cfb.read_file(os.path.join(self.tmp, "1049.mst"))
        self.assertEqual(stg.clsid, msi_media.CLSID_MSI_TRANSFORM)
        # Validation flags belong in the upper word, as documented, even though Wine 8 looks
        # for them in the lower one.
        count = msi_media.read_summary(stg)[msi_media.PID_CHARCOUNT]
        self.assertEqual(count >> 16, msi_media.VALIDATE_PRODUCT)

    def test_instance_transform_revision_names_the_new_product(self):
        info = suminfo(os.path.join(self.tmp, "Inst2.mst"))
        self.assertEqual(info["Revision number (UUID)"],
                         "%s2.5.1.300;%s2.5.1.300;%s" % (PRODUCT, INSTANCE, UPGRADE))

    def test_embedding_keeps_every_stream_and_the_summary(self):
        plain = os.path.join(self.tmp, "plain")
        copy = msi_media.build_package(plain, "vorta", PRODUCT, "2.5.1.300",
                                       upgrade_code=UPGRADE, package_code=INSTANCE)
        before = cfb.read_file(copy.path)
        tables = msiinfo("tables", copy.path)
        properties = export(copy.path, "Property")
        info = suminfo(copy.path)
        msi_media.embed_transform(copy.path, os.path.join(self.tmp, "1049.mst"), "Lang.mst")
        after = cfb.read_file(copy.path)
        self.assertEqual(after.clsid, msi_media.CLSID_MSI_DATABASE)
        self.assertEqual(after.streams, before.streams)
        self.assertEqual(list(after.storages), ["Lang.mst"])
        self.assertEqual(after.storages["Lang.mst"].clsid, msi_media.CLSID_MSI_TRANSFORM)
        self.assertEqual(msiinfo("tables", copy.path), tables)
        self.assertEqual(export(copy.path, "Property"), properties)
        self.assertEqual(suminfo(copy.path), info)

    def test_rewritten_package_keeps_large_streams(self):
        # A payload that does not compress keeps the cabinet above the mini-stream limit, so
        # the rewrite has to lay out ordinary sector chains as well as the mini stream.
        data = random.Random(7).randbytes(20000)
        folder = os.path.join(self.tmp, "large")
        big = msi_media.build_package(folder, "big", PRODUCT, "1.0", payload=data)
        msi_media.embed_transform(big.path, os.path.join(self.tmp, "1049.mst"), "Lang.mst")
        out = os.path.join(folder, "extracted")
        subprocess.run(["msiextract", "-C", out, big.path], check=True,
                       stdout=subprocess.DEVNULL, timeout=60)
        found = [os.path.join(d, f) for d, _, fs in os.walk(out) for f in fs]
        self.assertEqual(len(found), 1)
        with open(found[0], "rb") as f:
            self.assertEqual(f.read(), data)


class InstallTest(unittest.TestCase):
    """Installs the media with msiexec under 64-bit Wine. One prefix for the class: every test
    removes what it installed, and checks that it did."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="msi-media-")
        cls.pkg, cls.inst = make_media(cls.tmp)
        cls.prefix = wine.Prefix(arch="64")

    @classmethod
    def tearDownClass(cls):
        cls.prefix.close()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def msiexec(self, folder, *args):
        return msi_media.msiexec(self.prefix, list(args) + ["/qn"], cwd=folder, timeout=TIMEOUT)

    def registered(self, product_code):
        return msi_media.registered(self.prefix, product_code, self.pkg.arch)

    def test_package_records_what_it_received(self):
        folder = self.pkg.folder
        # Quotes would not survive: wine re-quotes each argument it hands to msiexec.
        self.assertEqual(self.msiexec(folder, "/i", "vorta.msi", "COUNTRY=UA",
                                      "SETUPEXEDIR=C:\\media"), 0)
        self.assertEqual(self.pkg.read(self.prefix),
                         {"LANGMARK": "en", "INSTANCEMARK": "", "COUNTRY": "UA",
                          "SETUPEXEDIR": "C:\\media", "A": ""})
        self.assertTrue(self.registered(PRODUCT))
        self.assertEqual(self.msiexec(folder, "/x", "vorta.msi"), 0)
        self.assertEqual(self.pkg.read(self.prefix), {})
        self.assertFalse(self.registered(PRODUCT))

    def test_language_transform_beside_the_package(self):
        folder = self.pkg.folder
        self.assertEqual(self.msiexec(folder, "/i", "vorta.msi", "TRANSFORMS=1049.mst"), 0)
        got = self.pkg.read(self.prefix)
        self.assertEqual((got["LANGMARK"], got["A"]), ("ru", "from-1049"))  # updated, added
        self.assertEqual(self.msiexec(folder, "/x", "vorta.msi", "TRANSFORMS=1049.mst"), 0)
        self.assertEqual(self.pkg.read(self.prefix), {})

    def test_command_line_property_wins_over_transform(self):
        folder = self.pkg.folder
        self.assertEqual(self.msiexec(folder, "/i", "vorta.msi", "TRANSFORMS=1049.mst",
                                      "A=from-command-line"), 0)
        got = self.pkg.read(self.prefix)
        self.assertEqual((got["LANGMARK"], got["A"]), ("ru", "from-command-line"))
        self.assertEqual(self.msiexec(folder, "/x", "vorta.msi", "TRANSFORMS=1049.mst"), 0)
        self.assertEqual(self.pkg.read(self.prefix), {})

    def test_embedded_instance_transform(self):
        folder = self.inst.folder
        self.assertEqual(self.msiexec(folder, "/i", "vorta.msi",
                                      "TRANSFORMS=:Inst2.mst;1049.mst"), 0)
        got = self.inst.read(self.prefix)
        self.assertEqual((got["INSTANCEMARK"], got["LANGMARK"]), ("Inst2", "ru"))
        self.assertTrue(self.registered(INSTANCE))
        self.assertFalse(self.registered(PRODUCT))
        # Wine's removal by product code opens its cached copy without the instance transform,
        # so the instance is removed through the package and its transform.
        self.assertEqual(self.msiexec(folder, "/x", "vorta.msi", "TRANSFORMS=:Inst2.mst"), 0)
        self.assertEqual(self.inst.read(self.prefix), {})
        self.assertFalse(self.registered(INSTANCE))

    def test_package_with_embedded_transform_installs_plainly_without_it(self):
        folder = self.inst.folder
        self.assertEqual(self.msiexec(folder, "/i", "vorta.msi"), 0)
        got = self.inst.read(self.prefix)
        self.assertEqual((got["INSTANCEMARK"], got["LANGMARK"]), ("", "en"))
        self.assertTrue(self.registered(PRODUCT))
        self.assertFalse(self.registered(INSTANCE))
        self.assertEqual(self.msiexec(folder, "/x", "vorta.msi"), 0)
        self.assertEqual(self.inst.read(self.prefix), {})


if __name__ == "__main__":
    unittest.main()
