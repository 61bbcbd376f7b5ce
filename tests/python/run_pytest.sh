#!/usr/bin/env bash
# Installs a build into a prefix inside the build folder and runs pytest on
# the installed Python module (tests/python/TEST), comparing with the
# installed letterfreq-cli on the checkout's starter database.
# Usage: run_pytest.sh BUILD SOURCE PYTHON TEST
set -euo pipefail
build=$(realpath "$1") source=$(realpath "$2") python=$3 test=$4
prefix=$build/pytest-prefix-${test%.py}
rm -rf "$prefix"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
module=$(find "$prefix" -name 'letterfreq*.so' -path '*-packages/*')
[ -n "$module" ] || { echo "run_pytest: the module was not installed" >&2; exit 1; }
export PYTHONPATH=$(dirname "$module"):$source/tests/python
export LETTERFREQ_CLI=$prefix/bin/letterfreq-cli
export LETTERFREQ_DB=$source/data/ling2.db
cd "$prefix"
exec "$python" -m pytest -q -p no:cacheprovider "$source/tests/python/$test"
