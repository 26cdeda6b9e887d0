#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a while: seconds per target,
# default 20; optionally only the targets named. Each starts from its committed seed corpus (fuzz/corpus)
# and its dictionary (fuzz/dict), and keeps what it learns in build-fuzz/corpus. A run that finds a crash,
# a leak or a timeout shows its whole report and fails the script; the input is kept in build-fuzz/.
#   scripts/fuzz.sh [SECONDS [TARGET...]]
# The last line of each run gives its executions and coverage (cov: edges, ft: features).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
all=(fuzz_texts fuzz_replies fuzz_simbus fuzz_cli fuzz_settings fuzz_csv fuzz_views fuzz_logreader fuzz_plan
     fuzz_decode_live fuzz_decode_identity fuzz_decode_boundids fuzz_decode_resetdelay fuzz_decode_tags
     fuzz_decode_bridge fuzz_decode_modes fuzz_decode_acks fuzz_decode_poll)
[[ $# -gt 0 ]] && targets=("$@") || targets=("${all[@]}")
KESTREL_WITH_FUZZ=1 scripts/setup.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
      -DKESTREL_FUZZ=ON -DKESTREL_BENCH=OFF >/dev/null
cmake --build build-fuzz --target "${targets[@]}" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
dictionary() {
  case "$1" in
    fuzz_decode_*|fuzz_replies|fuzz_simbus|fuzz_views) echo fuzz/dict/frames.dict ;;
    fuzz_settings) echo fuzz/dict/settings.dict ;;
    fuzz_csv|fuzz_logreader|fuzz_plan) echo fuzz/dict/csv.dict ;;
    fuzz_texts) echo fuzz/dict/texts.dict ;;
    fuzz_cli) echo fuzz/dict/cli.dict ;;
  esac
}
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t"
  log="build-fuzz/$t.log"
  max_len=4096
  [[ $t == fuzz_views ]] && max_len=256
  if ./build-fuzz/fuzz/$t -max_total_time="$seconds" -max_len=$max_len -timeout=10 -artifact_prefix=build-fuzz/ \
       -dict="$(dictionary "$t")" -print_final_stats=1 "build-fuzz/corpus/$t" "fuzz/corpus/$t" >"$log" 2>&1; then
    echo "$t: $(grep -E '^#[0-9]+.*DONE' "$log" | tail -n1)"
  else
    cat "$log"
    echo "fuzz.sh: $t found a fault; the input is saved as build-fuzz/crash-*, leak-* or timeout-* (see above)" >&2
    exit 1
  fi
done
