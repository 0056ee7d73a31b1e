#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and starts Tagwright on the simulated reader: the window where a display is
# available, else a short write and read with tagwright-cli.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
B=build/release/bin
# The simulator only, unless asked otherwise: a running pcscd (with vpcd's virtual readers, which
# the test setup installs) would otherwise put its readers first.
export CARDHOST_BACKENDS="${CARDHOST_BACKENDS:-sim}"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$B/tagwright"
fi
echo "No display available: writing and reading a tag with tagwright-cli on the simulator instead."
"$B/tagwright-cli" write text "Hello from Tagwright"
exec "$B/tagwright-cli" read text
