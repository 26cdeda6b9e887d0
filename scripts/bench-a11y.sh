#!/usr/bin/env bash
# The event loop's stalls as a screen reader meets them: the real kestrel-tool under Xvfb with an
# accessibility bus, asked for its main window's name every 5 ms over AT-SPI (scripts/a11y-probe.py, which
# also listens to the tool's accessibility events and reads the traffic log's newest row twice a second, as a
# screen reader user following the log does). Each run measures an idle window
# (no port open, no view), then the window polling a simulated reader with the traffic log (Ctrl+L) and the
# trend (Ctrl+G) open, and prints the worst, 99th percentile and median round trip of each.
# Figures, not pass/fail: compare them with an earlier run on the same machine.
#   scripts/bench-a11y.sh [RUNS] [SECONDS] [BUILD-FOLDER]   (default 5 runs of 20 s each, build-rel)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5} seconds=${2:-20} dir=${3:-build-rel}
KESTREL_WITH_X=1 scripts/setup.sh
if [[ ! -x "$dir/kestrel-tool" || ! -x "$dir/kestrel-sim" || -z "${BENCH_A11Y_NO_BUILD:-}" ]]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$dir" --target kestrel-tool kestrel-sim >/dev/null
fi

# One run inside its own session bus, so the accessibility bus and its registry are this run's alone.
run_once() {
  local out=$1 dir=$2 seconds=$3
  exec 3>"$out/display"
  Xvfb -displayfd 3 -screen 0 1280x800x24 >/dev/null 2>&1 &
  xvfb=$! sim="" tool=""  # not local: the trap runs when the shell ends, after this function returned
  # The tool ends first, while its display is there: it closes its port and removes the port's lock file.
  trap '[[ -n $tool ]] && kill $tool && wait $tool; kill $sim $xvfb 2>/dev/null; wait' EXIT
  for _ in $(seq 50); do [[ -s "$out/display" ]] && break; sleep 0.1; done
  export DISPLAY=:$(cat "$out/display")
  "$dir/kestrel-sim" --readers 0 --link "$out/tty" >/dev/null 2>&1 &
  sim=$!
  for _ in $(seq 50); do [[ -e "$out/tty" ]] && break; sleep 0.1; done
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$dir/kestrel-tool" --reset-settings --port "$out/tty" >/dev/null 2>&1 &
  tool=$!
  local probe="/usr/bin/python3 scripts/a11y-probe.py $tool"
  $probe wait "Kestrel Tool" 30
  sleep 3  # past the start-up picture and the first port scans
  echo "idle    $($probe probe "$seconds")"
  $probe press "Открыть порт"
  local win
  win=$(xdotool search --onlyvisible --name '^Kestrel Tool$' | tail -n1)
  for keys in ctrl+l ctrl+g; do
    xdotool windowfocus --sync "$win"
    xdotool key "$keys"
    sleep 0.5
  done
  $probe wait "Журнал обмена" 10
  $probe wait "График" 10
  sleep 5  # rows in the log and a few repaints of the trend
  echo "polling $($probe probe "$seconds")"
}
export -f run_once

out=$(mktemp -d)
export XDG_RUNTIME_DIR=$out/runtime XDG_CONFIG_HOME=$out/config
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
trap 'rm -rf "$out"' EXIT
for run in $(seq "$runs"); do
  mkdir -p "$out/$run"
  dbus-run-session -- bash -c "run_once '$out/$run' '$dir' '$seconds'" 2>/dev/null | tee "$out/$run/figures" |
    sed "s/^/run $run: /"
done
# worst / p99 / median of the tool, and the bus daemon's own worst over the same asks.
figures() {  # $1 the probe's line
  local n='\([0-9.]*\)'
  sed -n "s/.*worst $n p99 $n median $n ms (bus alone: worst $n.*/\1 \/ \2 \/ \3   (bus \4)/p" <<<"$1"
}
printf '\n%-8s %-34s %s\n' "" "idle window: worst / p99 / median" "polling, log and trend open"
for run in $(seq "$runs"); do
  printf '%-8s %-34s %s\n' "run $run" "$(figures "$(grep '^idle' "$out/$run/figures")")" \
    "$(figures "$(grep '^polling' "$out/$run/figures")")"
done
echo "(ms; bus: the accessibility bus daemon alone, asked just before each time: when it is slow too,"
echo " the machine was busy, not the tool)"
