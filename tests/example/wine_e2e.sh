#!/usr/bin/env bash
# wine_e2e.sh BUILD_DIR UI_AUTOMATION_TEST_EXE TEST_CHILD_EXE SWEEP_TEST_EXE: the example
# update through the real update-wizard.exe (the Example cases), checked on disk; then
# the sweep over it: the process ended at every operation and run again.
set -eu
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
for mode in whole cancelled sweep; do
    "$root/scripts/make-example" "$work/$mode" "$build" >/dev/null
done
cp "$3" "$work/cancelled/child.exe"
sed -i 's|^EXE=restool.exe data.res /LIST|EXE=child.exe wait started.flag release.flag|' \
    "$work/cancelled/update.txt"
grep -q '^EXE=child.exe' "$work/cancelled/update.txt"
# Bounded even if Wine itself hangs.
WIZARD_EXAMPLE="Z:${work//\//\\}" timeout -k 10 300 "$root/scripts/wine-run" "$build/wineprefix" \
    "$2" --gtest_filter='Example.*'
for mode in whole cancelled; do "$root/tests/example/check_example.sh" "$work/$mode" $mode; done
WIZARD_SAMPLE="Z:${work//\//\\}\\sweep" timeout -k 10 1200 "$root/scripts/wine-run" \
    "$build/wineprefix" "$4" --gtest_filter='Sweep.SampleUpdate'
