#!/usr/bin/env bash
# Installs the Debian packages, then configures and builds everything into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja ${SERVER_BASE:+-DSERVER_BASE="$SERVER_BASE"}
cmake --build build -j "$(nproc)"
