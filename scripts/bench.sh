#!/usr/bin/env bash
# Every benchmark in one run of a release build, then one table of the figures:
#   event-loop stall per tick (silent line, answering line, a blocking read for contrast), the log's and the
#   trend's costs, CPU and memory while polling, start to window, the client's inventory against the wire's
#   floor, the bus overview's rounds for 8, 16 and 32 readers against the floor (printed as they come), reconnect time after a replug, 50 replugs in a row, CPU while waiting and with no port open, and
#   kestrel-sim's start and peak memory replaying a 400,000-row log (scripts/bench-replay.sh), the time and
#   peak memory of opening a 400,000-row log in the window (bench_logopen), and the stalls
#   a screen reader meets over the accessibility bus (scripts/bench-a11y.sh).
# Figures, not pass/fail: compare them with an earlier run on the same machine. Takes about eight minutes.
#   scripts/bench.sh [CPU-SECONDS]   (default 20: CPU share measured over this many seconds)
set -euo pipefail
cd "$(dirname "$0")/.."
cpu_s=${1:-20}
KESTREL_WITH_X=1 scripts/setup.sh
dir=build-rel
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTREL_BENCH=ON >/dev/null
cmake --build "$dir" -j"$(nproc)" --target bench_cycle bench_views bench_cli bench_rounds bench_logopen kestrel-tool kestrel-sim >/dev/null
out=$(mktemp -d)
export XDG_RUNTIME_DIR=$out/runtime XDG_CONFIG_HOME=$out/config
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

echo "bench_cycle ..." >&2
(QT_QPA_PLATFORM=offscreen "$dir/bench/bench_cycle" 40 || true) | tee "$out/cycle" >&2
echo "bench_views ..." >&2
(BENCH_CPU_S=$cpu_s QT_QPA_PLATFORM=offscreen "$dir/bench/bench_views" 20 || true) | tee "$out/views" >&2
echo "bench_cli ..." >&2
(QT_QPA_PLATFORM=offscreen "$dir/bench/bench_cli" || true) | tee "$out/cli" >&2
echo "bench_rounds ..." >&2
("$dir/bench/bench_rounds" || true) | tee "$out/rounds" >&2
echo "bench_logopen ..." >&2
(QT_QPA_PLATFORM=offscreen "$dir/bench/bench_logopen" 400000 || true) | tee "$out/logopen" >&2
echo "kestrel-sim --replay ..." >&2
(scripts/bench-replay.sh "$dir/kestrel-sim" 400000 || true) | tee "$out/replay" >&2

