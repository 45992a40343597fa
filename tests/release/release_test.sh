#!/usr/bin/env bash
# release_test.sh BUILD_DIR: of a native build, `cmake --install` into a scratch prefix
# (the programs, their manual pages and the guides, nothing else; every --version that
# of state/version.h) and the package: its listing, lintian without an error, the guide
# where the tools' --help says; of a MinGW build, the zip's listing and the version
# resource of its update-wizard.exe. The archives are what scripts/release makes.
set -u
build=$(realpath "$1") root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT && failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
version=$(sed -n 's/^#define WIZARD_VERSION "\(.*\)"$/\1/p' "$root/src/state/version.h")
programs=(restool szdd-compress update-check update-make update-wizard) doc=share/doc/update-wizard/
mapfile -t guides < <(cd "$root" && find README.md LICENSE docs -type f)
# BIN DOC EXT [FILE...]: the files an installed tree or archive must hold, sorted.
expected() {
    { printf "$1%s$3\n" "${programs[@]}"; printf "$2%s\n" "${guides[@]}"
      [ $# -lt 4 ] || printf '%s\n' "${@:4}"; } | LC_ALL=C sort
}
# WHAT LISTING EXPECTED: no file missing, none more.
holds() { [ "$(grep -v '/$' <<<"$2" | LC_ALL=C sort)" = "$3" ] || fail "$1 holds:"$'\n'"$2"; }

"$root/scripts/release" "$build" "$work/dist" >/dev/null || fail "scripts/release"
if [ -f "$build/src/update-wizard.exe" ]; then
    top=update-wizard-$version/ zip=$work/dist/update-wizard-$version-windows.zip
    holds zip "$(unzip -Z1 "$zip")" "$(expected "$top" "$top" .exe)"
    strings=$(unzip -p "$zip" "${top}update-wizard.exe" | strings -el)
    for key in FileVersion ProductVersion; do
        [ "$(grep -A1 -x "$key" <<<"$strings" | tail -n 1)" = "$version" ] || fail "exe $key"
    done
else
    cmake --install "$build" --prefix "$work/p" >/dev/null || fail "cmake --install"
    pages=("${programs[@]/%/.1.gz}")
    holds install "$(cd "$work/p" && find . -type f)" \
        "$(expected ./bin/ "./$doc" "" "${pages[@]/#/./share/man/man1/}")"
    for p in "${programs[@]}"; do
        [ "$("$work/p/bin/$p" --version)" = "$p $version" ] || fail "$p --version"
    done
    [ -z "$(zgrep -L '^\.SH SYNOPSIS' "$work/p/share/man/man1/"*)" ] || fail "no synopsis"
    deb=$work/dist/update-wizard_${version}_$(dpkg --print-architecture).deb
    listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
    holds package "$listing" "$(expected ./usr/bin/ "./usr/$doc" "" \
        "${pages[@]/#/./usr/share/man/man1/}" "./usr/${doc}copyright" "./usr/${doc}changelog.gz")"
    lintian "$deb" >"$work/lintian" 2>&1 || fail "lintian:"$'\n'"$(cat "$work/lintian")"
    for p in update-check update-make; do
        guide=$("$work/p/bin/$p" --help | sed -n "s/^The update author's guide: \(.*\)\.$/\1/p")
        grep -qx ".$guide" <<<"$listing" || fail "$p --help: the guide is not at [$guide]"
    done
fi
[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "the install and the archive hold what they should"
