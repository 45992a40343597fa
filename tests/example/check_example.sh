#!/usr/bin/env bash
# Checks on disk, with host tools only, what an applied example update left in
# its product directory (made by scripts/make-example):
#   check_example.sh DIR [whole|cancelled]
# whole:     the update ran to "All done.".
# cancelled: the cancel was confirmed while the EXECUTE program (wait_for_file,
#            which leaves "started.flag") ran: the entry right after it is still
#            handled (the click waits for its message pumping), the last one is
#            not, and there is no encoding and no cleanup.
# Prints each failure; exits 1 when there was any.
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

# Times first: reading a file's contents may move its last-access time.
times() { # NAME WANT: last-write and last-access both WANT
    [ -f "$dir/$1" ] || { fail "$1 missing"; return; }
    local got
    got=$(stat -c '%Y %X' "$dir/$1")
    [ "$got" = "$2 $2" ] || fail "$1: times (write access) $got, not $2 $2"
}
same() { # FILE SOURCE: byte for byte
    [ -f "$1" ] || { fail "${1#"$dir/"} missing"; return; }
    cmp -s "$1" "$2" || fail "${1#"$dir/"} differs from ${2#"$root/"}"
}
absent() {
    for name; do
        [ ! -e "$dir/$name" ] || fail "$name still there"
    done
}
# The directory holds exactly these names.
only() {
    local want got
    want=$(printf '%s\n' "$@" | LC_ALL=C sort)
    got=$(cd "$dir" && LC_ALL=C ls -A)
    [ "$got" = "$want" ] || fail "directory holds: $(tr '\n' ' ' <<<"$got"), not: $(tr '\n' ' ' <<<"$want")"
}
# The archive's members by name, content and time, read with tar: NAME SOURCE TIME ...
members() {
    local unpacked names=() name
    unpacked=$(mktemp -d)
    if ! tar -xf "$dir/data.res" -C "$unpacked"; then
        fail "data.res is no tar archive"
        rm -rf "$unpacked"
        return
    fi
    while [ $# -gt 0 ]; do
        names+=("$1")
        [ "$(stat -c %Y "$unpacked/$1" 2>/dev/null)" = "$3" ] || fail "data.res: $1 not of time $3"
        cmp -s "$unpacked/$1" "$2" || fail "data.res: member $1 differs from ${2#"$root/"}"
        shift 3
    done
    local want got
    want=$(printf '%s\n' "${names[@]}" | LC_ALL=C sort)
    got=$(tar -tf "$dir/data.res" | LC_ALL=C sort)
    [ "$got" = "$want" ] || fail "data.res members: $(tr '\n' ' ' <<<"$got"), not: $(tr '\n' ' ' <<<"$want")"
    rm -rf "$unpacked"
}

case $mode in
whole)
    only app.cfg data.res notes.txt readme.txt restool.exe update.txt update.wiz
    times readme.txt $copied
    times app.cfg $copied
    same "$dir/readme.txt" "$src/update/readme.txt"
    same "$dir/app.cfg" "$src/update/app.cfg"
    same "$dir/notes.txt" "$src/update/notes.txt"
    # Changed and new resources in the archive at the patch's times; the rest as installed.
    members logo.txt "$src/update/patch/logo.txt" $patched \
        splash.txt "$src/update/patch/splash.txt" $patched \
        colors.txt "$src/product/resources/colors.txt" $installed \
        strings.txt "$src/product/resources/strings.txt" $installed
    # Removed: the REMOVE file, both capture files, both lists, the encoded
    # resources and, by the cleanup, the patch package.
    absent old.log '!tmpexec.tmp' '!tmpexec.$$$' update.lst update.dmp logo.txt splash.txt patch.src
    ;;
cancelled)
    only app.cfg data.res logo.txt notes.txt patch.src readme.txt release.flag restool.exe \
        splash.txt started.flag update.txt update.wiz wait_for_file.exe
    # Handled before the cancel: the new resources expanded and stamped, old.log
    # removed, the program run; the COPY entries come last, in reverse script
    # order, and app.cfg is the entry in whose turn the cancel came.
    times logo.txt $patched
    times splash.txt $patched
    times app.cfg $copied
    same "$dir/logo.txt" "$src/update/patch/logo.txt"
    same "$dir/splash.txt" "$src/update/patch/splash.txt"
    same "$dir/app.cfg" "$src/update/app.cfg"
    same "$dir/notes.txt" "$src/update/notes.txt"
    # Not handled: readme.txt stays compressed, with the time make-example gave it.
    [ "$(stat -c %Y "$dir/readme.txt")" != $copied ] || fail "readme.txt stamped after the cancel"
    [ "$(head -c 4 "$dir/readme.txt")" = SZDD ] || fail "readme.txt expanded after the cancel"
    # No encoding: the archive as installed. No cleanup: patch.src stays.
    members colors.txt "$src/product/resources/colors.txt" $installed \
        logo.txt "$src/product/resources/logo.txt" $installed \
        strings.txt "$src/product/resources/strings.txt" $installed
    absent old.log '!tmpexec.tmp' '!tmpexec.$$$' update.lst update.dmp
    ;;
*)
    echo "check_example.sh: unknown mode $mode" >&2
    exit 2
    ;;
esac

[ "$failures" -eq 0 ] || { echo "$failures failure(s) in $dir"; exit 1; }
echo "the example directory is as a $mode update leaves it"
