#!/usr/bin/env bash
# Installs a build into a prefix inside the build folder and builds the
# example program against the installed files alone (headers, library,
# letterfreq.pc through pkg-config), then runs it: detection on the
# installed starter database, adding to a new database, an error that
# names the file. Also checks that the headers and the library show
# nothing of the internals. Usage: example_program_test.sh BUILD SOURCE
set -euo pipefail
build=$(realpath "$1") source=$(realpath "$2")
prefix=$build/example-prefix
work=$build/example-work
rm -rf "$prefix" "$work"
mkdir -p "$work"
trap 'rm -rf "$prefix" "$work"' EXIT
fail() { echo "example_program: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
pcdir=$(dirname "$(find "$prefix" -name letterfreq.pc)")
flags=$(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs letterfreq)
case "$flags" in
  *"-I$prefix/"*"-L$prefix/"*|*"-L$prefix/"*"-I$prefix/"*) ;;
  *) fail "pkg-config does not point into the prefix: $flags" ;;
esac
# The installed headers include only each other.
if grep -h '#include "' "$prefix/include/letterfreq/"*.h | grep -v '"letterfreq/'; then
  fail "an installed header includes a file that is not installed"
fi
# Nothing but the public classes leaves the library.
library=$(find "$prefix" -name 'libletterfreq.so.*' -type f)
internal=$(nm -DC --defined-only "$library" | grep -E 'letterfreq::' |
  grep -vE 'letterfreq::(Error|Sample|Database|Detector)' || true)
[ -z "$internal" ] || fail "the library exports internals: $internal"

# Built by the compiler alone, from a copy outside the checkout.
cp "$source/examples/detect_languages.cpp" "$work/"
c++ -std=c++17 -Wall -Wextra -Werror "$work/detect_languages.cpp" $flags \
  -o "$work/detect_languages"
export LD_LIBRARY_PATH=$(dirname "$library")
run() { (cd "$work" && ./detect_languages "$@"); }

out=$(run "Der schnelle braune Fuchs springt über den faulen Hund und läuft weiter." \
  "The quick brown fox jumps over the lazy dog and runs away into the woods.")
grep -qx "method: N-gram Likelihood" <<<"$out" || fail "no method line: $out"
grep -Eq "^German	de	(1|0\.[5-9])" <<<"$out" || fail "German not found: $out"
grep -q "^English	en	" <<<"$out" || fail "English not found: $out"
[ "$(grep -c '^diff: ' <<<"$out")" = 2 ] || fail "no Difference ranks: $out"

printf 'tlhIngan Hol Dajatlh\n' >"$work/entry.txt"
out=$(run --add "$work/new.db" Klingon tlh "$work/entry.txt")
[ "$out" = "Klingon	tlh	1	21
Klingon" ] || fail "adding printed: $out"

if err=$(run --add "$work/new.db" Klingon tlh "$work/missing.txt" 2>&1); then
  fail "a missing file was added"
fi
[ "$err" = "detect_languages: $work/missing.txt: No such file or directory" ] ||
  fail "a missing file gave: $err"
echo "example_program: ok"
