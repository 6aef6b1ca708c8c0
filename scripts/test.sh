#!/usr/bin/env bash
# Installs what is needed, checks that every C++ file is laid out by .clang-format, builds, and
# runs every test, headless (no display, no sound card needed). Then, each in its own build
# folder:
#   - the README's install build (a clean configure, Release, no tests: GoogleTest hidden from
#     CMake; warnings not errors, the two programs), installed into a temporary prefix, checked
#     by scripts/check-install.sh, and the installed program started and stopped offscreen
#     (skip with STILLMAR_SKIP_INSTALL=1);
#   - the Debian package made from that build, checked by scripts/check-package.sh: fields,
#     AppStream, lintian, then (as root) installed with apt-get, started as an unprivileged
#     user, removed, nothing left (skip with STILLMAR_SKIP_PACKAGE=1);
#   - the whole suite again under the address and undefined-behaviour sanitizers
#     (skip with STILLMAR_SKIP_SANITIZE=1);
#   - the threaded engine, service and MIDI tests under the thread sanitizer
#     (skip with STILLMAR_SKIP_TSAN=1);
#   - a short run of each fuzz target, STILLMAR_FUZZ_SECONDS each (default 60; skip with
#     STILLMAR_SKIP_FUZZ=1).
# Every pass runs even when an earlier one fails; the exit status says whether all passed,
# and a time summary ends the output.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
failed=()
times=()

# pass NAME COMMAND...: runs a pass, keeps its duration and outcome.
pass() {
  local name=$1 start=$SECONDS rc
  shift
  echo "=== $name"
  "$@"
  rc=$?
  times+=("$(printf '%-10s %4ds  %s' "$name" $((SECONDS - start)) "$([ $rc -eq 0 ] && echo ok || echo FAILED)")")
  [ $rc -eq 0 ] || failed+=("$name")
  return $rc
}

suite() {
  scripts/build.sh || return 1
  ctest --test-dir build --output-on-failure -j"$jobs"
}

sanitized_suite() {
  BUILD_DIR=build-asan scripts/build.sh -DSTILLMAR_SANITIZE=ON -DSTILLMAR_BENCH=OFF || return 1
  # A request larger than memory fails as it does without the sanitizer (a test relies on
  # it): the allocator returns null instead of stopping the program.
  ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
    STILLMAR_FIXTURES="$PWD/build/fixtures" \
    ctest --test-dir build-asan --output-on-failure -j"$jobs"
}

# Only the programs whose threads matter are built and run (directly: ctest would also try
# the programs this folder does not build).
TSAN_TESTS=(engine_tests engine_audio_tests audio_tests mci_tests mci_engine_tests midi_sequencer_test
            midi_device_test)
thread_suite() {
  cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTILLMAR_TSAN=ON \
    -DSTILLMAR_BENCH=OFF -DSTILLMAR_WERROR=ON >/dev/null || return 1
  cmake --build build-tsan -j"$jobs" --target "${TSAN_TESTS[@]}" || return 1
  local t rc=0
  for t in "${TSAN_TESTS[@]}"; do
    echo "--- $t"
    TSAN_OPTIONS="suppressions=$PWD/tests/hardening/tsan.supp halt_on_error=1 second_deadlock_stack=1" \
      STILLMAR_FIXTURES="$PWD/build/fixtures" SDL_AUDIODRIVER=dummy \
      "build-tsan/tests/$t" --gtest_brief=1 || rc=1
  done
  return $rc
}

# The build a user makes from the README: its configure line in a clean folder, with
# GoogleTest hidden from CMake so that nothing may look for it, then everything that line builds
# (the libraries and the two programs). Made once for the install and package passes.
RELEASE_DIR=build-release
release_state=""  # ok or failed once tried
release_build() {
  [ -z "$release_state" ] || { [ "$release_state" = ok ]; return; }
  release_state=failed
  rm -rf "$RELEASE_DIR"
  local configure=(cmake -S . -B "$RELEASE_DIR" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
                   -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON)
  echo "--- ${configure[*]}"
  "${configure[@]}" || return 1
  echo "--- cmake --build $RELEASE_DIR"
  cmake --build "$RELEASE_DIR" -j"$jobs" 2>&1 | tee "$RELEASE_DIR/build.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || return 1
  echo "compiler warnings: $(grep -c 'warning:' "$RELEASE_DIR/build.log")"
  ctest --test-dir "$RELEASE_DIR" -N | tail -1
  release_state=ok
}

# That build installed into a temporary prefix and checked by scripts/check-install.sh. The
# installed copy must start on its own (no build folder, a home of its own) and keep running
# until it is asked to end.
install_check() {
  local dir=$RELEASE_DIR root rc=0 pid
  release_build || return 1
  root=$(mktemp -d)
  cmake --install "$dir" --prefix "$root/prefix" || rc=1
  [ $rc -eq 0 ] && { scripts/check-install.sh "$dir" "$root/prefix" || rc=1; }
  if [ $rc -eq 0 ]; then
    (cd "$root/prefix" && find . -type f | sort)
    mkdir -p "$root/home"
    (cd "$root" && HOME="$root/home" QT_QPA_PLATFORM=offscreen exec "$root/prefix/bin/stillmar") &
    pid=$!
    sleep 5
    if kill -0 "$pid" 2>/dev/null; then
      kill -TERM "$pid"
      wait "$pid"
      echo "installed program started, ran 5 s and ended on request (status $?)"
      # Its window's start-up makes the capture folder beside it (or in the home's pictures).
      if [ -d "$root/prefix/bin/Capture" ] || [ -d "$root/home/Pictures/Stillmar/Capture" ]; then
        echo "its window started: capture folder made"
      else
        echo "no capture folder: the window never started"
        rc=1
      fi
    else
      wait "$pid"
      echo "installed program ended by itself within 5 s (status $?)"
      rc=1
    fi
  fi
  rm -rf "$root"
  return $rc
}

# The same build made into a Debian package, which scripts/check-package.sh checks, installs
# into this machine (as root), starts and removes.
package_check() {
  release_build || return 1
  echo "--- cpack -G DEB"
  rm -f "$RELEASE_DIR"/stillmar_*.deb
  (cd "$RELEASE_DIR" && cpack -G DEB) || return 1
  scripts/check-package.sh "$RELEASE_DIR"/stillmar_*.deb
}

# Every C++ file as the project's .clang-format lays it out.
format_check() {
  git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
}

pass format format_check
pass tests suite
[ "${STILLMAR_SKIP_INSTALL:-0}" = 1 ] || pass install install_check
[ "${STILLMAR_SKIP_PACKAGE:-0}" = 1 ] || pass package package_check
[ "${STILLMAR_SKIP_SANITIZE:-0}" = 1 ] || pass asan+ubsan sanitized_suite
[ "${STILLMAR_SKIP_TSAN:-0}" = 1 ] || pass tsan thread_suite
[ "${STILLMAR_SKIP_FUZZ:-0}" = 1 ] || pass fuzz scripts/fuzz.sh "${STILLMAR_FUZZ_SECONDS:-60}"

echo "=== time summary"
printf '%s\n' "${times[@]}"
printf 'total      %4ds\n' "$SECONDS"
if [ ${#failed[@]} -gt 0 ]; then
  echo "failed: ${failed[*]}"
  exit 1
fi
