#!/bin/sh
# The Debian package as `make package` builds it (the package preset: a release build
# of the game alone): its control fields name the libraries found by dpkg-shlibdeps
# and fonts-wine, it holds the installed files under /usr with the program in
# /usr/games, lintian has nothing to say of it even when pedantic, and
# hardening-check finds the program hardened.
# Usage: package_test.sh SOURCE_DIR WORK_DIR (the build tree is kept in WORK_DIR
# between runs, so a second run only rebuilds what changed).
set -u
SOURCE=$1
WORK=$2
. "$SOURCE/tests/install/common.sh"
TREE=$WORK/tree
mkdir -p "$WORK"
rm -f "$TREE"/blackjack_*.deb

LAUNCHER=
command -v ccache >/dev/null && LAUNCHER="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
# shellcheck disable=SC2086
(cd "$SOURCE" && cmake --preset package -B "$TREE" $LAUNCHER) >"$WORK/configure.txt" 2>&1 ||
  { cat "$WORK/configure.txt" >&2; fail "configuring the package preset"; }
cmake --build "$TREE" -j 2 >"$WORK/build.txt" 2>&1 || { tail -30 "$WORK/build.txt" >&2; fail "building"; }
(cd "$TREE" && cpack) >"$WORK/cpack.txt" 2>&1 || { cat "$WORK/cpack.txt" >&2; fail "cpack"; }
set -- "$TREE"/blackjack_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "cpack made no single blackjack_*.deb: $*"
DEB=$1

# ---- Control fields ----
dpkg-deb --info "$DEB" >"$WORK/info.txt" || fail "dpkg-deb --info"
field() { sed -n "s/^ $1: //p" "$WORK/info.txt"; }
[ "$(field Package)" = blackjack ] || fail "Package: $(field Package)"
[ "$(field Section)" = games ] || fail "Section: $(field Section)"
for dependency in fonts-wine libsdl2-2.0-0 libpng16-16 libdeflate0 libfreetype6 libfontconfig1 libc6; do
  field Depends | tr ',' '\n' | grep -q "^ *$dependency\b" || fail "Depends lacks $dependency: $(field Depends)"
done
grep -q '^  [^ ]' "$WORK/info.txt" || fail "the description has no extended text"

# ---- Contents: the install's files under /usr, the program in /usr/games ----
rm -rf "$WORK/unpacked"
dpkg-deb --extract "$DEB" "$WORK/unpacked" || fail "dpkg-deb --extract"
expected_files games >"$WORK/expected.txt"
installed_files "$WORK/unpacked/usr" >"$WORK/packaged.txt"
[ "$(ls "$WORK/unpacked")" = usr ] || fail "the package holds files outside /usr"
diff -u "$WORK/expected.txt" "$WORK/packaged.txt" || fail "the packaged files differ from the list"

# ---- lintian, with its pedantic and informational tags, has nothing to say ----
lintian --pedantic --display-info "$DEB" 2>&1 | grep -v '^running with root privileges' >"$WORK/lintian.txt"
[ ! -s "$WORK/lintian.txt" ] || { cat "$WORK/lintian.txt" >&2; fail "lintian tags the package"; }

# ---- The program is hardened as Debian's are ----
# Control flow protection is left out: Debian 12's C start files carry no IBT and
# SHSTK marking, so no program linked there has it (its own packages do without).
hardening-check --nocfprotection "$WORK/unpacked/usr/games/blackjack" >"$WORK/hardening.txt" ||
  { cat "$WORK/hardening.txt" >&2; fail "hardening-check"; }
echo "$(basename "$DEB"): $(wc -c <"$DEB") bytes, $(wc -l <"$WORK/packaged.txt") files"
