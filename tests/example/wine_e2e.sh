#!/usr/bin/env bash
# The example update under Wine through the real update-wizard.exe, driven by
# the Example cases of ui_automation_test, then checked on disk: once to the
# end, once cancelled in the file pass while its EXECUTE program (the test
# child in wait mode) holds it.
#   wine_e2e.sh BUILD_DIR UI_AUTOMATION_TEST_EXE TEST_CHILD_EXE
set -eu
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for mode in whole cancelled; do
    "$root/scripts/make-example" "$work/$mode" "$build" >/dev/null
done
cp "$3" "$work/cancelled/child.exe"
sed -i 's|^EXE=restool.exe data.res /LIST|EXE=child.exe wait started.flag release.flag|' \
    "$work/cancelled/update.txt"
grep -q '^EXE=child.exe' "$work/cancelled/update.txt"
# Bounded even if Wine itself hangs.
WIZARD_EXAMPLE="Z:${work//\//\\}" timeout -k 10 300 "$root/scripts/wine-run" "$build/wineprefix" \
    "$2" --gtest_filter='Example.*'
"$root/tests/example/check_example.sh" "$work/whole" whole
"$root/tests/example/check_example.sh" "$work/cancelled" cancelled
