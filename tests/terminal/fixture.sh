# A small update in a fresh directory, for the terminal tests. Sourced.
#
# make_update DIR [EXECUTE_LINE]
#   DIR gets update.wiz, the script patch.txt, the resource archive data.res, a
#   shell resource utility util.sh, the COPY file app.txt, the REMOVE file
#   old.txt, and (through the utility) the ADD file new1.txt and the cleanup file
#   work.tmp. EXECUTE_LINE, when given, becomes the script's one EXE line.
make_update() {
    local dir=$1 execute=${2:-}
    rm -rf "$dir"
    mkdir -p "$dir"
    printf '[HEADER]\r\nCMD=patch.txt\r\n' >"$dir/update.wiz"
    {
        printf '[HEADER]\r\nDST=data.res\r\n'
        printf '[PRECHECK]\r\nRESEXE=util.sh\r\n'
        printf '[COPY]\r\nCOPY=app.txt,900,0\r\n'
        [ -n "$execute" ] && printf '[EXECUTE]\r\nEXE=%s\r\n' "$execute"
        printf '[REMOVE]\r\nREMOVE=old.txt\r\n'
    } >"$dir/patch.txt"
    printf 'archive:' >"$dir/data.res"
    printf 'app\n' >"$dir/app.txt"
    printf 'old\n' >"$dir/old.txt"
    printf 'new1\n' >"$dir/new1.txt"
    printf 'scratch\n' >"$dir/work.tmp"
    # The resource utility: /WORK lists new1.txt, /DUMP lists work.tmp, /ENCODE
    # appends the named files to the archive.
    cat >"$dir/util.sh" <<'UTIL'
#!/bin/sh
eval "last=\${$#}"
case "$last" in
/WORK) printf '[ADD]\r\nFILE=new1.txt,900\r\n' >update.lst ;;
/DUMP) printf '[PFF]\r\nENTRY=work.tmp\r\n' >update.dmp ;;
/ENCODE)
    archive=$1
    shift
    for name in "$@"; do
        [ "$name" = /ENCODE ] || cat "$name" >>"$archive"
    done
    ;;
esac
UTIL
    chmod +x "$dir/util.sh"
    # Waits until the test lets it go, so that the wizard stays inside a pass.
    cat >"$dir/hold.sh" <<'HOLD'
#!/bin/sh
echo $$ >held
while [ ! -e go ]; do sleep 0.05; done
HOLD
}

# mtime FILE: the last-write time in seconds.
mtime() { stat -c %Y "$1"; }
