#!/usr/bin/env bash
# The example update under Wine through the real update-wizard.exe, driven by
# example_e2e.exe, then checked on disk: once to the end, once cancelled in the
# file pass while its EXECUTE program (wait_for_file.exe) holds it.
#   wine_e2e.sh BUILD_DIR EXAMPLE_E2E_EXE WAIT_FOR_FILE_EXE
# Exits 77 when the tools of the MinGW build are not built.
set -u
build=$(cd "$1" && pwd)
driver=$2
waiter=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ ! -f "$build/tools/restool/restool.exe" ] || [ ! -f "$build/tools/szdd-compress/szdd-compress.exe" ]; then
    echo "restool.exe or szdd-compress.exe not built: skipped"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# run MODE DIR: the driver under Wine, bounded even if Wine itself hangs.
run() {
    local windir="Z:${2//\//\\}"
    timeout -k 10 180 "$root/scripts/wine-run" "$build/wineprefix" "$driver" "$1" "$windir" ||
        fail "$1: the driver reported failures"
}

"$root/scripts/make-example" "$work/whole" "$build" >/dev/null || fail "whole: make-example"
run whole "$work/whole"
"$root/tests/example/check_example.sh" "$work/whole" whole || fail "whole: on disk"

# The variant: the EXECUTE line runs a program that waits for the test.
dir=$work/cancelled
"$root/scripts/make-example" "$dir" "$build" >/dev/null || fail "cancel: make-example"
cp "$waiter" "$dir/wait_for_file.exe"
sed -i 's|^EXE=restool.exe data.res /LIST|EXE=wait_for_file.exe started.flag release.flag 60|' \
    "$dir/update.txt"
grep -q '^EXE=wait_for_file.exe' "$dir/update.txt" || fail "cancel: the EXECUTE line was not replaced"
run cancel "$dir"
"$root/tests/example/check_example.sh" "$dir" cancelled || fail "cancel: on disk"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "the example update applied and cancelled under Wine, checked on disk"
