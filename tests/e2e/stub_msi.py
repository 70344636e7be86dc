"""The recording stand-in for msi.dll (tests/tools/stub_msi) in a throwaway Wine prefix.

    with wine.Prefix() as prefix:
        stub = stub_msi.StubMsi(prefix, {"result.MsiInstallProductW": 1603})
        result = prefix.run(exe, line, extra_env=stub.env())
        install, = stub.calls("MsiInstallProductW")

The DLL replaces the prefix's own msi.dll in the system folder and is loaded instead of Wine's
built-in one through WINEDLLOVERRIDES=msi=n. It writes one JSON object per call to its log and
answers from a key=value script; both are described in tests/tools/stub_msi/README.md.
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
        # A 32-bit DLL in a 64-bit prefix belongs in syswow64, the 32-bit system folder.
        if prefix.arch == "64" and wine.exe_arch(dll) == "32":
            system = prefix.drive_c("windows", "syswow64")
        else:
            system = prefix.system32()
        shutil.copyfile(dll, os.path.join(system, "msi.dll"))
        self.write_script(script or {})

    def env(self, extra=None):
        """Environment for Prefix.run: the override and the stand-in's two files."""
        env = {"WINEDLLOVERRIDES": OVERRIDES, "STUB_MSI_LOG": LOG, "STUB_MSI_SCRIPT": SCRIPT}
        if extra:
            env.update(extra)
        return env

    def _unix(self, windows_path):
        return self.prefix.drive_c(*windows_path[3:].split("\\"))

    def write_script(self, script):
        """Replaces the script with `script`, a dict of key to value (numbers are fine)."""
        lines = []
        for key, value in script.items():
            key, value = str(key), str(value)
            if "=" in key or any(c in key + value for c in "\r\n"):
                raise ValueError("cannot script %r=%r" % (key, value))
            lines.append("%s=%s\n" % (key, value))
        with open(self._unix(SCRIPT), "w", encoding="utf-8", newline="") as f:
            f.write("".join(lines))

    def clear_log(self):
        path = self._unix(LOG)
        if os.path.exists(path):
            os.remove(path)

    def calls(self, fn=None):
        """Every logged line as a dict, in order; only those of function `fn` when given."""
        path = self._unix(LOG)
        if not os.path.exists(path):
            return []
        with open(path, encoding="utf-8") as f:
            entries = [json.loads(line) for line in f if line.strip()]
        return [e for e in entries if fn is None or e["fn"] == fn]
