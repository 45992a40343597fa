#!/usr/bin/env bash
# Checks on disk, with host tools only, what an applied example update left in
# its product directory (made by scripts/make-example):
#   check_example.sh DIR [whole|cancelled]
# whole:     the update ran to "All done.".
# cancelled: the cancel was confirmed while the EXECUTE program (child.exe in
#            wait mode, which leaves "started.flag") ran: the entry right after
#            it is still handled (the click waits for its message pumping), the
#            last one is not, and there is no encoding and no cleanup.
# Prints each failure; exits 1 when there was any. Times are read before the
# contents, as reading a file may move its last-access time.
set -u
dir=${1:?usage: check_example.sh DIR [whole|cancelled]}
mode=${2:-whole}
root=$(cd "$(dirname "$0")/../.." && pwd)
src=$root/examples/sample-update
copied=1767225600 # the COPY lines' time: 2026-01-01 00:00 UTC
patched=1764547200 # the patch package's member times: 2025-12-01
installed=1735689600 # the product's resource archive as installed: 2025-01-01
failures=0
fail() {
    echo "FAIL ($mode): $*"
    failures=$((failures + 1))
}
sorted() { printf '%s\n' "$@" | LC_ALL=C sort | tr '\n' ' '; }

# NAME SOURCE TIME ...: each file as its source, last written and accessed at TIME.
files() {
    while [ $# -gt 0 ]; do
        [ "$(stat -c '%Y %X' "$dir/$1" 2>&1)" = "$3 $3" ] || fail "$1: not of time $3"
        cmp -s "$dir/$1" "$2" || fail "$1 differs from ${2#"$root/"}"
        shift 3
    done
}
# NAME ...: the directory holds exactly these names.
only() {
    [ "$(sorted $(cd "$dir" && LC_ALL=C ls -A))" = "$(sorted "$@")" ] ||
        fail "directory holds: $(cd "$dir" && ls -A | tr '\n' ' ')"
}
# NAME SOURCE TIME ...: exactly these members in the archive, read with tar.
members() {
    local unpacked names=()
    unpacked=$(mktemp -d)
    tar -xf "$dir/data.res" -C "$unpacked" || fail "data.res is no tar archive"
    while [ $# -gt 0 ]; do
        names+=("$1")
        [ "$(stat -c %Y "$unpacked/$1" 2>&1)" = "$3" ] || fail "data.res: $1 not of time $3"
        cmp -s "$unpacked/$1" "$2" || fail "data.res: member $1 differs from ${2#"$root/"}"
        shift 3
    done
    [ "$(sorted $(tar -tf "$dir/data.res"))" = "$(sorted "${names[@]}")" ] ||
        fail "data.res members: $(tar -tf "$dir/data.res" | tr '\n' ' ')"
    rm -rf "$unpacked"
}

case $mode in
whole)
    # Gone: the REMOVE file, both capture files, both lists, the encoded
    # resources and, by the cleanup, the patch package.
    only app.cfg data.res notes.txt readme.txt restool.exe update.txt update.wiz
    files readme.txt "$src/update/readme.txt" $copied app.cfg "$src/update/app.cfg" $copied
    cmp -s "$dir/notes.txt" "$src/update/notes.txt" || fail "notes.txt not expanded"
    # Changed and new resources at the patch's times; the rest as installed.
    members logo.txt "$src/update/patch/logo.txt" $patched \
        splash.txt "$src/update/patch/splash.txt" $patched \
        colors.txt "$src/product/resources/colors.txt" $installed \
        strings.txt "$src/product/resources/strings.txt" $installed
    ;;
cancelled)
    # Handled before the cancel: the new resources expanded and stamped, old.log
    # removed, the program run; the COPY entries come last, in reverse script
    # order, and app.cfg is the entry in whose turn the cancel came. No cleanup:
    # patch.src stays.
    only app.cfg child.exe data.res logo.txt notes.txt patch.src readme.txt release.flag \
        restool.exe splash.txt started.flag update.txt update.wiz
    files logo.txt "$src/update/patch/logo.txt" $patched \
        splash.txt "$src/update/patch/splash.txt" $patched app.cfg "$src/update/app.cfg" $copied
    cmp -s "$dir/notes.txt" "$src/update/notes.txt" || fail "notes.txt not expanded"
    # Not handled: readme.txt stays compressed (make-example gave it no time).
    [ "$(stat -c %Y "$dir/readme.txt")" != $copied ] || fail "readme.txt stamped after the cancel"
    [ "$(head -c 4 "$dir/readme.txt")" = SZDD ] || fail "readme.txt expanded after the cancel"
    # No encoding: the archive as installed.
    members colors.txt "$src/product/resources/colors.txt" $installed \
        logo.txt "$src/product/resources/logo.txt" $installed \
        strings.txt "$src/product/resources/strings.txt" $installed
    ;;
*) echo "check_example.sh: unknown mode $mode" >&2 && exit 2 ;;
esac

[ "$failures" -eq 0 ] || { echo "$failures failure(s) in $dir"; exit 1; }
echo "the example directory is as a $mode update leaves it"
