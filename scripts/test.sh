#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the project and runs the whole test suite:
# a normal build (g++), then AddressSanitizer + UndefinedBehaviorSanitizer (built with clang,
# which also builds the fuzz targets, run for a bounded time), and ThreadSanitizer (clang).
#   scripts/test.sh            everything
#   scripts/test.sh --quick    the normal build only
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
[ "${1:-}" = "--quick" ] && quick=1

bash scripts/setup.sh

jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1
# GUI tests need a display; Xvfb provides one when there is none.
export VDRK_XVFB=1
# Line tables are enough for sanitizer reports and failing asserts, and much cheaper to
# build than full debug information.
sanitizer_flags=(-DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1" "-DCMAKE_C_FLAGS_DEBUG=-O1 -g1"
  -DVDRK_BENCH=OFF)

configure_build() {  # folder, extra cmake arguments...
  local dir=$1; shift
  echo "=== build $dir"
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}
run_tests() {  # folder, extra ctest arguments...
  local dir=$1; shift
  echo "=== test $dir"
  ctest --test-dir "$dir" -j "$jobs" --timeout 300 --label-exclude fuzz "$@"
}

# A test run mostly waits (the end-to-end runs follow the clocks of the program and the
# stand-ins) and takes a small share of the cores, so the next build runs beside it at the
# lowest priority: the tests take the cores whenever they need them. The build's output
# follows once the tests are done; a failing test run stops the build with it.
background_pid=
background_start=0
trap '[ -z "$background_pid" ] || kill -- "-$background_pid" 2>/dev/null || true' EXIT
export -f configure_build
export jobs
start_beside() {  # log file, command...
  local log=$1; shift
  mkdir -p "$(dirname "$log")"
  background_start=$(date +%s)
  setsid nice -n 19 "$@" >"$log" 2>&1 &
  background_pid=$!
}
finish_beside() {  # log file, what it is
  local status=0
  wait "$background_pid" || status=$?
  background_pid=
  cat "$1"
  [ "$status" = 0 ] || { echo "=== $2 failed"; exit "$status"; }
  echo "=== $2 took $(($(stat -c %Y "$1") - background_start)) s beside the tests"
}
start_build() {  # folder, extra cmake arguments...
  start_beside "$1/ci-build.log" bash -c 'set -euo pipefail; configure_build "$@"' build "$@"
}
finish_build() { finish_beside "$1/ci-build.log" "build $1"; }

# Every build precompiles the headers common to the test files, which saves their parsing
# for each test file.
configure_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" \
  -DVDRK_TEST_PCH=ON
if [ "$quick" = 1 ]; then
  run_tests build
  exit 0
fi

# One clang build serves the ASan + UBSan run of the suite and the fuzz targets.
# Each fuzz target runs 15 s: enough to go through its seed inputs and mutate well past them,
# short enough for the whole run to stay well inside the CI budget on two cores.
start_build build-asan "${sanitizer_flags[@]}" -DVDRK_SANITIZE=address -DVDRK_FUZZ=ON -DVDRK_FUZZ_SECONDS=15 \
  -DVDRK_TEST_PCH=ON -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
run_tests build
finish_build build-asan

# ThreadSanitizer is built with clang as well: the build costs about a fifth less CPU time
# than with g++.
start_build build-tsan "${sanitizer_flags[@]}" -DVDRK_SANITIZE=thread \
  -DVDRK_TEST_PCH=ON -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_tests build-asan
finish_build build-tsan

# The fuzz targets run for a set time each, beside the last test run: they take the time
# its tests leave.
echo "=== fuzz"
start_beside build-asan/ci-fuzz.log ctest --test-dir build-asan -j "$jobs" --label-regex fuzz --timeout 600
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_tests build-tsan
finish_beside build-asan/ci-fuzz.log fuzz
