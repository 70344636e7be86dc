#!/usr/bin/env bash
# Size of the shipped setup.exe (32-bit, stripped) against its budget, and what it is made
# of: the image's sections and the largest contributors by linked object, read from the
# linker's map. Also names any piece of the C++ runtime that has no business in the launcher
# (iostreams, locale, the demangler, the test framework).
#
#   scripts/size-report.sh              build with the "windows" preset, then report
#   scripts/size-report.sh --no-build   report on build/windows as it is
#   SETUP_SIZE_BUILD_DIR=build/x scripts/size-report.sh --no-build
#
# Exits 1 when the image is over budget or carries a piece it should not.
set -euo pipefail
cd "$(dirname "$0")/.."

budget=$((200 * 1024))
preset=windows
build_dir=${SETUP_SIZE_BUILD_DIR:-build/$preset}
top=${SETUP_SIZE_TOP:-20}

if [[ "${1:-}" != "--no-build" ]]; then
    cmake --preset $preset >/dev/null
    cmake --build --preset $preset -j"$(nproc)" --target setup >/dev/null
fi

exe=$build_dir/setup.exe
map=$build_dir/setup.map
[[ -f $exe && -f $map ]] || { echo "no $exe or $map: build first" >&2; exit 2; }

python3 - "$exe" "$map" "$budget" "$top" <<'PY'
import collections, os, re, subprocess, sys

exe, map_path, budget, top = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
size = os.path.getsize(exe)
print("%s: %d bytes (%.1f KB); budget %d bytes (%d KB): %s"
      % (exe, size, size / 1024, budget, budget // 1024,
         "within" if size <= budget else "OVER by %d bytes" % (size - budget)))

print("\nSections (objdump -h):")
for line in subprocess.run(["i686-w64-mingw32-objdump", "-h", exe], capture_output=True,
                           text=True, check=True).stdout.splitlines():
    f = line.split()
    if len(f) >= 3 and f[0].isdigit():
        print("  %-10s %8d" % (f[1], int(f[2], 16)))

# Every input section the linker placed (address non-zero), summed per object file.
text = open(map_path, errors="replace").read()
body = text[text.find("Linker script and memory map"):]
per_object = collections.Counter()
per_section = collections.defaultdict(collections.Counter)
out_section, pending = None, None
for line in body.splitlines():
    m = re.match(r"^(\.\S+)\s+0x[0-9a-f]+\s+0x[0-9a-f]+", line)
    if m:
        out_section = m.group(1)
    m = re.match(r"^ (\S+)\s*$", line)
    if m:
        pending = m.group(1)
        continue
    m = re.match(r"^ (\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
    if m and int(m.group(2), 16) and int(m.group(3), 16):
        obj = re.sub(r"^.*/", "", m.group(4).strip())
        obj = re.sub(r"^cc\w+\.ltrans(\d+)\.ltrans\.o$", r"launcher code (LTO part \1)", obj)
        per_object[obj] += int(m.group(3), 16)
        per_section[obj][out_section] += int(m.group(3), 16)
    pending = None

print("\nLargest contributors (bytes placed in the image, from %s):" % map_path)
for obj, n in per_object.most_common(top):
    parts = ", ".join("%s %d" % kv for kv in per_section[obj].most_common(3))
    print("  %8d  %-55s %s" % (n, obj, parts))

members = set(re.findall(r"^(\S+\.a\([^)]*\))", text[:text.find("Discarded input sections")],
                         re.M))
forbidden = {
    "iostreams": r"libstdc\+\+\.a\((ios|ios_init|iostream-inst|ostream-inst|istream-inst|"
                 r"fstream-inst|sstream-inst|globals_io)",
    "locale": r"libstdc\+\+\.a\((locale|locale_init|locale-inst|wlocale-inst|ctype)",
    "demangler": r"libstdc\+\+\.a\((cp-demangle|vterminate)",
    "test framework": r"gtest",
}
bad = [name for name, rx in forbidden.items() if any(re.search(rx, m) for m in members)]
print("\nRuntime pieces that must not be linked (%s): %s"
      % (", ".join(forbidden), "none" if not bad else "FOUND " + ", ".join(bad)))
sys.exit(1 if size > budget or bad else 0)
PY
