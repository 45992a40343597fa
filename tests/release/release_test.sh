#!/usr/bin/env bash
# release_test.sh BUILD_DIR: of a native build, `cmake --install` into a scratch prefix
# (the programs and the guides, nothing else; every --version that of state/version.h)
# and the package's listing; of a MinGW build, the zip's listing and the version
# resource of its update-wizard.exe. The archives are what scripts/release makes.
set -u
build=$(realpath "$1") root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT && failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
version=$(sed -n 's/^#define WIZARD_VERSION "\(.*\)"$/\1/p' "$root/src/state/version.h")
programs=(restool szdd-compress update-check update-make update-wizard) doc=share/doc/update-wizard/
mapfile -t guides < <(cd "$root" && find README.md LICENSE docs -type f)
# BIN DOC [EXT]: the files an installed tree or archive must hold, sorted.
expected() {
    { printf "$1%s${3:-}\n" "${programs[@]}" && printf "$2%s\n" "${guides[@]}"; } | LC_ALL=C sort
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
    holds install "$(cd "$work/p" && find . -type f)" "$(expected ./bin/ "./$doc")"
    for p in "${programs[@]}"; do
        [ "$("$work/p/bin/$p" --version)" = "$p $version" ] || fail "$p --version"
    done
    deb=$work/dist/update-wizard_${version}_$(dpkg --print-architecture).deb
    holds package "$(dpkg-deb -c "$deb" | awk '{print $6}')" "$(expected ./usr/bin/ "./usr/$doc")"
fi
[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "the install and the archive hold what they should"
