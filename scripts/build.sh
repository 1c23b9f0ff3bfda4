#!/usr/bin/env bash
# Installs the Debian packages, then configures and builds everything into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Installed under /usr, as the Debian package puts it (scripts/package.sh).
cmake -S . -B build -G Ninja -DCMAKE_INSTALL_PREFIX=/usr ${SERVER_BASE:+-DSERVER_BASE="$SERVER_BASE"}
cmake --build build -j "$(nproc)"
