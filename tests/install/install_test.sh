#!/bin/sh
# `cmake --install` into a staging folder under a non-default prefix: every file in
# its place and nothing else; the desktop entry, metainfo, icons and manual page pass
# the desktop's and man's own checks, the metainfo names no placeholder address, and
# the page has Debian's sections and the options of --help; the installed program
# runs from a folder outside the source tree with the tree hidden from it.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -u
BUILD=$1
SOURCE=$2
. "$SOURCE/tests/install/common.sh"

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
PREFIX=/opt/blackjack
ROOT=$WORK/dest$PREFIX

DESTDIR=$WORK/dest cmake --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.txt" 2>&1 ||
  { cat "$WORK/install.txt" >&2; fail "cmake --install"; }

# ---- Every file under the prefix inside DESTDIR, and nothing else ----
expected_files bin >"$WORK/expected.txt"
installed_files "$WORK/dest$PREFIX" >"$WORK/installed.txt"
diff -u "$WORK/expected.txt" "$WORK/installed.txt" || fail "the installed files differ from the list"
[ "$(find "$WORK/dest" -mindepth 1 -maxdepth 1)" = "$WORK/dest/opt" ] ||
  fail "files were installed outside the prefix"

# ---- The menu entry: valid, started by the installed program's name, its icon found ----
DESKTOP=$ROOT/share/applications/blackjack.desktop
desktop-file-validate "$DESKTOP" || fail "desktop-file-validate"
key() { sed -n "s/^$1=//p" "$DESKTOP"; }
[ -x "$ROOT/bin/$(key Exec)" ] || fail "Exec=$(key Exec) is not the installed program"
[ "$(key Terminal)" = false ] || fail "the game must not open a terminal"
key Categories | grep -q '^Game;CardGame;' || fail "the entry is not under Game;CardGame;"
for dir in "$ROOT"/share/icons/hicolor/*/apps; do
  [ -f "$dir/$(key Icon).png" ] || fail "Icon=$(key Icon) is missing from $dir"
done

# ---- The metainfo, with its launchable desktop entry ----
appstreamcli validate-tree --no-net "$ROOT" || fail "appstreamcli validate-tree"
! grep -o 'https\{0,1\}://[^<"]*example\.[a-z]*[^<"]*' "$ROOT"/share/metainfo/*.xml ||
  fail "the metainfo names an address that leads nowhere"

# ---- Each icon is a PNG with an alpha channel, of its folder's size ----
for icon in "$ROOT"/share/icons/hicolor/*/apps/*.png; do
  size=$(basename "$(dirname "$(dirname "$icon")")" | sed 's/x/ x /')
  file "$icon" | grep -q "PNG image data, $size, 8-bit/color RGBA" ||
    fail "$(file "$icon") is not an RGBA PNG of $size"
done

# ---- The installed program, from elsewhere, with the source and build trees hidden ----
mkdir -p "$WORK/elsewhere" "$WORK/runtime"
chmod 700 "$WORK/runtime"
printf 'tap 120 200\nwait 500\nscreenshot %s\n' "$WORK/elsewhere/shot.png" >"$WORK/elsewhere/script.txt"
cat >"$WORK/run.sh" <<RUN
cd "$WORK/elsewhere" || exit 1
export XDG_RUNTIME_DIR="$WORK/runtime" XDG_CONFIG_HOME="$WORK/config" HOME="$WORK/home"
"$ROOT/bin/blackjack" --help >help.txt || exit 1
"$ROOT/bin/blackjack" --version >version.txt || exit 1
exec "$ROOT/bin/blackjack" --script script.txt --profile "$WORK/profile"
RUN
BUILD_REAL=$(cd "$BUILD" && pwd -P)
SOURCE_REAL=$(cd "$SOURCE" && pwd -P)
HIDE="mount -t tmpfs none '$SOURCE_REAL'"
case $BUILD_REAL/ in "$SOURCE_REAL"/*) ;; *) HIDE="$HIDE && mount -t tmpfs none '$BUILD_REAL'" ;; esac
if unshare -m --propagation private true 2>/dev/null; then
  unshare -m --propagation private sh -c "$HIDE && [ ! -e '$SOURCE_REAL/CMakeLists.txt' ] && sh '$WORK/run.sh'" \
    >"$WORK/out.txt" 2>&1 || { cat "$WORK/out.txt" >&2; fail "the installed program failed with the trees hidden"; }
else
  echo "NOTE: no mount namespace here; running without hiding the trees"
  sh "$WORK/run.sh" >"$WORK/out.txt" 2>&1 || { cat "$WORK/out.txt" >&2; fail "the installed program failed"; }
fi
grep -q '^blackjack [0-9][0-9.]*$' "$WORK/elsewhere/version.txt" || fail "--version printed: $(cat "$WORK/elsewhere/version.txt")"
file "$WORK/elsewhere/shot.png" | grep -q "PNG image data, 240 x 320" ||
  fail "the headless run wrote no 240 x 320 screenshot"

# ---- The manual page: clean for man, Debian's sections, its OPTIONS those of --help ----
MANPAGE=$ROOT/share/man/man6/blackjack.6.gz
MANWIDTH=80 man --warnings -l "$MANPAGE" >"$WORK/man.txt" 2>"$WORK/man-warnings.txt" || fail "man -l"
[ ! -s "$WORK/man-warnings.txt" ] || { cat "$WORK/man-warnings.txt" >&2; fail "man reports warnings"; }
for section in NAME SYNOPSIS DESCRIPTION OPTIONS 'SCRIPT COMMANDS' FILES ENVIRONMENT 'EXIT STATUS' EXAMPLES; do
  grep -qx "$section" "$WORK/man.txt" || fail "the page has no $section"
done
# section NAME: the section's text, up to the next heading.
section() { awk -v name="$1" '/^[A-Z]/ { inside = ($0 == name); next } inside' "$WORK/man.txt"; }
section FILES | grep -q 'registry\.reg$' && section FILES | grep -q 'registry\.reg\.lock$' ||
  fail "FILES does not name the settings file and its lock"
for variable in XDG_CONFIG_HOME XDG_RUNTIME_DIR; do
  section ENVIRONMENT | grep -q "^       $variable" || fail "ENVIRONMENT does not explain $variable"
done
[ "$(section 'EXIT STATUS' | grep -o '^       [0-9]' | tr -d ' ' | tr '\n' ' ')" = "0 1 2 " ] ||
  fail "EXIT STATUS does not explain 0, 1 and 2"
grep -o '^  --[a-z-]*' "$WORK/elsewhere/help.txt" | tr -d ' ' | sort >"$WORK/help-options.txt"
section OPTIONS | grep -o '^       --[a-z-]*' | tr -d ' ' | sort >"$WORK/man-options.txt"
[ -s "$WORK/help-options.txt" ] || fail "--help lists no options"
diff -u "$WORK/help-options.txt" "$WORK/man-options.txt" >&2 ||
  fail "the options of --help (-) and of the page's OPTIONS (+) differ"
echo "installed under $PREFIX: $(wc -l <"$WORK/installed.txt") files; the program ran with the trees hidden"
