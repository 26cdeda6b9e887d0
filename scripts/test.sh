#!/usr/bin/env bash
# Builds Kestrel Tool and runs the whole test suite.
#   scripts/test.sh              normal build in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UBSan build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=OFF
dir=build
for arg in "$@"; do
  case "$arg" in
    --sanitize) sanitize=ON; dir=build-asan ;;
    -h|--help) sed -n '2,4p' "$0"; exit 0 ;;
    *) echo "scripts/test.sh: unknown option '$arg'" >&2; exit 2 ;;
  esac
done

scripts/setup.sh
jobs=$(nproc)
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=$sanitize \
      -DKESTREL_BENCH=$([[ $sanitize == ON ]] && echo OFF || echo ON) >/dev/null
cmake --build "$dir" -j"$jobs"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$dir"
ctest --output-on-failure -j"$jobs"
