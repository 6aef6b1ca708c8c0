#!/usr/bin/env bash
# Configures and builds into build/ (or the folder given as BUILD_DIR), with any extra
# CMake arguments passed through. A development build: warnings are errors unless
# STILLMAR_WERROR=OFF is in the environment.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} \
  -DSTILLMAR_WERROR="${STILLMAR_WERROR:-ON}" "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
