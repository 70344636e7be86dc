"""The recording stand-in for msi.dll (tests/tools/stub_msi) in a throwaway Wine prefix.

    with wine.Prefix() as prefix:
        stub = stub_msi.StubMsi(prefix, {"result.MsiInstallProductW": 1603})
        result = prefix.run(exe, line, extra_env=stub.env())
        install, = stub.calls("MsiInstallProductW")

The DLL replaces the prefix's own msi.dll in the system folder of its architecture
(wine.Prefix.system_folder) and is loaded instead of Wine's built-in one through
WINEDLLOVERRIDES=msi=n. It writes one JSON object per call to its log and answers from a
key=value script; both are described in tests/tools/stub_msi/README.md.
"""

import json
import os
import shutil

import wine

LOG = r"C:\stub-msi\calls.jsonl"
SCRIPT = r"C:\stub-msi\script.txt"
OVERRIDES = "msi=n;mscoree,mshtml="


class StubMsi:
    def __init__(self, prefix, script=None):
        self.prefix = prefix
        self.folder = prefix.drive_c("stub-msi")
        os.makedirs(self.folder, exist_ok=True)
        dll = wine.build_file("msi.dll")
        shutil.copyfile(dll, os.path.join(prefix.system_folder(wine.exe_arch(dll)), "msi.dll"))
        self.write_script(script or {})

    def env(self, extra=None):
        """Environment for Prefix.run: the override and the stand-in's two files."""
        env = {"WINEDLLOVERRIDES": OVERRIDES, "STUB_MSI_LOG": LOG, "STUB_MSI_SCRIPT": SCRIPT}
        if extra:
            env.update(extra)
        return env

    def write_script(self, script):
        """Replaces the script with `script`, a dict of key to value (numbers are fine)."""
        lines = []
        for key, value in script.items():
            key, value = str(key), str(value)
            if "=" in key or any(c in key + value for c in "\r\n"):
                raise ValueError("cannot script %r=%r" % (key, value))
            lines.append("%s=%s\n" % (key, value))
        with open(self.prefix.unix_path(SCRIPT), "w", encoding="utf-8", newline="") as f:
            f.write("".join(lines))

    def clear_log(self):
        path = self.prefix.unix_path(LOG)
        if os.path.exists(path):
            os.remove(path)

    def calls(self, fn=None):
        """Every logged line as a dict, in order; only those of function `fn` when given."""
        path = self.prefix.unix_path(LOG)
        if not os.path.exists(path):
            return []
        with open(path, encoding="utf-8") as f:
            entries = [json.loads(line) for line in f if line.strip()]
        return [e for e in entries if fn is None or e["fn"] == fn]
