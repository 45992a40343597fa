#!/usr/bin/env bash
# The wizard on a real terminal (tmux): the progress window drawn in place,
# Ctrl-C pressed as a key while a child program runs (the child must survive
# it, and the question comes once the child has ended), No, then Enter for
# Finish. Exits 77 (skipped) without tmux.
# Usage: tmux_test.sh WIZARD
set -u
wizard=$1
command -v tmux >/dev/null || { echo "tmux missing: skipped"; exit 77; }
here=$(cd "$(dirname "$0")" && pwd)
. "$here/fixture.sh"
work=$(mktemp -d)
socket="wizard-test-$$"
cleanup() {
    tmux -L "$socket" kill-server 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
dir=$work/product
make_update "$dir" '/bin/sh hold.sh'
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
screen() { tmux -L "$socket" capture-pane -p -t wizard; }
keys() { tmux -L "$socket" send-keys -t wizard "$@"; }
# wait_for TEXT: until the screen shows TEXT, 20 s at most.
wait_for() {
    for _ in $(seq 200); do
        screen | grep -qF -- "$1" && return 0
        sleep 0.1
    done
    fail "never saw [$1]"
    screen
    exit 1
}
count() { screen | grep -cF -- "$1"; }

tmux -L "$socket" -f /dev/null new-session -d -s wizard -x 80 -y 60 \
    "env TERM=xterm-256color NO_COLOR= '$wizard' '/DIR=$dir'; echo \"exit \$?\" >'$work/rc'; sleep 60"
wait_for "Accept? [y/N]"
keys y Enter
for _ in $(seq 200); do [ -e "$dir/held" ] && break; sleep 0.1; done
[ -e "$dir/held" ] || fail "the EXECUTE entry never ran"
wait_for "Ctrl-C cancels the update."
expect_once() { [ "$(count "$1")" -eq 1 ] || fail "[$1] shown $(count "$1") times"; }
# Five status texts so far, one window on the screen.
expect_once "Tarvelle Local File Update Wizard v1.0.5a"
expect_once "Destination Directory"
expect_once "Decompressing file 2 of 2."
expect_once "[ Cancel ]"
expect_once "Processing Resources"

# Ctrl-C while the child runs: it must not kill the child, and nothing is asked
# until the wizard pumps its messages again.
keys C-c
sleep 0.5
kill -0 "$(cat "$dir/held")" 2>/dev/null || fail "Ctrl-C reached the child program"
[ "$(count "Are you sure")" -eq 0 ] || fail "asked while the child ran"
touch "$dir/go"
wait_for "[Y/n]"
keys n Enter
wait_for "Press Enter to finish."
# After the question the window is drawn once more, below it, and then in place.
after=$(screen | sed -n '/\[Y\/n\] n/,$p')
[ "$(grep -cF "Tarvelle Local File Update Wizard v1.0.5a" <<<"$after")" -eq 1 ] ||
    fail "the window was not redrawn in place after the question"
grep -qF "All done." <<<"$after" || fail "no All done."
grep -qF "100%" <<<"$after" || fail "the bar is not full"
grep -qF "[ Finish ]" <<<"$after" || fail "Finish not enabled"
! grep -qF "[ Cancel ]" <<<"$after" || fail "Cancel still enabled"
! grep -qF "Cleaning up." <<<"$after" || fail "an old status text stayed on the screen"
keys Enter
for _ in $(seq 100); do [ -e "$work/rc" ] && break; sleep 0.1; done
[ "$(cat "$work/rc" 2>/dev/null)" = "exit 0" ] || fail "the wizard did not end with 0 on Enter"

[ "$failures" -eq 0 ] || { screen; echo "$failures failure(s)"; exit 1; }
echo "the terminal session behaved"
