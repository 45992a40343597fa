#!/usr/bin/env bash
# wizard_test.sh pipes|tmux WIZARD CHILD BUILD_DIR: the real native program on pipes (a row
# per option and exit status), or in tmux (the drawn window, pager, keys, a log).
set -u
mode=$1 wizard=$(realpath "$2") child=$(realpath "$3") build=$(realpath "$4")
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d) socket=wizard-test-$$
trap 'tmux -L "$socket" kill-server 2>/dev/null; rm -rf "$work"' EXIT && failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
wait_file() { for _ in $(seq 300); do [ -e "$1" ] && return 0; sleep 0.1; done; return 1; }

# make_update DIR [EXE]: the utility (the test child) hands out new1.txt to add and
# work.tmp to clean up; app.txt is copied, old.txt removed, EXE waits for "release".
make_update() {
    d=$1 && mkdir -p "$d"
    printf '[HEADER]\r\nCMD=patch.txt\r\n' >"$d/update.wiz"
    printf '%s\r\n' '[HEADER]' DST=data.res '[PRECHECK]' RESEXE=util '[COPY]' COPY=app.txt,900,0 \
        '[EXECUTE]' "EXE=${2:-util wait started release}" '[REMOVE]' REMOVE=old.txt >"$d/patch.txt"
    printf '[ADD]\r\nFILE=new1.txt,900\r\n' >"$d/add.lst"
    printf '[PFF]\r\nENTRY=work.tmp\r\n' >"$d/dump.lst"
    cp "$child" "$d/util"
    for f in data.res app.txt old.txt new1.txt work.tmp; do echo "$f" >"$d/$f"; done
}
export WIZARD_TEST_LST=add.lst WIZARD_TEST_DMP=dump.lst WIZARD_TEST_LOG=util.log
untouched() { [ -e old.txt ] && [ -e work.tmp ] && [ ! -e util.log ]; }
encoded() { grep -q /ENCODE util.log; }
completed() { [ "$(tail -n 1 "$o")" = "All done." ] && [ ! -e old.txt ] && encoded; }
stopped() { [ -e work.tmp ] && ! encoded && ! grep -qx "All done." "$o"; }
question="Are you sure you want to cancel?  Doing so will leave this update incomplete and may \
result in product instability.  If this occurs, you will need to re-install the product. [Y/n]"
asked() { grep -qF "$question" "$o"; }
shows() { grep -qxF -- "$1" "$o"; }       # a line of standard output
said() { [ "$(cat "$e")" = "$1" ]; }      # the whole of standard error
warned() { said "$1"$'\nupdate-wizard: 1 warning.'; }
bogus="update-wizard: unknown option '--bogus'; see update-wizard --help"
nobase="Error! Could not set BaseDirectory variable."
noutil="Resource Utility (util) could not be located. Aborting."
nodump="Warning.  Could not open cleanup configuration file."
file201="Processing resource file 201 of 250."
at() { shows "Destination Directory: $PWD${1:-}"; } # the product directory shown
again() { grep -q "Please answer y or n." "$o"; }
many() { export WIZARD_TEST_MODE=many WIZARD_TEST_COUNT=$1; }
example() { "$root/scripts/make-example" . "$build" >/dev/null; }
# app.txt made a program, then compressed in place: expanded, it must still be one.
packed() { chmod 750 app.txt && "$build/tools/szdd-compress/szdd-compress" -i app.txt >/dev/null; }
example_done() { "$root/tests/example/check_example.sh" .; }
help=$(sed -n '/^## Command line/,/^## /p' "$root/README.md" | sed -n '/^```/,/^```/{/^```/d;p}')

