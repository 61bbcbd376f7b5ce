#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks the tree: files and
# modes, the desktop entry, the icons, the manual pages, the launcher's
# first and later starts, and the installed detect on the installed starter
# database. Usage: install_tree_test.sh BUILD SOURCE HAS_WINDOW(0|1)
set -euo pipefail
build=$1 source=$2 has_window=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/usr

fail() { echo "install_tree: $*" >&2; exit 1; }
# expect PATH MODE: the installed file exists with that mode.
expect() {
  [ -f "$prefix/$1" ] || fail "$1 is not installed"
  mode=$(stat -c %a "$prefix/$1")
  [ "$mode" = "$2" ] || fail "$1 has mode $mode, not $2"
}

cmake --install "$build" --prefix "$prefix" >/dev/null

expect bin/letterfreq-cli 755
if [ "$has_window" = 1 ]; then expect bin/letterfreq 755; fi
expect libexec/letterfreq/letterfreq-start 755
for f in sample.txt ling2.db; do
  expect "share/letterfreq/$f" 644
  cmp -s "$source/data/$f" "$prefix/share/letterfreq/$f" ||
    fail "share/letterfreq/$f differs from data/$f"
done
expect share/applications/letterfreq.desktop 644
expect share/icons/hicolor/scalable/apps/letterfreq.svg 644
expect share/icons/hicolor/48x48/apps/letterfreq.png 644
expect share/man/man1/letterfreq.1 644
expect share/man/man1/letterfreq-cli.1 644
expect share/doc/letterfreq/README.md 644
expect share/doc/letterfreq/LICENSE 644

# The desktop entry: valid, and starting the installed launcher.
desktop=$prefix/share/applications/letterfreq.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate refused it"
grep -qx "Exec=$prefix/libexec/letterfreq/letterfreq-start" "$desktop" ||
  fail "Exec does not name the installed launcher: $(grep ^Exec "$desktop")"

# The PNG is 48 by 48: width and height in its IHDR chunk.
size=$(od -An -tx1 -j16 -N8 "$prefix/share/icons/hicolor/48x48/apps/letterfreq.png" | tr -d ' \n')
[ "$size" = 0000003000000030 ] || fail "the PNG icon is not 48x48 ($size)"

# The manual pages render without warnings and carry their names.
for page in letterfreq letterfreq-cli; do
  file=$prefix/share/man/man1/$page.1
  warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
  MANWIDTH=80 man -l "$file" 2>/dev/null | grep -q "^NAME" ||
    fail "$page.1 renders no NAME"
  lexgrog "$file" | grep -q "\"$page - " || fail "lexgrog finds no name in $page.1"
done

"$source/tests/install/launcher_check.sh" "$prefix" "$scratch"

# The installed detect takes the installed starter database by default.
detect=$("$prefix/bin/letterfreq-cli" detect "$prefix/share/letterfreq/sample.txt")
case "$detect" in
  *"	English	"*) ;;
  *) fail "installed detect says: $detect" ;;
esac
mv "$prefix/share/letterfreq/ling2.db" "$scratch/moved.db"
if "$prefix/bin/letterfreq-cli" detect "$prefix/share/letterfreq/sample.txt" \
    >/dev/null 2>&1; then
  fail "detect without the installed database still found one"
fi

# DESTDIR stages the files; the entry names the final place.
DESTDIR=$scratch/stage cmake --install "$build" --prefix /usr >/dev/null
grep -qx "Exec=/usr/libexec/letterfreq/letterfreq-start" \
  "$scratch/stage/usr/share/applications/letterfreq.desktop" ||
  fail "a DESTDIR install names the staging folder in Exec"
echo "install_tree: ok"
