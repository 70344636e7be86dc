"""The shape of setup-check's sources: its folders stand in the order CMakeLists.txt lists them
(SETUP_CHECK_FOLDERS, lowest first), and a file includes only files of its own folder or of a
lower one, with no circle among them; main.cpp and the orchestrator at the top may include
any. No file is longer than 400 lines and no function longer than 80."""

import os
import re
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
TOOL = os.path.normpath(os.path.join(HERE, "..", "..", "tools", "setup_check"))
INCLUDE = re.compile(r'^#include "tools/setup_check/([^"]+)"', re.M)
# A function defined at namespace level starts at the first column (its signature may go on
# over further lines) and ends with a brace at the first column; a declaration ends with ";"
# first. Types and tables (struct, enum, "x[] = {") are no functions.
NOT_A_FUNCTION = re.compile(r"^(namespace|struct|class|enum|union|using|template|typedef)\b|=")


def folders():
    with open(os.path.join(TOOL, "CMakeLists.txt")) as f:
        listed = re.search(r"set\(SETUP_CHECK_FOLDERS ([^)]*)\)", f.read())
    return listed.group(1).split()


def sources():
    for root, _, names in os.walk(TOOL):
        for name in sorted(names):
            if name.endswith((".h", ".cpp")):
                yield os.path.relpath(os.path.join(root, name), TOOL)


def read(path):
    with open(os.path.join(TOOL, path), encoding="utf-8") as f:
        return f.read()


class ToolLayers(unittest.TestCase):
    def test_a_folder_includes_only_lower_folders(self):
        order = folders()
        rank = {folder: i for i, folder in enumerate(order)}
        for path in sources():
            folder = os.path.dirname(path)
            if path.endswith("_test.cpp"):
                continue  # a test may drive the whole check
            self.assertIn(folder or "top", list(rank) + ["top"], path)
            if not folder:
                continue
            for included in INCLUDE.findall(read(path)):
                below = os.path.dirname(included)
                self.assertTrue(below and rank[below] <= rank[folder],
                                "%s (%s) includes %s" % (path, folder, included))

    def test_no_include_circle(self):
        graph = {path: INCLUDE.findall(read(path)) for path in sources()}
        state = {}

        def visit(path, trail):
            if state.get(path) == "done":
                return
            self.assertNotEqual(state.get(path), "open", " -> ".join(trail + [path]))
            state[path] = "open"
            for included in graph.get(path, []):
                visit(included, trail + [path])
            state[path] = "done"

        for path in graph:
            visit(path, [])

    def test_files_and_functions_fit_a_screen(self):
        for path in sources():
            lines = read(path).split("\n")
            self.assertLessEqual(len(lines), 401, path)
            start, opened = None, False
            for number, line in enumerate(lines, 1):
                if start is None:
                    if line[:1].isalpha() and not NOT_A_FUNCTION.search(line):
                        start, opened = number, False
                    else:
                        continue
                opened = opened or "{" in line
                if not opened and line.rstrip().endswith(";"):
                    start = None
                elif opened and line.startswith("}"):
                    self.assertLessEqual(number - start + 1, 80,
                                         "%s:%d: a function of %d lines"
                                         % (path, start, number - start + 1))
                    start = None


if __name__ == "__main__":
    unittest.main()