on_pipes() {
    # id | setup in the product dir | arguments (@: the product dir) | input | signal | status |
    # check
    while IFS='|' read -r id setup args input signal status check; do
        d=$work/${id// /-} o=$d.out e=$d.err
        make_update "$d"
        [ "$signal" = - ] && touch "$d/release"
        read -ra argv <<<"${args//@/$d}"
        (cd "$d" && eval "$setup" && { printf "$input" | "$wizard" "${argv[@]}" >"$o" 2>"$e" &
            echo $! >"$d.pid"; wait $!; echo $? >"$d.rc"; }) &
        [ "$signal" = - ] || { wait_file "$d/started" && kill -"$signal" "$(cat "$d.pid")" ||
            fail "$id: the EXECUTE program never started"; touch "$d/release"; }
        wait $!
        [ "$(cat "$d.rc")" = "$status" ] || fail "$id: exit status $(cat "$d.rc"), not $status"
        (cd "$d" && eval "$check") || { fail "$id: $check"; tail -n 5 "$o" "$e"; }
    done <<'ROWS'
help|:|--help|y\n|-|0|[ "$(cat "$o")" = "$help" ] && [ ! -s "$e" ] && untouched
short help|:|-h /DIR=@|y\n|-|0|[ "$(cat "$o")" = "$help" ] && untouched
unknown option|:|--bogus /DIR=@|y\n|-|2|said "$bogus" && [ ! -s "$o" ] && untouched
whole run|:|/DIR=@| Yes \r\n|-|0|completed && [ ! -e work.tmp ] && said "" && at
directory with a blank|mkdir "a b"|/DIR=@/a b|n\n|-|2|at "/a b"
only the first answer counts|:|/DIR=@|yess\ny\n|-|2|untouched && shows "Accept? [y/N] yess"
input ends at the agreement|:|/DIR=@||-|2|untouched
no directory|mkdir gone && cd gone && rmdir ../gone||y\n|-|1|untouched && grep -qx "$nobase" "$e"
planning stops|rm util|/DIR=@|y\n|-|3|untouched && warned "$noutil"
a warning|rm dump.lst|/DIR=@|y\n|-|4|completed && warned "$nodump"
Ctrl-C confirmed|:|/DIR=@|y\n\n|INT|5|asked && stopped
Ctrl-C answered No|:|/DIR=@|y\nyess\n No\n|INT|0|asked && again && completed
Ctrl-C, input ends|:|/DIR=@|y\n|INT|5|asked && stopped
hang-up|:|/DIR=@|y\n|HUP|5|! asked && stopped
SIGTERM|:|/DIR=@|y\n|TERM|5|! asked && stopped
250 files|many 250|/DIR=@|y\n|-|0|completed && [ -z "$(uniq -d "$o")" ] && shows "$file201"
example update|example|/DIR=@|y\n|-|0|said "" && example_done
compressed program|packed|/DIR=@|y\n|-|0|completed && [ "$(stat -c %a:%s app.txt)" = 750:8 ]
ROWS
}

screen() { tmux -L "$socket" capture-pane -p -t "$1"; }
keys() { tmux -L "$socket" send-keys -t "$@"; }
wait_for() { # SESSION TEXT: a failure ends the test, as nothing after it could pass
    for _ in $(seq 300); do screen "$1" | grep -qF -- "$2" && return 0; sleep 0.1; done
    fail "$1 never showed [$2]" && screen "$1" && exit 1
}
session() { # NAME COLUMNS ROWS REDIRECTION
    tmux -L "$socket" -f /dev/null new-session -d -s "$1" -x "$2" -y "$3" \
        "cd '$work/$1' && TERM=xterm '$wizard' /DIR=. $4; echo \$? >'$work/$1.rc'; sleep 600"
}

in_tmux() {
    # 40 columns: the pager, Ctrl-C while the child runs, No, Enter.
    make_update "$work/narrow" '/bin/sh -c "./util wait started release && echo 0 >child.rc"'
    session narrow 40 40 ""
    wait_for narrow "-- More --"
    screen narrow | grep -qx -- "-- More --  space, Enter, q" || fail "pager hint at 40 columns"
    [ -z "$(screen narrow | awk 'length > 39')" ] || fail "a line wider than the terminal"
    keys narrow Enter # one more line, taken without a second key
    wait_for narrow "again."
    [ "$(screen narrow | grep . | tail -n 2)" = $'again.\n-- More --  space, Enter, q' ] ||
        fail "Enter"
    keys narrow q
    wait_for narrow "Accept? [y/N]"
    ! screen narrow | grep -q "By choosing" || fail "q did not skip to the question"
    keys narrow y Enter
    wait_for narrow "Ctrl-C cancels the update."
    wait_file "$work/narrow/started" && keys narrow C-c || fail "the EXECUTE program never started"
    touch "$work/narrow/release"
    wait_for narrow "[Y/n]"
    [ "$(cat "$work/narrow/child.rc")" = 0 ] || fail "Ctrl-C reached the child program"
    keys narrow n Enter
    wait_for narrow "Press Enter to finish."
    after=$(screen narrow | sed -n '/\[Y\/n\] n$/,$p')
    [ "$(grep -c "^Tarvelle Local File Update Wizard$" <<<"$after")" = 1 ] ||
        fail "not redrawn in place"
    for text in "  All done." "100%" "[ Finish ]"; do
        grep -qF -- "$text" <<<"$after" || fail "no [$text]"
    done
    keys narrow Enter
    wait_file "$work/narrow.rc" && [ "$(cat "$work/narrow.rc")" = 0 ] || fail "Finish: exit status"
    # 120 columns, standard output to a file: questions (at most 79 columns wide) on the
    # terminal, no wait for Finish.
    make_update "$work/log"
    touch "$work/log/release"
    session log 120 50 ">'$work/log.out'"
    wait_for log "Accept? [y/N]"
    [ -z "$(screen log | awk 'length > 79')" ] || fail "the agreement is wider than 79 columns"
    keys log y Enter
    wait_file "$work/log.rc" && [ "$(cat "$work/log.rc")" = 0 ] &&
        [ "$(tail -n 1 "$work/log.out")" = "All done." ] ||
        fail "log: exit status $(cat "$work/log.rc"), $(cat "$work/log.out")"
    ! grep -q "Accept?" "$work/log.out" || fail "log: the question went to the log"
}

case $mode in pipes) on_pipes ;; tmux) in_tmux ;; esac
[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "every $mode case passed"
