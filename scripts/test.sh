#!/usr/bin/env bash
# Builds and runs every test. Tests that need a real window get one from Xvfb when there is
# no display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
ctest_args=(--test-dir build --output-on-failure -j 2 --timeout 600)
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1600x1000x24" ctest "${ctest_args[@]}"
fi
exec ctest "${ctest_args[@]}"
