#!/usr/bin/env bash
# Builds the Debian package from a fresh copy of the checkout and checks it:
# the .deb by its name, the files it holds, its dependencies from the
# shared libraries, and no lintian error. Each run builds in its own
# temporary folder, removed at exit. Skipped (status 77) without the
# package tools or the build dependencies, or with
# LETTERFREQ_SKIP_PACKAGE_TEST=1. Usage: package_build_test.sh SOURCE
set -euo pipefail
source=$1
skip() { echo "package_build: skipped: $*"; exit 77; }
fail() { echo "package_build: $*" >&2; exit 1; }

[ "${LETTERFREQ_SKIP_PACKAGE_TEST:-0}" != 1 ] || skip "LETTERFREQ_SKIP_PACKAGE_TEST=1"
for tool in dpkg-buildpackage dh lintian; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps --package)"
done
(cd "$source" && dpkg-checkbuilddeps >/dev/null 2>&1) ||
  skip "build dependencies missing: $(cd "$source" && dpkg-checkbuilddeps 2>&1 || true)"

work=$(mktemp -d "${TMPDIR:-/tmp}/letterfreq-package-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

# A copy of what the checkout holds (tracked and new files, not builds).
mkdir "$work/src"
if git -C "$source" rev-parse --show-toplevel >/dev/null 2>&1; then
  (cd "$source" && git ls-files -z -co --exclude-standard |
     tar --null --ignore-failed-read -T - -cf - 2>/dev/null) |
    tar -C "$work/src" -xf -
else
  tar -C "$source" --exclude='./build*' -cf - . | tar -C "$work/src" -xf -
fi

# debhelper gives the build its own HOME; keep the shared compiler cache,
# with paths taken relative to the copy so that runs share its results.
if command -v ccache >/dev/null; then
  CCACHE_DIR=$(ccache -k cache_dir)
  export CCACHE_DIR CCACHE_BASEDIR=$work/src CCACHE_NOHASHDIR=1
fi
export DEB_BUILD_OPTIONS="parallel=2 ${DEB_BUILD_OPTIONS:-}"
if ! (cd "$work/src" && dpkg-buildpackage -us -uc -b) >"$work/build.log" 2>&1; then
  tail -40 "$work/build.log" >&2
  fail "dpkg-buildpackage failed"
fi

version=$(cd "$work/src" && dpkg-parsechangelog -S Version)
arch=$(dpkg-architecture -qDEB_HOST_ARCH)
deb=$work/letterfreq_${version}_${arch}.deb
[ -f "$deb" ] || fail "no $(basename "$deb") was made"

contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/letterfreq ./usr/bin/letterfreq-cli \
    ./usr/share/doc/letterfreq/docs/window.png \
    ./usr/share/letterfreq/ling2.db ./usr/share/letterfreq/sample.txt \
    ./usr/share/applications/letterfreq.desktop \
    ./usr/share/icons/hicolor/scalable/apps/letterfreq.svg \
    ./usr/share/icons/hicolor/48x48/apps/letterfreq.png \
    ./usr/share/man/man1/letterfreq.1.gz ./usr/share/man/man1/letterfreq-cli.1.gz \
    ./usr/share/doc/letterfreq/copyright; do
  grep -q " $path\$" <<<"$contents" || fail "the package lacks $path"
done
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libfltk1.3 libcurl4; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done

# The Python module's package, from the same source.
pydeb=$work/python3-letterfreq_${version}_${arch}.deb
[ -f "$pydeb" ] || fail "no $(basename "$pydeb") was made"
pycontents=$(dpkg-deb -c "$pydeb")
grep -q ' \./usr/lib/python3/dist-packages/letterfreq\.cpython-[^ ]*\.so$' \
  <<<"$pycontents" || fail "python3-letterfreq lacks the module: $pycontents"
depends=$(dpkg-deb -f "$pydeb" Depends)
for needed in python3 "letterfreq (= $version)"; do
  grep -qF "$needed" <<<"$depends" || fail "python3-letterfreq Depends lacks $needed: $depends"
done

lintian_output=$(lintian --display-info --pedantic "$deb" "$pydeb" 2>&1 || true)
echo "$lintian_output"
if grep -q '^E: ' <<<"$lintian_output"; then fail "lintian reports errors"; fi

# Both installed into a scratch root (not the system's): the module
# answers by the starter database installed beside it.
root=$work/root
dpkg-deb -x "$deb" "$root"
dpkg-deb -x "$pydeb" "$root"
answer=$(cd "$work" && PYTHONPATH=$root/usr/lib/python3/dist-packages \
  /usr/bin/python3 -c 'import letterfreq
found = letterfreq.detect("Der schnelle braune Fuchs springt über den faulen Hund.")
print(found.language, found.code)')
[ "$answer" = "German de" ] || fail "the installed module answered: $answer"
echo "package_build: ok ($(basename "$deb"), $(basename "$pydeb"))"
