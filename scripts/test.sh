#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the project and runs the whole test suite:
# a normal build, then AddressSanitizer + UndefinedBehaviorSanitizer, ThreadSanitizer,
# and the fuzz targets for a bounded time.
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

configure_build_test() {  # folder, extra cmake arguments...
  local dir=$1; shift
  echo "=== build $dir"
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "=== test $dir"
  ctest --test-dir "$dir" -j "$jobs" --timeout 300 --label-exclude fuzz
}

configure_build_test build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ "$quick" = 1 ]; then exit 0; fi

ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  configure_build_test build-asan -DCMAKE_BUILD_TYPE=Debug -DVDRK_SANITIZE=address -DVDRK_BENCH=OFF
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  configure_build_test build-tsan -DCMAKE_BUILD_TYPE=Debug -DVDRK_SANITIZE=thread -DVDRK_BENCH=OFF

echo "=== fuzz"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVDRK_FUZZ=ON -DVDRK_BENCH=OFF \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build-fuzz -j "$jobs" --target vdrk_fuzzers
ctest --test-dir build-fuzz -j "$jobs" --label-regex fuzz --timeout 600
