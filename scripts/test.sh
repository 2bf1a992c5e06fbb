#!/usr/bin/env bash
# Builds everything and runs every test. Usage: scripts/test.sh [asan|tsan]
#   (no argument) the normal build in build/
#   asan          AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#   tsan          ThreadSanitizer build in build-tsan/ (the threaded parts)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh

variant=${1:-}
jobs=$(nproc)
case "$variant" in
  "")   dir=build;      flags=() ;;
  asan) dir=build-asan; flags=(-DBRASSEL_SANITIZE=ON -DBRASSEL_BENCH=OFF) ;;
  tsan) dir=build-tsan; flags=(-DBRASSEL_TSAN=ON -DBRASSEL_BENCH=OFF) ;;
  *) echo "usage: $0 [asan|tsan]" >&2; exit 2 ;;
esac

cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" >/dev/null
cmake --build "$dir" -j"$jobs"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
label=()
if [[ "$variant" == tsan ]]; then label=(-L threaded); fi
ctest --test-dir "$dir" --output-on-failure -j"$jobs" "${label[@]}"
