#!/usr/bin/env bash
# Builds the Debian package build/quillary-demo_<version>_<arch>.deb: installs the packages the
# build needs, builds, and packs the project's install rules with CPack. SERVER_BASE, as for
# scripts/demo.sh, sets the demo web site's address the client is built for.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
rm -f build/quillary-demo_*.deb
(cd build && cpack -G DEB)
ls -l build/quillary-demo_*.deb
