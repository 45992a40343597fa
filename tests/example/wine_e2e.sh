#!/usr/bin/env bash
# wine_e2e.sh BUILD_DIR UI_AUTOMATION_TEST_EXE SWEEP_TEST_EXE: the example
# update through the real update-wizard.exe (the Example cases), checked on disk; the sweep
# over it; an update from the native update-make (build/native) applied by the .exe, which
# proves it with its manifest; and the same update put into products it was not made for.
set -eu
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
for mode in whole sweep; do "$root/scripts/make-example" "$work/$mode" "$build" >/dev/null; done
# Bounded even if Wine itself hangs.
WIZARD_EXAMPLE="Z:${work//\//\\}" timeout -k 10 300 "$root/scripts/wine-run" "$build/wineprefix" \
    "$2" --gtest_filter='Example.RunsToFinish'
"$root/tests/example/check_example.sh" "$work/whole"
# A file of the update reached through a POSIX link, which Wine shows as a plain
# file: the expansion is written through it, and the link stays.
linked=$work/linked && "$root/scripts/make-example" "$linked/whole" "$build" >/dev/null
mkdir "$linked/side" && mv "$linked/whole/readme.txt" "$linked/side/"
ln -s "$linked/side/readme.txt" "$linked/whole/readme.txt"
WIZARD_EXAMPLE="Z:${linked//\//\\}" timeout -k 10 300 "$root/scripts/wine-run" \
    "$build/wineprefix" "$2" --gtest_filter='Example.RunsToFinish'
[ -L "$linked/whole/readme.txt" ] && cmp "$linked/side/readme.txt" "$work/whole/readme.txt" ||
    { echo "a linked file was not written through its link"; exit 1; }
WIZARD_SAMPLE="Z:${work//\//\\}\\sweep" timeout -k 10 1200 "$root/scripts/wine-run" \
    "$build/wineprefix" "$3" --gtest_filter='Sweep.SampleUpdate'

# A pair of trees, its update made with backslashes, applied by the .exe to a copy of the
# old tree: the new tree, but for the archive's bytes, with its members and their times.
native=$build/../native/tools/update-make/update-make
[ -x "$native" ] || { echo "wine_e2e.sh: $native is missing: build the native preset" >&2; exit 1; }
rt=$work/roundtrip && mkdir -p "$rt/old/sub" && cd "$rt"
printf 'one\r\n' >old/a.txt && seq 1 500 >old/sub/text.txt && printf x >old/gone.txt
head -c 3000 /dev/urandom >old/noise.bin && cp "$build/tools/restool/restool.exe" old/
members() { (cd "$1" && shift && printf '%s\n' "$@" >m0 && touch -d @1700000000 m0 &&
    tar --format=ustar -cf data.res m0 && rm m0); }
members old m0 && cp -a old new && members new m0 changed && rm new/gone.txt
seq 1 900 >new/sub/text.txt && mkdir new/fresh && echo hi >new/fresh/b.txt
touch -d @1710000000 new/a.txt new/fresh/b.txt
"$native" --windows --archive data.res --utility restool.exe old new out >/dev/null
cp -a old whole && cp -a out/. whole/
WIZARD_EXAMPLE="Z:${rt//\//\\}" timeout -k 10 300 "$root/scripts/wine-run" "$build/wineprefix" \
    "$2" --gtest_filter='Example.RunsToFinish'
# Whole seconds: the wizard stamps them, a file just written has more.
files() { (cd "$1" && find . -type f ! -name data.res -printf '%P %T@\n' | sed 's/\.[0-9]*$//' |
    sort); }
tars() { tar --utc -tvf "$1/data.res" | awk '{print $3, $4, $5, $6}'; }
diff -r -x data.res whole new && [ "$(files whole)" = "$(files new)" ] &&
    [ "$(tars whole)" = "$(tars new)" ] || { echo "roundtrip: whole is not new"; exit 1; }
echo "the update from update-make, applied by the .exe, gives the new tree"

# The same update put into an older product, with an input cut short, with a needed file
# missing: the .exe stops with the check's warning, every file byte for byte and time as
# before (the directory's own time aside: the lock file comes and goes with the run).
state() { (cd "$1" && find . -printf '%P\n' && find . -type f -printf '%P %s %T@ %m\n' &&
    find . -type f -exec sha256sum {} +) | sort; }
stop() { # CHANGE WARNING
    rm -rf stop && cp -a old stop && cp -a out/. stop/ && (cd stop && eval "$1")
    local before && before=$(state stop)
    WIZARD_WARNING=$2 WIZARD_EXAMPLE="Z:${rt//\//\\}" timeout -k 10 300 "$root/scripts/wine-run" \
        "$build/wineprefix" "$ui" --gtest_filter='Example.StopsWithItsWarning'
    [ "$(state stop)" = "$before" ] || { echo "stop: $1: the directory changed"; exit 1; }
}
ui=$2
stop 'head -c 3000 /dev/zero >noise.bin' \
    'Product file (noise.bin) is not the version this update is for. Aborting.'
stop 'head -c 100 ../out/sub/text.txt >sub/text.txt' \
    'Update file (sub\text.txt) is damaged or incomplete. Aborting.'
stop 'rm noise.bin' \
    'Product file (noise.bin) could not be located: this update is for another version. Aborting.'
echo "the update put into products it was not made for changes nothing"
