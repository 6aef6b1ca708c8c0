#!/usr/bin/env bash
# Installs what is needed, builds, and starts the program. A first build here is a user's:
# warnings do not stop it; a build folder made by scripts/build.sh keeps its own setting.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if [ -f build/CMakeCache.txt ]; then
  cmake --build build -j"$(nproc)"
else
  STILLMAR_WERROR=OFF scripts/build.sh
fi
exec ./build/stillmar
