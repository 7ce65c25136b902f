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

# Every build precompiles the headers common to the test files: parsing gtest, fmt and the
# standard library again for each test file was most of the normal build's time.
configure_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" \
  -DVDRK_TEST_PCH=ON
run_tests build
if [ "$quick" = 1 ]; then exit 0; fi

# One clang build serves the ASan + UBSan run of the suite and the fuzz targets.
# Each fuzz target runs 15 s: enough to go through its seed inputs and mutate well past them,
# short enough for the whole run to stay well inside the CI budget on two cores.
configure_build build-asan "${sanitizer_flags[@]}" -DVDRK_SANITIZE=address -DVDRK_FUZZ=ON -DVDRK_FUZZ_SECONDS=15 \
  -DVDRK_TEST_PCH=ON -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_tests build-asan
echo "=== fuzz"
ctest --test-dir build-asan -j "$jobs" --label-regex fuzz --timeout 600

# ThreadSanitizer is built with clang as well: the build costs about a fifth less CPU time
# than with g++.
configure_build build-tsan "${sanitizer_flags[@]}" -DVDRK_SANITIZE=thread \
  -DVDRK_TEST_PCH=ON -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_tests build-tsan
