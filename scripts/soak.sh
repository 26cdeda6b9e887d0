#!/usr/bin/env bash
# The soak: the real window against the simulated bus for TICKS exchange ticks of a shortened cycle, with
# random tab switches, random commands and a seeded random schedule of faults (silence, wrong check byte,
# garbage, split, late, over-long, hang-up with reconnect). It runs twice: built with AddressSanitizer and
# UBSan (no crash, no leak, the link statistics equal the faults the bus made, kind by kind), then in the
# normal build, where the resident memory must grow less than 2 MB after the warm-up.
#   scripts/soak.sh [TICKS [SEED]]     (default 100000 ticks, seed 1; CI runs 5000)
set -euo pipefail
cd "$(dirname "$0")/.."
ticks=${1:-100000}
seed=${2:-1}
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=ON -DKESTREL_BENCH=OFF >/dev/null
cmake --build build-asan --target kestrel-soak -j"$(nproc)" >/dev/null
echo "soak under AddressSanitizer and UBSan:"
KESTREL_SOAK_UNDER_ASAN=1 build-asan/tests/kestrel-soak "$ticks" "$seed"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build --target kestrel-soak -j"$(nproc)" >/dev/null
echo "soak in the normal build (memory):"
build/tests/kestrel-soak "$ticks" "$seed"
