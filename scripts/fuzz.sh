#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a short while (seconds, default 20). A run that
# finds a crash shows its whole report and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
targets=(fuzz_texts fuzz_replies fuzz_simbus fuzz_cli)
KESTREL_WITH_FUZZ=1 scripts/setup.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
      -DKESTREL_FUZZ=ON -DKESTREL_BENCH=OFF >/dev/null
cmake --build build-fuzz --target "${targets[@]}" -j"$(nproc)"
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t"
  log="build-fuzz/$t.log"
  if ./build-fuzz/fuzz/$t -max_total_time="$seconds" -max_len=4096 -artifact_prefix=build-fuzz/ "build-fuzz/corpus/$t" >"$log" 2>&1; then
    tail -n 2 "$log"
  else
    cat "$log"
    echo "fuzz.sh: $t found a crash; the input is saved as build-fuzz/crash-* (see above)" >&2
    exit 1
  fi
done
