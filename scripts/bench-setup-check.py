#!/usr/bin/env python3
"""setup-check's time against the size of the medium: the example medium with 10,000, 20,000,
40,000 and 80,000 further sections in Setup.ini, and with message files of 1, 2 and 4 MB.
Builds the "bench" preset's setup-check (Release), runs each case with --json and as the text
report, and prints the median CPU time (user + system) of the whole process over the
repetitions, the time per unit, and the ratio to the case half its size: a tool whose time
grows linearly shows ratios near 2. Nothing here passes or fails on time.

    scripts/bench-setup-check.py               build, then 5 repetitions of every case
    scripts/bench-setup-check.py --no-build    run build/bench as it is
    SETUP_BENCH_REPETITIONS=9 scripts/bench-setup-check.py
"""

import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
CHECK = os.path.join(ROOT, "build", "bench", "tools", "setup_check", "setup-check")
SECTIONS = (10000, 20000, 40000, 80000)
MEGABYTES = (1, 2, 4)


def build():
    subprocess.run(["cmake", "--preset", "bench"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", "bench", "-j%d" % os.cpu_count(),
                    "--target", "setup-check"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)


def medium_with_sections(base, folder, count):
    shutil.copytree(base, folder)
    with open(os.path.join(folder, "Setup.ini"), "a", newline="") as f:
        f.write("".join("[Extra%d]\r\nKey=%d\r\n" % (i, i) for i in range(count)))


def medium_with_messages(base, folder, megabytes):
    shutil.copytree(base, folder)
    lines = ["[0x0409]\r\n1150=This product needs Windows 7 or later.\r\n"]
    size, i = 0, 0
    while size < megabytes << 20:
        line = "%d=Message text number %d of the launcher's boxes\r\n" % (2000 + i, i)
        lines.append(line)
        size += len(line)
        i += 1
    with open(os.path.join(folder, "0x0409.ini"), "w", newline="") as f:
        f.write("".join(lines))


def cpu_seconds(arguments):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run([CHECK] + arguments, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def median_ms(arguments, repetitions):
    cpu_seconds(arguments)  # warm the file cache
    return 1000 * statistics.median(cpu_seconds(arguments) for _ in range(repetitions))


def report(title, unit, cases, repetitions):
    print(title)
    print("  %-10s %12s %12s %14s %8s" % (unit, "json ms", "text ms", "json ms/unit", "ratio"))
    previous = None
    for size, folder in cases:
        json_ms = median_ms(["--json", folder], repetitions)
        text_ms = median_ms([folder], repetitions)
        ratio = "" if previous is None else "%.2f" % (json_ms / previous)
        print("  %-10s %12.1f %12.1f %14.4f %8s" % (size, json_ms, text_ms, json_ms / size, ratio))
        previous = json_ms


def main():
    if "--no-build" not in sys.argv:
        build()
    if not os.access(CHECK, os.X_OK):
        sys.exit("no %s: build first" % CHECK)
    repetitions = int(os.environ.get("SETUP_BENCH_REPETITIONS", "5"))
    work = tempfile.mkdtemp(prefix="bench-setup-check-")
    try:
        base = os.path.join(work, "base")
        subprocess.run([sys.executable, os.path.join(ROOT, "scripts", "example-medium.py"), base],
                       check=True, stdout=subprocess.DEVNULL)
        print("setup-check on the example medium, median CPU time of %d runs" % repetitions)
        print("  the example medium alone: %.1f ms" % median_ms(["--json", base], repetitions))
        sections = []
        for count in SECTIONS:
            folder = os.path.join(work, "sections-%d" % count)
            medium_with_sections(base, folder, count)
            sections.append((count, folder))
        report("Setup.ini with further sections (unit: a section)", "sections", sections,
               repetitions)
        messages = []
        for megabytes in MEGABYTES:
            folder = os.path.join(work, "messages-%d" % megabytes)
            medium_with_messages(base, folder, megabytes)
            messages.append((megabytes, folder))
        report("0x0409.ini of growing size (unit: a MB)", "MB", messages, repetitions)
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
