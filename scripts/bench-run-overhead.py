#!/usr/bin/env python3
"""What the launcher adds to a whole installation: in one Wine prefix, with a real package
beside setup.exe and a Setup.ini naming it, alternate

    setup.exe /S           then  setup.exe /S /x              (through the launcher)
    msiexec /i pkg.msi /qn then  msiexec /x pkg.msi /qn       (the Windows Installer directly)

and time each install+remove pair from the Linux side. Prints every pair, then the medians and
the median of the per-pair ratios, the ratio of the means, and the median of each step alone.

Each run's end is seen the moment the program ends (wine.Prefix.run waits on a process file
descriptor). Timed through subprocess.run with a timeout, as the harness once did, every run
read about 0.063 s plus a whole number of 50 ms steps (0.268 s, 0.318 s, ...), because that
call polls the child with sleeps growing to 50 ms: two runs a few milliseconds apart could read
a whole step apart.

Both are started the same way: through the test suite's runexact.exe (wine.Prefix.run), with
an exact command line, without message-box tracing, against one wineserver that is kept
running for the whole measurement (wineserver -p), so neither pays for starting the server.
Which of the two goes first alternates from pair to pair. One untimed warm-up pair of each
comes first. Exit codes are checked: every install and every removal must return 0. A start
that Wine's CreateProcessW refuses before the program runs is repeated, and counted.

It measures the shipped 32-bit setup.exe (build/windows) under 32-bit Wine where this machine
runs 32-bit code, and the same sources built for 64-bit Windows (build/windows64) elsewhere;
--build-dir names another build folder. msiexec is the prefix's own, from its system folder.

Usage: scripts/bench-run-overhead.py [--build-dir DIR] [PAIRS]   (default 20 pairs)
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

import media  # noqa: E402
import msi_media  # noqa: E402
import wine  # noqa: E402

PRODUCT_CODE = "{3B1E6A52-7C0D-4F8A-9E21-5A6B7C8D9E0F}"
VERSION = "1.0.0"
SETUP_INI = media.setup_ini(product=PRODUCT_CODE, version=VERSION, location="overhead.msi",
                            cmdline=None)


retries = []


def timed(prefix, exe, line, cwd):
    # Now and then Wine's CreateProcessW fails in runexact before the program has started
    # (error 1359); the program then never ran, so that start alone is timed again.
    for attempt in range(3):
        started = time.monotonic()
        try:
            result = prefix.run(exe, line, cwd=cwd, timeout=300, trace_boxes=False)
        except RuntimeError as e:
            if "CreateProcessW failed" not in str(e) or attempt == 2:
                raise
            retries.append(line)
            continue
        elapsed = time.monotonic() - started
        break
    if result.code != 0:
        raise SystemExit("%s: exit code %d" % (line, result.code))
    return elapsed


def main():
    parser = argparse.ArgumentParser(description="What setup.exe adds to a whole installation.")
    parser.add_argument("pairs", nargs="?", type=int, default=20,
                        help="timed install+remove pairs of each (default 20)")
    parser.add_argument("--build-dir", default=wine.BUILD_DIR,
                        help="the Windows build to measure (default: %(default)s)")
    args = parser.parse_args()
    if args.pairs < 1:
        parser.error("PAIRS must be at least 1")
    pairs = args.pairs
    wine.BUILD_DIR = os.path.abspath(args.build_dir)
    with wine.Prefix() as prefix:
        print("setup.exe of %s in a %s-bit prefix" % (wine.BUILD_DIR, prefix.arch), flush=True)
        medium = prefix.drive_c("media")
        os.makedirs(medium)
        setup = os.path.join(medium, "setup.exe")
        subprocess.run(["cp", wine.build_file("setup.exe"), setup], check=True)
        media.write(os.path.join(medium, "Setup.ini"), SETUP_INI)
        media.write(os.path.join(medium, "0x0409.ini"), media.crlf(
            ["[0x0409]", "1150=This product needs Windows 7 or later."]), "utf-8-sig")
        msi_media.build_package(medium, "overhead", PRODUCT_CODE, VERSION)
        msiexec = os.path.join(prefix.system_folder(), "msiexec.exe")

        launcher_lines = ('"C:\\media\\setup.exe" /S', '"C:\\media\\setup.exe" /S /x')
        direct_lines = tuple('"%s" /%s "C:\\media\\overhead.msi" /qn'
                             % (prefix.windows_path(msiexec), action) for action in "ix")

        steps = {line: [] for line in launcher_lines + direct_lines}

        def pair(exe, lines):
            times = [timed(prefix, exe, line, medium) for line in lines]
            for line, t in zip(lines, times):
                steps[line].append(t)
            return sum(times)

        def launcher():
            return pair(setup, launcher_lines)

        def direct():
            return pair(msiexec, direct_lines)

        subprocess.run(["/usr/lib/wine/wineserver", "-p"], env=prefix.env(), check=True)
        launcher()
        direct()
        for times in steps.values():
            times.clear()
        print("pair  setup.exe (s)  msiexec (s)  ratio", flush=True)
        through, directly, ratios = [], [], []
        for i in range(pairs):
            if i % 2 == 0:
                a = launcher()
                b = direct()
            else:
                b = direct()
                a = launcher()
            through.append(a)
            directly.append(b)
            ratios.append(a / b)
            print("%4d  %13.3f  %11.3f  %5.3f" % (i + 1, a, b, a / b), flush=True)

        m_a = statistics.median(through)
        m_b = statistics.median(directly)
        m_r = statistics.median(ratios)
        print()
        print("pairs: %d (install + remove each; medians)" % pairs)
        print("setup.exe /S, then /S /x:            %.3f s" % m_a)
        print("msiexec /i /qn, then /x /qn:         %.3f s" % m_b)
        print("ratio of the medians:                %.3f" % (m_a / m_b))
        print("ratio of the means:                  %.3f  (%.3f s / %.3f s)"
              % (statistics.mean(through) / statistics.mean(directly),
                 statistics.mean(through), statistics.mean(directly)))
        print("median of the per-pair ratios:       %.3f  (launcher adds %+.1f %%)"
              % (m_r, (m_r - 1) * 100))
        print("each step alone (medians):")
        for label, line in zip(("setup.exe /S", "setup.exe /S /x", "msiexec /i /qn",
                                "msiexec /x /qn"), launcher_lines + direct_lines):
            print("  %-34s  %.3f s" % (label + ":", statistics.median(steps[line])))
        print("starts repeated after a CreateProcessW failure: %d" % len(retries))
        return 0


if __name__ == "__main__":
    sys.exit(main())
