#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test, headless (no display, no sound card
# needed). Then the same suite again under the address and undefined-behaviour sanitizers
# unless STILLMAR_SKIP_SANITIZE=1.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
scripts/build.sh
ctest --test-dir build --output-on-failure -j"$(nproc)"
if [ "${STILLMAR_SKIP_SANITIZE:-0}" != 1 ]; then
  BUILD_DIR=build-asan scripts/build.sh -DSTILLMAR_SANITIZE=ON -DSTILLMAR_BENCH=OFF
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    STILLMAR_FIXTURES="$PWD/build/fixtures" \
    ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
fi
