#!/usr/bin/env bash
# detect --lines as a filter under GNU parallel: a generated corpus of
# several languages split into blocks for two processes gives, in input
# order, the answers of one process over the whole corpus (the first
# column counts lines within each block, so it is left out).
# Usage: gnu_parallel_test.sh CLI DATABASE SOURCE
set -euo pipefail
cli=$1 db=$2 source=$3
command -v parallel >/dev/null || { echo "gnu_parallel: skipped: no parallel"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "gnu_parallel: $*" >&2; exit 1; }

python3 "$source/tests/python/corpus.py" 4000 11 >"$work/corpus"
"$cli" detect --db "$db" --lines <"$work/corpus" >"$work/one"
parallel --will-cite --pipe --keep-order --block 16k -j 2 \
  "$cli" detect --db "$db" --lines <"$work/corpus" >"$work/split"

[ "$(wc -l <"$work/one")" = 4000 ] || fail "one process gave $(wc -l <"$work/one") answers"
blocks=$(cut -f1 "$work/split" | grep -cx 1)
[ "$blocks" -gt 2 ] || fail "the corpus was not split ($blocks blocks)"
cmp <(cut -f2- "$work/one") <(cut -f2- "$work/split") ||
  fail "the answers under parallel differ from one process's"
echo "gnu_parallel: ok ($blocks blocks)"
