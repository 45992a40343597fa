#!/bin/sh
# man-page.sh PROGRAM DESCRIPTION OUT: the manual page of PROGRAM in section 1, written
# by help2man from its --help and --version, gzipped as Debian's packages hold them.
set -eu
program=$1 name=$(basename "$1") dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# help2man finds the synopsis only in GNU's form, "Usage:" and then "  or:" lines;
# our programs write "usage:" or "Usage:" with the further forms under the first.
"$program" --help | awk -v name="$name" '
    NR == 1 { sub(/^usage:/, "Usage:"); usage = 1; print; next }
    usage && /^ / && $1 == name { sub(/^ +/, "  or: "); print; next }
    { usage = 0; print }' >"$dir/help"
# help2man asks the program named on its command line; this one answers --help
# with the text above and hands --version to the program.
printf '#!/bin/sh\n[ "$1" = --version ] && exec "%s" --version\ncat "%s"\n' \
    "$program" "$dir/help" >"$dir/$name"
chmod +x "$dir/$name"
help2man --no-info --section=1 --name="$2" --output="$dir/$name.1" "$dir/$name"
gzip -9n <"$dir/$name.1" >"$3"
