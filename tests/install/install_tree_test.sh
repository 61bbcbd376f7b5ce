#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks the tree: files and
# modes, the desktop entry, the icons, the manual pages, the README's
# pictures and links, and the installed detect on the installed starter
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
# Every picture and page the installed README links to is installed beside
# it (web addresses and anchors aside).
doc=$prefix/share/doc/letterfreq
links=$(grep -o '](\([^)]*\))' "$doc/README.md" | sed 's/^](//; s/)$//' |
  grep -v -e '^https\?:' -e '^#' || true)
[ -n "$links" ] || fail "the README links to nothing: the check found no link"
for link in $links; do
  [ -f "$doc/$link" ] || fail "the installed README links to $link, not installed"
done

# The desktop entry: valid, starting the installed window with the file a
# file manager opens, for text files.
desktop=$prefix/share/applications/letterfreq.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate refused it"
grep -qx "Exec=$prefix/bin/letterfreq %f" "$desktop" ||
  fail "Exec does not start the installed window: $(grep ^Exec "$desktop")"
grep -q "^MimeType=.*text/plain;" "$desktop" || fail "no text MIME type listed"

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
grep -qx "Exec=/usr/bin/letterfreq %f" \
  "$scratch/stage/usr/share/applications/letterfreq.desktop" ||
  fail "a DESTDIR install names the staging folder in Exec"
echo "install_tree: ok"
