#!/usr/bin/env bash
# A maker's step, not the set-up's: builds a Release tree with Debian's
# hardening flags and makes the Debian packages with CPack: parcel2 (the
# wizard, its desktop entry, icons, manual page, AppStream metainfo and
# copyright) and parcel2-host (the host stand-in, a maker's tool). Checks
# the metainfo with appstreamcli and both packages with lintian, and prints
# the customer's package as its last line.
#   scripts/package.sh [BUILD_DIR]   (default: build-package)
# Needs: cmake ninja-build g++ dpkg-dev file lintian appstream, and what
# scripts/packages.sh installs for the build.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-package}"
# Every hardening flag Debian knows, bindnow included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all

missing=()
for tool in cmake:cmake ninja:ninja-build dpkg-shlibdeps:dpkg-dev dpkg-buildflags:dpkg-dev file:file \
            lintian:lintian appstreamcli:appstream; do
  command -v "${tool%%:*}" > /dev/null || missing+=("${tool#*:}")
done
if [ ${#missing[@]} -ne 0 ]; then
  echo "package: missing tools; install them with: sudo apt-get install $(printf '%s\n' "${missing[@]}" | sort -u | tr '\n' ' ')" >&2
  exit 1
fi

appstreamcli validate --no-net packaging/com.quillmar.Parcel2.metainfo.xml >&2

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPARCEL2_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >&2
cmake --build "$build" >&2
rm -f "$build"/parcel2*.deb
(cd "$build" && cpack -G DEB) >&2

customer="$(ls "$build"/parcel2_*.deb)"
maker="$(ls "$build"/parcel2-host_*.deb)"
# Errors fail the step; warnings are shown.
lintian --fail-on error --suppress-tags-from-file /dev/null "$customer" "$maker" >&2
realpath "$customer"
