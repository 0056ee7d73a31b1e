#!/usr/bin/env bash
# Sets up, builds and starts Tagwright on the simulated reader.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
# Until the window exists, show what the simulated reader offers: its reader and its tag.
exec build/release/bin/cardhost-sim demo
