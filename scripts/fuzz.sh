#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a short while (seconds, default 20).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
KESTREL_WITH_FUZZ=1 scripts/setup.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
      -DKESTREL_FUZZ=ON -DKESTREL_BENCH=OFF >/dev/null
cmake --build build-fuzz --target fuzz_texts fuzz_replies fuzz_simbus -j"$(nproc)"
for t in fuzz_texts fuzz_replies fuzz_simbus; do
  mkdir -p "build-fuzz/corpus/$t"
  ./build-fuzz/fuzz/$t -max_total_time="$seconds" -max_len=4096 "build-fuzz/corpus/$t" 2>&1 | tail -n 2
done
