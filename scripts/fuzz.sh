#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (the code they reach instrumented for coverage, with
# the address and undefined-behaviour sanitizers) and runs each for about SECONDS (default 60).
# Prints each target's execution count, executions per minute and crash count; exits non-zero
# when anything crashed.
# Crash inputs are left in $FUZZ_BUILD_DIR/crashes/<target>/; keep them under tests/regressions/.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-60}
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
TARGETS=(fuzz_command fuzz_midi fuzz_media)
FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"

CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -DSTILLMAR_FUZZ=ON -DSTILLMAR_BENCH=OFF \
  -DSTILLMAR_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS="$FLAGS" \
  -DCMAKE_CXX_FLAGS="$FLAGS" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target "${TARGETS[@]}" >/dev/null

# Seeds: committed ones are copied, so the runs never write into the source tree.
work="$BUILD_DIR/fuzz-work"
# The media target's service runs write each input and its captures as files: on a RAM file
# system when there is one, so that no run waits on the disk (each capture is synced).
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  tmp=$(mktemp -d /dev/shm/stillmar-fuzz.XXXXXX)
  trap 'rm -rf "$tmp"' EXIT
else
  tmp="$PWD/$work/tmp"
  rm -rf "$tmp"
  mkdir -p "$tmp"
fi
seed() {  # target, seed folders...
  local t=$1; shift
  mkdir -p "$work/corpus/$t" "$BUILD_DIR/crashes/$t"
  for d in "$@"; do [ -d "$d" ] && cp -n "$d"/* "$work/corpus/$t/" 2>/dev/null || true; done
}
seed fuzz_command tests/regressions/command tests/hardening/command_corpus
seed fuzz_midi tests/midi/fuzz_corpus tests/regressions/midi
seed fuzz_media tests/hardening/media_corpus tests/regressions/media tests/regressions/media_memory

extra_fuzz_command=(-max_len=2048 -dict=tests/hardening/command.dict)
extra_fuzz_midi=(-max_len=4096 -dict=tests/midi/fuzz_midi.dict)
# Inputs get mutated less the longer they take to run: a few slow ones (a long stretch decoded
# for a seek, a large picture) would otherwise take most of the media target's minute, for
# about the same coverage.
extra_fuzz_media=(-max_len=12288 -entropic_scale_per_exec_time=1)

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1
export SDL_AUDIODRIVER=dummy
export TMPDIR="$tmp"
failed=0
summary=()
for t in "${TARGETS[@]}"; do
  extra="extra_${t}[@]"
  log="$work/$t.log"
  : >"$log"
  runs=0 crashes=0
  start=$SECONDS
  end=$((SECONDS + SECONDS_EACH))
  # A crash stops libFuzzer; start it again on the same corpus until the time is spent.
  while [ $((end - SECONDS)) -gt 2 ]; do
    set +e
    "$BUILD_DIR/fuzz/$t" "${!extra}" -timeout=30 -rss_limit_mb=2560 -print_final_stats=1 \
      -max_total_time=$((end - SECONDS)) -artifact_prefix="$BUILD_DIR/crashes/$t/" \
      "$work/corpus/$t" >>"$log" 2>&1
    rc=$?
    set -e
    n=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
    runs=$((runs + ${n:-0}))
    sed -i 's/stat::number_of_executed_units:/stat::counted_units:/' "$log"
    if [ $rc -ne 0 ]; then
      crashes=$((crashes + 1))
      grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$log" | tail -2 >&2 || true
      [ $crashes -ge 20 ] && break
    else
      break
    fi
  done
  spent=$((SECONDS - start))
  [ $spent -gt 0 ] || spent=1
  summary+=("$(printf '%-13s %9d executions  %8d a minute  %d crashes' "$t" "$runs" \
    $((runs * 60 / spent)) "$crashes")")
  [ $crashes -eq 0 ] || failed=1
done
printf '%s\n' "${summary[@]}"
[ $failed -eq 0 ] || echo "crash inputs: $BUILD_DIR/crashes/" >&2
exit $failed
