"""setup-check applying the transforms of a medium with a real engine (natively libmsi, with
the table-name correction scripts/build-libmsi.sh makes): whether each applies, what it
changes, and the product that gets installed, on the media of transform_media's one table.

Debian's own libmsi applies no transform that changes a table, so every case here whose
transform applies fails against it.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import transform_media  # noqa: E402

CHECK = os.environ.get("SETUP_CHECK_EXE") or os.path.join(
    HERE, "..", "..", "build", "native", "tools", "setup_check", "setup-check")


def run_check(folder, options):
    proc = subprocess.run([CHECK, "--json", *options, folder], stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=60)
    if proc.returncode not in (0, 1, 3):
        raise AssertionError(proc.stderr.decode(errors="replace"))
    return json.loads(proc.stdout)


def change_tuple(change):
    return (change["kind"], change["table"], change["row"], change["column"], change["from"],
            change["to"])


class Transforms(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="transforms-")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def test_each_medium(self):
        for case in transform_media.CASES:
            with self.subTest(case.name):
                report = run_check(transform_media.build(case, self.work),
                                   transform_media.arguments(case))
                engine = report["package"]["engine"]
                entry = next(t for t in report["transforms"] if t["name"] == case.transform)
                self.assertEqual(entry["applies"], case.applies, entry["apply_problem"])
                self.assertEqual(entry["apply_problem"] is None, case.applies)
                if case.changes is not None:
                    self.assertEqual([change_tuple(c) for c in entry["changes"]], case.changes)
                self.assertEqual(entry["suppresses"], case.suppresses)
                # Every transform that applies says which engine left its error conditions
                # unchecked; nothing is left unchecked of one that does not apply.
                for t in report["transforms"]:
                    self.assertEqual(t["not_checked"] is not None and engine in t["not_checked"],
                                     t["applies"], t)
                run = report["runs"][0]
                self.assertEqual(run["exit_code"], case.exit_code)
                installs = run["installs"]
                for name, (value, source) in case.installs.items():
                    self.assertEqual(installs[name], {"value": value, "source": source}, name)
                handed = [step["name"] for step in installs["transforms"]]
                self.assertEqual(handed, ([":Inst2.mst"] if case.instance else []) + ["1049.mst"])

    def test_the_text_report_shows_the_changes_and_the_product_installed(self):
        case = transform_media.CASES[1]
        folder = transform_media.build(case, tempfile.mkdtemp(dir=self.work))
        proc = subprocess.run([CHECK, *transform_media.arguments(case), folder],
                              stdout=subprocess.PIPE, timeout=60)
        text = proc.stdout.decode()
        self.assertIn("Property ProductCode: Value %s -> %s" % (transform_media.PRODUCT,
                                                                transform_media.INSTANCE), text)
        self.assertIn("ProductCode           %s  (package + :Inst2.mst)"
                      % transform_media.INSTANCE, text)


if __name__ == "__main__":
    unittest.main()
