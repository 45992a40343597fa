#!/usr/bin/env bash
# release_test.sh BUILD_DIR: the install (natively) and the archive that scripts/release makes of
# the build: every file and nothing else, --version, lintian, the guide where --help says; then
# update-wizard alone, built with a vendor's texts, shows them (the .exe under Wine).
set -u
build=$(realpath "$1") root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT && failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
version=$(sed -n 's/^#define WIZARD_VERSION "\(.*\)"$/\1/p' "$root/src/state/version.h")
programs=(restool szdd-compress update-check update-make update-wizard) doc=share/doc/update-wizard/
mapfile -t guides < <(cd "$root" && find README.md LICENSE docs -type f)
# BIN DOC EXT [MAN [DOC_FILE...]]: the files an installed tree or archive must hold, sorted.
expected() {
    { printf "$1%s$3\n" "${programs[@]}"; printf "$2%s\n" "${guides[@]}" "${@:5}"
      [ $# -lt 4 ] || printf "$4%s.1.gz\n" "${programs[@]}"; } | LC_ALL=C sort
}
# WHAT LISTING EXPECTED: no file missing, none more.
holds() { [ "$(grep -v '/$' <<<"$2" | LC_ALL=C sort)" = "$3" ] || fail "$1 holds:"$'\n'"$2"; }

"$root/scripts/release" "$build" "$work/dist" >/dev/null || fail "scripts/release"
product="Acme Patch Wizard" caption="Acme Terms" text=$'ACME TERMS\n\n"C:\\Acme" & <all>\n'
printf %s "$text" >"$work/terms.txt" && cmake -S "$root" -B "$work/b" -DWIZARD_COMPANY_NAME=Acme \
    -DCMAKE_TOOLCHAIN_FILE="$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:.*=//p' "$build/CMakeCache.txt")" \
    -DWIZARD_PRODUCT_NAME="$product" -DWIZARD_AGREEMENT_CAPTION="$caption" \
    -DWIZARD_AGREEMENT_FILE="$work/terms.txt" >/dev/null &&
    cmake --build "$work/b" --target update-wizard >/dev/null || fail "branded build"
brand=$(ls "$work"/b/src/update-wizard*)
{ strings -a "$brand"; strings -a -el "$brand"; } | grep Tarvelle && fail "branded: Tarvelle"
if [ -f "$build/src/update-wizard.exe" ]; then
    top=update-wizard-$version/ zip=$work/dist/update-wizard-$version-windows.zip
    holds zip "$(unzip -Z1 "$zip")" "$(expected "$top" "$top" .exe)"
    strings=$(unzip -p "$zip" "${top}update-wizard.exe" | strings -el)
    for key in FileVersion ProductVersion; do
        [ "$(grep -A1 -x "$key" <<<"$strings" | tail -n 1)" = "$version" ] || fail "exe $key"
    done
    BRAND_EXE=$brand BRAND_NAME=$product BRAND_CAPTION=$caption BRAND_TEXT=${text//$'\n'/$'\r\n'} \
        "$root/scripts/wine-run" "$build/wineprefix" "$build/tests/ui_automation_test.exe" \
        --gtest_filter=Wine/Agreement.* | tee /dev/stderr | grep -q 'PASSED.*4 tests' || fail Wine
else
    cmake --install "$build" --prefix "$work/p" >/dev/null || fail "cmake --install"
    holds install "$(cd "$work/p"; find -type f)" "$(expected ./bin/ "./$doc" "" ./share/man/man1/)"
    for p in "${programs[@]}"; do
        [ "$("$work/p/bin/$p" --version)" = "$p $version" ] || fail "$p --version"
    done
    deb=$work/dist/update-wizard_${version}_$(dpkg --print-architecture).deb
    holds package "$(dpkg-deb -c "$deb" | awk '{print $6}')" \
        "$(expected ./usr/bin/ "./usr/$doc" "" ./usr/share/man/man1/ copyright changelog.gz)"
    TMPDIR=$work lintian "$deb" >"$work/lintian" 2>&1 || fail "$(cat "$work/lintian")"
    guide=$("$work/p/bin/update-make" --help | sed -n 's/^The .* guide: \(.*\)\.$/\1/p')
    [ -f "$work/p/${guide#/usr/}" ] || fail "update-make --help: no guide at [$guide] in /usr"
    shown=$(cd "$work" && yes | "$brand" 2>/dev/null)
    [[ $shown == "$caption"$'\n\n'"$text"$'\n'*$'\n'"$product v$version"$'\n'* ]] || fail "$shown"
fi
[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "the install and the archive hold what they should"
