#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package build/package/tagwright_<version>_<arch>.deb from an optimised build.
# Usage: scripts/package.sh [BUILD_DIR]   (default: the release preset's build/release, set up,
# configured and built here; CI passes its already built build/optimised instead).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-}
if [ -z "$build_dir" ]; then
    scripts/setup.sh
    build_dir=build/release
    cmake --preset release >/dev/null
fi
cmake --build "$build_dir"
out=build/package
rm -rf "$out"
# CPack's DEB generator writes the archives itself with root as the owner, and runs
# dpkg-shlibdeps for the dependencies: no root and no fakeroot needed.
cpack --config "$build_dir/CPackConfig.cmake" -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"
ls "$out"/tagwright_*.deb
