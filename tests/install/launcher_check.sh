#!/usr/bin/env bash
# The desktop launcher of an installed tree: the first start copies the
# sample and the starter database into $XDG_DATA_HOME/letterfreq and starts
# the window there; a later start keeps the user's files; a relative
# XDG_DATA_HOME is ignored. The window is replaced by a stand-in that
# reports its folder. Usage: launcher_check.sh PREFIX SCRATCH
set -euo pipefail
prefix=$1 scratch=$2
fail() { echo "launcher: $*" >&2; exit 1; }
launcher=$prefix/libexec/letterfreq/letterfreq-start

# A copy of the tree whose window prints where it started.
tree=$scratch/launcher-tree
mkdir -p "$tree"
cp -a "$prefix/." "$tree/"
printf '#!/bin/sh\npwd\n' > "$tree/bin/letterfreq"
chmod 755 "$tree/bin/letterfreq"
launcher=$tree/libexec/letterfreq/letterfreq-start

home=$scratch/home
mkdir -p "$home"
folder=$scratch/xdg/letterfreq
started=$(HOME=$home XDG_DATA_HOME=$scratch/xdg "$launcher")
[ "$started" = "$folder" ] || fail "the window started in $started"
for f in sample.txt ling2.db; do
  cmp -s "$prefix/share/letterfreq/$f" "$folder/$f" || fail "$f was not copied"
  [ -w "$folder/$f" ] || fail "the copy of $f is not writable"
done
[ -z "$(find "$folder" -name '.*' -type f)" ] || fail "a partial copy was left"

# A later start keeps what the user changed.
echo "the user's own" > "$folder/ling2.db"
HOME=$home XDG_DATA_HOME=$scratch/xdg "$launcher" >/dev/null
[ "$(cat "$folder/ling2.db")" = "the user's own" ] ||
  fail "a later start overwrote ling2.db"

# Without XDG_DATA_HOME, or with a relative one: ~/.local/share/letterfreq.
for xdg in "" relative/path; do
  started=$(cd "$scratch" && HOME=$home XDG_DATA_HOME=$xdg "$launcher")
  [ "$started" = "$home/.local/share/letterfreq" ] ||
    fail "with XDG_DATA_HOME='$xdg' the window started in $started"
done
[ ! -e "$scratch/relative" ] || fail "a relative XDG_DATA_HOME was used"
