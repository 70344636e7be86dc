#!/usr/bin/env bash
# setup-check driven as a CI job drives it: exit statuses, --strict, --ignore, and jq
# assertions on the JSON report, against the documentation's example medium and broken copies
# of it.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
check=${SETUP_CHECK_EXE:-$here/../../build/native/tools/setup_check/setup-check}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# expect <status> <setup-check arguments...>: the output is kept in $work/out, the error in
# $work/err.
expect() {
    local want=$1
    shift
    "$check" "$@" >"$work/out" 2>"$work/err"
    local got=$?
    [ "$got" = "$want" ] || fail "setup-check $* exited $got, not $want: $(head -c 400 "$work/err")"
}

# holds <jq filter>: the filter is true of the last JSON report.
holds() {
    jq -e "$1" "$work/out" >/dev/null || fail "not true of the report: $1"
}

printed() {
    grep -qF -- "$1" "$work/out" || fail "not printed: $1"
}

medium=$work/demo
python3 "$here/../../scripts/example-medium.py" "$medium" 2>/dev/null || {
    echo "the example medium could not be built"
    exit 1
}
# A copy of the medium with one change: broken <name> <sed expression for Setup.ini>.
broken() {
    rm -rf "${work:?}/$1"
    cp -r "$medium" "$work/$1"
    [ -z "$2" ] || sed -i "$2" "$work/$1/Setup.ini"
}

# 0: the installer is called and predicted to succeed, as the JSON says.
expect 0 --json --profile win7-sp1-ru "$medium"
holds '.schema == 2 and .status == 0 and .status_name == "succeeds"'
holds '.runs[0].installer.command_line == "TRANSFORMS=1049.mst REBOOT=ReallySuppress"'
holds '.runs[0].installer.msiexec == "msiexec /i \"C:\\media\\product.msi\" TRANSFORMS=1049.mst REBOOT=ReallySuppress"'
holds '.package.read == "read" and .runs[0].identity.product_version.source == "package"'
holds '.runs[0].profile.settings.geo_id == "203" and .runs[0].profile.settings.keyboards != null'
version=$("$check" --version | awk '{print $2}')
holds ".tool.version == \"$version\""
expect 0 --json --profile win10-uk "$medium" -- /x /S
holds '.arguments == ["/x", "/S"] and .runs[0].installer.ui_level == 2'
holds '.runs[0].installer.msiexec | startswith("msiexec /x \"C:\\media\\product.msi\" /qn TRANSFORMS=1058.mst")'
expect 0 --profile win7-sp1-ru --set installer_result=3010 "$medium"
printed "Exit code 3010 (installed, restart needed)"

# 1: the launcher refuses.
expect 1 --json --profile winxp-sp3-en "$medium"
holds '.status_name == "launcher_refuses" and .runs[0].installer == null'
expect 1 --profile win7-sp1-ru --cmdline '/?' "$medium"

# 3: the installer is called and predicted to fail.
expect 3 --json --profile win7-sp1-ru --set installer_result=1603 "$medium"
holds '.runs[0].exit_code == 1603 and .runs[0].status_name == "installer_fails"'
broken nopackage ""
rm "$work/nopackage/product.msi"
expect 3 --json "$work/nopackage"
holds '.runs[0].exit_code == 1619 and (.warnings | map(.id) | index("package-missing"))'

# Several machines: one shape, medium warnings once, the worst status.
broken misspelt 's/^ProductVersion=/ProductVerison=/'
expect 0 --json --matrix win7-sp1-ru,win10-uk "$work/misspelt"
holds '(.runs | length) == 2 and ([.warnings[] | select(.id == "key-never-read")] | length) == 1'
holds '[.runs[].warnings[]] | length == 0'
expect 1 --matrix all "$medium"
printed "winxp-sp3-en"
# A refusal on one machine outweighs a failing installation on another.
expect 1 --matrix winxp-sp3-en,win7-sp1-ru --set installer_result=1603 "$medium"

# 4: --strict counts the medium's warnings, --strict=all the machine's too; --ignore silences.
expect 4 --strict "$work/misspelt"
printed "Setup.ini:3: warning: ProductVerison in [Startup] is never read"
expect 0 --strict --ignore key-never-read --ignore no-product-version "$work/misspelt"
expect 0 --strict --set msi_runtime=2.0 "$medium"
expect 4 --strict=all --set msi_runtime=2.0 "$medium"
printed "[runtime-update-missing]"
expect 4 --strict=all --matrix win7-sp1-ru,win10-en --set msi_runtime=2.0 "$medium"
grep -qx "Warnings on win10-en with msi_runtime=2.0" "$work/out" ||
    fail "a machine's warnings stand under its profile and its changed settings"
! grep -qx "Warnings" "$work/out" || fail "an empty Warnings header"

# Profiles: a preset as a file reads back as the same machine.
expect 0 --show-profile win7-sp1-uk
grep -qx "country_code=380" "$work/out" || fail "--show-profile prints the preset's settings"
cp "$work/out" "$work/uk.profile"
expect 0 --json --profile win7-sp1-uk "$medium"
jq '.runs[0].profile.settings' "$work/out" >"$work/preset.json"
expect 0 --json --profile "$work/uk.profile" "$medium"
jq '.runs[0].profile.settings' "$work/out" | cmp -s - "$work/preset.json" ||
    fail "a shown profile read back is another machine"

# 2: usage errors, on one line that points to --help.
for arguments in "--bogus $medium" "--ignore no-such-id $medium" "" "--at media $medium" \
    "--strict=some $medium"; do
    # shellcheck disable=SC2086
    expect 2 $arguments
    [ "$(wc -l <"$work/err")" = 1 ] && grep -q -- "--help" "$work/err" ||
        fail "setup-check $arguments: not one line pointing to --help: $(cat "$work/err")"
done

# Every warning id a CI job may meet is documented.
for id in $("$check" --list-warnings | awk '{print $1}'); do
    grep -qF "\`$id\`" "$here/../../docs/setup-check.md" || fail "warning $id is not in docs/setup-check.md"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "all passed"
