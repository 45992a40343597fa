#!/usr/bin/env bash
# The example update applied natively through the line protocol: answers from
# yes(1), one line per status text on standard output, warnings on standard
# error, exit code 0. Once whole (then checked on disk), once with a damaged
# compressed file.
# Usage: example_test.sh WIZARD BUILD_DIR   (exits 77 when the tools are not built)
set -u
wizard=$1
build=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
[ -x "$build/tools/restool/restool" ] && [ -x "$build/tools/szdd-compress/szdd-compress" ] ||
    { echo "restool or szdd-compress not built: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The texts a run may show, in the forms the passes use.
known='^(Reading configuration file \(.*\)|Examining resource file\. \(.*\)|Decompressing file [0-9]+ of [0-9]+\.|Processing resource files\.|Processing [0-9]+ resource files\.|Processing resource file [0-9]+ of [0-9]+\.|Cleaning up\.|All done\.)$'

# apply NAME [DAMAGE]: a fresh example in $work/NAME, DAMAGE run inside it, then the wizard.
apply() {
    local dir=$work/$1
    "$root/scripts/make-example" "$dir" "$build" >/dev/null || fail "$1: make-example"
    [ -n "${2:-}" ] && (cd "$dir" && eval "$2")
    yes | "$wizard" "/DIR=$dir" >"$work/$1.out" 2>"$work/$1.err"
    rc=${PIPESTATUS[1]}
    statuses=$(sed -n '/^Destination Directory: /,$p' "$work/$1.out" | tail -n +2)
    err=$(cat "$work/$1.err")
    [ "$rc" -eq 0 ] || fail "$1: exit code $rc"
    grep -qx "Accept? \[y/N\] y" "$work/$1.out" || fail "$1: the answer is not in the log"
    grep -qx "Destination Directory: $dir" "$work/$1.out" || fail "$1: no destination line"
    [ "$(head -n 1 <<<"$statuses")" = "Reading configuration file (.WIZ)" ] || fail "$1: first status"
    [ "$(tail -n 1 <<<"$statuses")" = "All done." ] || fail "$1: last status"
    local odd
    odd=$(grep -Ev "$known" <<<"$statuses")
    [ -z "$odd" ] || fail "$1: lines that are no status text: $odd"
    [ ! -e "$dir/old.log" ] || fail "$1: old.log not removed"
}

apply whole
[ -z "$err" ] || fail "whole: warnings: $err"
"$root/tests/example/check_example.sh" "$work/whole" whole || fail "whole: on disk"

# A compressed COPY file cut short: its warnings on standard error, the run goes on.
apply damaged 'head -c 12 readme.txt >cut && mv cut readme.txt'
grep -qx "An error occured during decompression of file (readme.txt). Skipping." <<<"$err" ||
    fail "damaged: warning missing: $err"
! grep -q "occured" "$work/damaged.out" || fail "damaged: a warning went to standard output"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "the example update applied through the line protocol"
