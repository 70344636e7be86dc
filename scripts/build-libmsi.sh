#!/usr/bin/env bash
# Builds libmsi, the library of Debian's msitools, from Debian's own source package with one
# line corrected, into build/libmsi/prefix, where the native setup-check's build looks first.
#
# The fault, in every msitools release up to today's upstream: msi_table_apply_transform() in
# libmsi/table.c compares the decoded stream name past its three-byte table mark (name + 3)
# but stores the table name as strdup(name + 1), a leftover of the wide-character code it came
# from, so every table a transform changes is looked up under a name with two bytes of the mark
# left on, and libmsi applies no transform that changes a table. The correction stores name + 3.
#
# Nothing is done when the corrected library is already built for the msitools version the
# system has, or when the system's libmsi already applies such a transform (the probe below):
# once Debian ships the correction, the build uses the system's library again.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$root/build/libmsi"
prefix="$work/prefix"
version=$(dpkg-query -W -f='${source:Version}' libmsi-dev)
stamp="$prefix/built-from-msitools-$version"

if [ -e "$stamp" ]; then
    exit 0
fi
if python3 "$root/scripts/libmsi-probe.py" libmsi.so.0 2>/dev/null; then
    echo "The system's libmsi applies transforms: no corrected libmsi is built."
    rm -rf "$prefix"
    exit 0
fi

echo "Building libmsi from msitools $version with the transform table name corrected"
rm -rf "$work"
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial"
# The source archive is enabled for this step only, with lists of its own: the system's
# sources and package lists stay as they are.
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
printf 'deb-src http://deb.debian.org/debian %s main\n' "$codename" "$codename-updates" \
    > "$work/apt/sources.list"
apt_options=(-o "Dir::Etc::SourceList=$work/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
             -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
             -o APT::Sandbox::User=root)
apt-get -qq "${apt_options[@]}" update
# The version installed, else the archive's own where it has moved on.
(cd "$work" && { apt-get -qq "${apt_options[@]}" source "msitools=$version" ||
                 apt-get -qq "${apt_options[@]}" source msitools; } >/dev/null)
source_dir=$(find "$work" -maxdepth 1 -type d -name 'msitools-*' | head -n 1)
table="$source_dir/libmsi/table.c"
grep -q 'transform->name = strdup( name + 1 );' "$table" || {
    echo "build-libmsi.sh: $table no longer holds the line to correct" >&2
    exit 1
}
sed -i 's/transform->name = strdup( name + 1 );/transform->name = strdup( name + 3 );/' "$table"

upstream=${version%%+*}
cmake -S "$root/cmake/libmsi" -B "$work/build" -DCMAKE_BUILD_TYPE=Release \
    -DLIBMSI_SOURCE="$source_dir" -DLIBMSI_VERSION="${upstream#*:}" \
    -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
cmake --build "$work/build" -j2 >/dev/null
cmake --install "$work/build" >/dev/null
touch "$stamp"
