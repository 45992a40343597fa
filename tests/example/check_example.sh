#!/usr/bin/env bash
# check_example.sh DIR: what an applied example update (from scripts/make-example)
# left in DIR, checked with host tools only. Times are read before contents, which
# may move them.
set -u
dir=${1:?usage: check_example.sh DIR}
root=$(cd "$(dirname "$0")/../.." && pwd) && src=$root/examples/sample-update
copied=1767225600 # the COPY lines' time: 2026-01-01 00:00 UTC
patched=1764547200 # the patch package's member times: 2025-12-01
installed=1735689600 # the product's resource archive as installed: 2025-01-01
failures=0
fail() { echo "FAIL: $*" && failures=$((failures + 1)); }
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
    local held && held=$(sorted $(ls -A "$dir"))
    [ "$held" = "$(sorted "$@")" ] || fail "directory holds: $held"
}
# NAME SOURCE TIME ...: exactly these members in the archive, read with tar.
members() {
    local unpacked names=() && unpacked=$(mktemp -d)
    tar -xf "$dir/data.res" -C "$unpacked" || fail "data.res is no tar archive"
    while [ $# -gt 0 ]; do
        names+=("$1")
        [ "$(stat -c %Y "$unpacked/$1" 2>&1)" = "$3" ] || fail "data.res: $1 not of time $3"
        cmp -s "$unpacked/$1" "$2" || fail "data.res: member $1 differs from ${2#"$root/"}"
        shift 3
    done
    local held && held=$(sorted $(tar -tf "$dir/data.res"))
    [ "$held" = "$(sorted "${names[@]}")" ] || fail "data.res: $held"
    rm -rf "$unpacked"
}

# Gone: the REMOVE file, captures, lists, encoded resources and the package.
only app.cfg data.res notes.txt readme.txt restool.exe update.txt update.wiz
files readme.txt "$src/update/readme.txt" $copied app.cfg "$src/update/app.cfg" $copied
members logo.txt "$src/update/patch/logo.txt" $patched \
    splash.txt "$src/update/patch/splash.txt" $patched \
    colors.txt "$src/product/resources/colors.txt" $installed \
    strings.txt "$src/product/resources/strings.txt" $installed
cmp -s "$dir/notes.txt" "$src/update/notes.txt" || fail "notes.txt not expanded"

[ "$failures" -eq 0 ] || { echo "$failures failure(s) in $dir"; exit 1; }
echo "the example directory is as the update leaves it"
