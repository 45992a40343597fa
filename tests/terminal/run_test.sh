#!/usr/bin/env bash
# The wizard on pipes: the line protocol of a whole run, decline, a warning,
# Ctrl-C answered No and Yes and a hang-up in the middle of the file pass. The
# signals come from an EXECUTE entry that signals its parent, the wizard, which
# waits for it: so they arrive at the same point of the pass on every run.
# Usage: run_test.sh WIZARD
set -u
wizard=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/fixture.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# run NAME INPUT: runs the wizard on $work/$NAME with INPUT on standard input;
# sets out (what followed the agreement's question), err and rc.
run() {
    local dir=$work/$1
    printf '%s' "$2" | "$wizard" "/DIR=$dir" >"$work/$1.out" 2>"$work/$1.err"
    rc=$?
    out=$(sed -n '/^Accept? \[y\/N\]/,$p' "$work/$1.out")
    err=$(cat "$work/$1.err")
}

expect_eq() { # what expected actual
    [ "$2" = "$3" ] || fail "$1: expected [$2], got [$3]"
}

planned="Tarvelle Local File Update Wizard v1.0.5a
Destination Directory: DIR
Reading configuration file (.WIZ)
Reading configuration file (patch.txt)
Examining resource file. (data.res)
Decompressing file 1 of 2.
Decompressing file 1 of 2.
Decompressing file 2 of 2."
finished="Processing resource files.
Processing 1 resource files.
Processing resource file 1 of 1.
Cleaning up.
All done."

# A complete run, answered by yes(1): every status text on a line of its own.
make_update "$work/full"
yes | "$wizard" "/DIR=$work/full" >"$work/full.out" 2>"$work/full.err"
rc=$?
expect_eq "complete run: exit code" 0 "$rc"
expect_eq "complete run: output" "Accept? [y/N] y
${planned//DIR/$work/full}
Decompressing file 2 of 2.
$finished" "$(sed -n '/^Accept? \[y\/N\]/,$p' "$work/full.out")"
expect_eq "complete run: no warnings" "" "$(cat "$work/full.err")"
expect_eq "complete run: archive" "archive:new1" "$(cat "$work/full/data.res")"
expect_eq "complete run: COPY time" 900 "$(mtime "$work/full/app.txt")"
[ ! -e "$work/full/old.txt" ] || fail "complete run: old.txt not removed"
[ ! -e "$work/full/work.tmp" ] || fail "complete run: work.tmp not cleaned up"

# End of input at the agreement declines: no window, nothing touched.
make_update "$work/decline"
"$wizard" "/DIR=$work/decline" </dev/null >"$work/decline.out" 2>&1
rc=$?
expect_eq "decline: exit code" 0 "$rc"
grep -q '^Accept? \[y/N\] $' "$work/decline.out" || fail "decline: no question"
! grep -q 'Destination Directory' "$work/decline.out" || fail "decline: window shown"
[ -e "$work/decline/old.txt" ] || fail "decline: old.txt touched"

# Any other answer declines as well.
make_update "$work/other"
run other $'no\ny\n'
expect_eq "other answer: output" "Accept? [y/N] no" "$out"

# A failed planning pass: its warning on standard error, then the window closes.
make_update "$work/warn"
rm "$work/warn/util.sh"
run warn $'y\n'
expect_eq "warning: exit code" 0 "$rc"
expect_eq "warning: text" "Resource Utility (util.sh) could not be located. Aborting." "$err"
expect_eq "warning: output ends with the planning texts" "Reading configuration file (patch.txt)" \
    "$(tail -n 1 <<<"$out")"

question="Are you sure you want to cancel?  Doing so will leave this update incomplete and may \
result in product instability.  If this occurs, you will need to re-install the product. [Y/n]"

# Ctrl-C answered No: the question, then the run goes on to its end.
make_update "$work/no" '/bin/sh -c "kill -INT $PPID"'
run no $'y\nn\n\n'
expect_eq "Ctrl-C, No: exit code" 0 "$rc"
expect_eq "Ctrl-C, No: output" "Accept? [y/N] y
${planned//DIR/$work/no}
Decompressing file 2 of 2.
Decompressing file 2 of 2.
$question n
$finished" "$out"
expect_eq "Ctrl-C, No: COPY time" 900 "$(mtime "$work/no/app.txt")"
[ ! -e "$work/no/work.tmp" ] || fail "Ctrl-C, No: work.tmp not cleaned up"

# Ctrl-C answered Yes (the default, an empty line): the pass stops after the
# entry during which it was answered (the COPY entry); no encoding, no cleanup.
make_update "$work/yes" '/bin/sh -c "kill -INT $PPID"'
run yes $'y\n\n'
expect_eq "Ctrl-C, Yes: exit code" 0 "$rc"
expect_eq "Ctrl-C, Yes: output" "Accept? [y/N] y
${planned//DIR/$work/yes}
Decompressing file 2 of 2.
Decompressing file 2 of 2.
$question " "$out"
[ -e "$work/yes/new1.txt" ] || fail "Ctrl-C, Yes: encoding ran"
[ -e "$work/yes/work.tmp" ] || fail "Ctrl-C, Yes: cleanup ran"
expect_eq "Ctrl-C, Yes: archive" "archive:" "$(cat "$work/yes/data.res")"

# A hang-up is the close box: no question, the pass stops at its next check.
make_update "$work/hup" '/bin/sh -c "kill -HUP $PPID"'
run hup $'y\n'
expect_eq "hang-up: exit code" 0 "$rc"
! grep -q 'Are you sure' <<<"$out" || fail "hang-up: asked"
! grep -q 'All done.' <<<"$out" || fail "hang-up: run completed"
[ -e "$work/hup/work.tmp" ] || fail "hang-up: cleanup ran"
expect_eq "hang-up: archive" "archive:" "$(cat "$work/hup/data.res")"

# SIGTERM is taken the same way rather than killing the wizard half-way.
make_update "$work/term" '/bin/sh -c "kill -TERM $PPID"'
run term $'y\n'
expect_eq "SIGTERM: exit code" 0 "$rc"
[ -e "$work/term/work.tmp" ] || fail "SIGTERM: cleanup ran"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all terminal run cases passed"
