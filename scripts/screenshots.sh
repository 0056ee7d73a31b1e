#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Photographs the window on a simulated reader under a virtual display (Xvfb): each panel in
# English and Chinese, and the log after a real write and read, into docs/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target tagwright-screenshots
sim="$(mktemp -d)"
trap 'rm -rf "$sim"' EXIT
CARDHOST_SIM_DIR="$sim" xvfb-run -a -s "-screen 0 1024x768x24" \
    build/release/bin/tagwright-screenshots docs/screenshots
ls docs/screenshots