# Start to window, and reconnect, with the real program on a virtual display.
display=:$((80 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x800x24 >/dev/null 2>&1 &
xvfb=$!
sim="" tool=""
trap 'kill $tool $sim $xvfb 2>/dev/null || true; rm -rf "$out"' EXIT
export DISPLAY=$display
sleep 1
now_ms() { date +%s%3N; }
wait_window() {  # the first visible window matching xdotool's search $1; prints the ms it took since $2
  for _ in $(seq 400); do
    xdotool search --onlyvisible $1 >/dev/null 2>&1 && { echo $(( $(now_ms) - $2 )); return; }
    sleep 0.01
  done
  echo "-"
}
# The start-up picture is the first window; the main window follows it after the second port scan.
pictures=() starts=()
for _ in 1 2 3; do
  t0=$(now_ms)
  "$dir/kestrel-tool" --reset-settings >/dev/null 2>&1 &
  tool=$!
  pictures+=("$(wait_window "--pid $tool" "$t0")")
  starts+=("$(wait_window "--name ^Kestrel.Tool$" "$t0")")
  kill $tool 2>/dev/null || true  # it may have ended already: a display that refused it, say
  wait $tool 2>/dev/null || true
done

# Reconnect: the tool polls a simulated reader on a stable path; the bus goes away and comes back; the time
# from its return to the first exchange logged again.
link=$out/ttyBENCH
"$dir/kestrel-sim" --readers 0 --link "$link" >/dev/null 2>&1 &
sim=$!
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
"$dir/kestrel-tool" --reset-settings --port "$link" --log-file "$out/bus.csv" >/dev/null 2>&1 &
tool=$!
wait_window "--name ^Kestrel.Tool$" "$(now_ms)" >/dev/null
sleep 3   # past the start-up picture
wid=$(xdotool search --onlyvisible --name "^Kestrel Tool$" | head -n1)
# The menu bar's height: the window's beyond its 429-pixel client area and the status bar below it (its
# height as the source says: two lines).
bar=$(sed -n 's/.*kHeight = \([0-9]*\) \* kLineHeight.*/\1/p' src/ui/statusbar.h)
line=$(sed -n 's/.*kLineHeight = \([0-9]*\);.*/\1/p' src/ui/statusbar.h)
top=$(( $(xdotool getwindowgeometry "$wid" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p') - 429 - ${bar:-1} * ${line:-24} ))
xdotool mousemove 70 $((74 + top)) click 1   # Открыть порт
sleep 2
reconnects=()
for _ in 1 2 3; do
  kill $sim; wait $sim 2>/dev/null || true
  sleep 2
  rows=$(wc -l <"$out/bus.csv")
  "$dir/kestrel-sim" --readers 0 --link "$link" >/dev/null 2>&1 &
  sim=$!
  for _ in $(seq 2000); do [ -e "$link" ] && break; sleep 0.002; done
  t0=$(now_ms)   # the adapter is back
  took="-"
  for _ in $(seq 500); do
    if (( $(wc -l <"$out/bus.csv") > rows )); then   # the first exchange since; its time is its write's
      took=$(( $(date -d "$(sed -n "$((rows + 1))p" "$out/bus.csv" | cut -d, -f1)" +%s%3N) - t0 ))
      break
    fi
    sleep 0.01
  done
  reconnects+=("$took")
  sleep 1
done

# 50 unplug/replug cycles in a row: the bus hangs up at the first request to it and is back on a new pty
# a second later, 50 times, then answers again. Hang-ups come only with requests, so a decoded reply
# after them means the tool reconnected every time.
fds() { ls "/proc/$tool/fd" | wc -l; }
rss() { awk '/VmRSS/ {print $2 / 1024 " MB"}' "/proc/$tool/status"; }
before="$(fds) fds, $(rss)"
kill $sim; wait $sim 2>/dev/null || true
rows=$(wc -l <"$out/bus.csv")
t0=$(now_ms)
"$dir/kestrel-sim" --readers 0 --link "$link" --fault hangup:50 --replug 1000 >/dev/null 2>&1 &
sim=$!
cycles="not all reconnected"
for _ in $(seq 1800); do
  if tail -n +$((rows + 1)) "$out/bus.csv" | grep ",decoded," >/dev/null; then cycles="all reconnected"; break; fi
  sleep 0.1
done
cycles="$cycles in $(( ($(now_ms) - t0) / 1000 )) s"
sleep 3
after="$(fds) fds, $(rss)"

# CPU while the lost port is waited for, and of an idle window with no port open (all threads).
cpu_share() {  # $1 pid, $2 seconds
  local a=0 b=0 x
  for f in /proc/"$1"/task/*/schedstat; do read -r x _ <"$f"; a=$((a + x)); done
  sleep "$2"
  for f in /proc/"$1"/task/*/schedstat; do read -r x _ <"$f"; b=$((b + x)); done
  awk -v d=$((b - a)) -v s="$2" 'BEGIN { printf "%.2f %% of a core over %d s", d / (s * 1e7), s }'
}
kill $sim; wait $sim 2>/dev/null || true
sleep 2
waiting=$(cpu_share $tool 20)
kill $tool; wait $tool 2>/dev/null || true
"$dir/kestrel-tool" --reset-settings >/dev/null 2>&1 &
tool=$!
sleep 5
idle=$(cpu_share $tool 60)
kill $tool; wait $tool 2>/dev/null || true

# Stalls as a screen reader meets them, over the accessibility bus (scripts/bench-a11y.sh, one run).
echo "scripts/bench-a11y.sh ..." >&2
a11y=$(BENCH_A11Y_NO_BUILD=1 scripts/bench-a11y.sh 1 20 "$dir" 2>/dev/null || true)

pick() { grep -m1 "$2" "$out/$1" | sed "s/^ *//" || true; }
printf '\n%-44s %s\n' "figure" "measured"
printf '%-44s %s\n' "--------------------------------------------" "--------------------------------------------"
printf '%-44s %s\n' "stall per tick, silent line (ms)" "$(pick cycle 'silent line' | sed 's/.*worst/worst/')"
printf '%-44s %s\n' "stall per tick, answering reader (ms)" "$(pick cycle 'answering reader' | sed 's/.*worst/worst/')"
printf '%-44s %s\n' "stall of one blocking 256 ms read (ms)" "$(pick cycle 'blocking' | grep -o '[0-9]* ms$')"
printf '%-44s %s\n' "stall, idle window (ms)" "$(pick views 'idle window  ' | sed 's/.*worst/worst/')"
printf '%-44s %s\n' "stall, log 100,000 rows + trend + panel (ms)" "$(pick views 'log (100,000 rows)' | sed 's/.*panel *//')"
printf '%-44s %s\n' "log: 10,000 rows added and painted" "$(pick views '10,000 rows at once' | sed 's/.*in //')"
printf '%-44s %s\n' "log: memory of 100,000 rows" "$(pick views '100,000 rows in the log' | sed 's/.*log: //')"
printf '%-44s %s\n' "repaint of the trend / log (ms)" "$(pick views 'repaint of trendWindow' | grep -o '[0-9.]* ms') / $(pick views 'repaint of trafficLog' | grep -o '[0-9.]* ms')"
printf '%-44s %s\n' "CPU while polling, the tool (all threads)" "$(pick views 'all its threads' | sed 's/.*threads: //')"
printf '%-44s %s\n' "CPU while polling, the window's thread" "$(pick views 'thread alone' | sed 's/.*alone: //')"
printf '%-44s %s\n' "wake-ups per second" "$(pick views 'wake-ups' | sed 's/.*second: //')"
printf '%-44s %s\n' "resident memory while polling" "$(pick views 'resident memory' | sed 's/.*full: //')"
printf '%-44s %s\n' "start to the start-up picture (ms, 3 starts)" "${pictures[*]}"
printf '%-44s %s\n' "start to the main window (ms, 3 starts)" "${starts[*]}"
printf '%-44s %s\n' "client inventory of 32 readers" "$(pick cli 'transactor' | sed 's/.*transactor: //')"
printf '%-44s %s\n' "the wire's floor" "$(pick cli 'physical floor' | sed 's/.*floor: //')"
printf '%-44s %s\n' "the window's cycle, same inventory" "$(pick cli "500 ms cycle" | sed 's/.*cycle: //')"
printf '%-44s %s\n' "kestrel-sim --replay of 400,000 rows" "$(pick replay 'rows' | sed 's/.*): //')"
printf '%-44s %s\n' "opening a log of 400,000 rows (s)" "$(pick logopen 'open to windows' | sed 's/.*windows *//')"
printf '%-44s %s\n' "memory opening 400,000 rows" "$(pick logopen 'resident memory' | sed 's/.*memory *//')"
printf '%-44s %s\n' "reconnect: port back to first request (ms, 3x)" "${reconnects[*]}"
printf '%-44s %s\n' "50 unplug/replug cycles" "$cycles"
printf '%-44s %s\n' "  before / after" "$before / $after"
printf '%-44s %s\n' "CPU while waiting for a lost port" "$waiting"
printf '%-44s %s\n' "CPU of an idle window, no port open" "$idle"
printf '%-44s %s\n' "AT-SPI round trip, idle window (ms)" "$(sed -n 's/^run 1: idle *//; T; s/ (bus.*//p' <<<"$a11y")"
printf '%-44s %s\n' "AT-SPI round trip, polling, log + trend (ms)" "$(sed -n 's/^run 1: polling *//; T; s/ (bus.*//p' <<<"$a11y")"
