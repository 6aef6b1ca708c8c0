#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run, test and benchmark.
# Used by the README's commands and by CI; keep this the only list.
set -euo pipefail
PACKAGES=(
  g++ cmake make pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev libavfilter-dev
  libsdl2-dev
  libfluidsynth-dev timgm6mb-soundfont
  libgtest-dev libgmock-dev  # GoogleTest's CMake package checks that its gmock library exists
  ffmpeg
  xvfb xauth x11-apps imagemagick
  desktop-file-utils man-db
  dpkg-dev file lintian appstream  # the Debian package: dependencies, checks
  fonts-dejavu-core
  clang libclang-rt-14-dev clang-format
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
