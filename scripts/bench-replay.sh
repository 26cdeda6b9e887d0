#!/usr/bin/env bash
# kestrel-sim --replay on a long traffic log: peak resident memory and the time from start until it printed
# its port path (the log read and indexed). Figures, not pass/fail.
#   scripts/bench-replay.sh [KESTREL-SIM] [ROWS]   (default build-rel/kestrel-sim, 400000 rows)
# The log is generated as the tool writes one: a poll of three readers, four commands each, a no-reply now
# and then, events without a request, meanings with commas and quotes.
set -euo pipefail
cd "$(dirname "$0")/.."
sim=${1:-build-rel/kestrel-sim}
rows=${2:-400000}
out=$(mktemp -d)
pid=""
trap 'kill $pid 2>/dev/null || true; rm -rf "$out"' EXIT
log=$out/bus.csv
awk -v rows="$rows" 'BEGIN {
  printf "time,address,command,code,request,reply,reply_ms,outcome,meaning\r\n"
  split("5 7 9", addr, " "); split("F0 FC E7 D1", cmd, " ")
  for (i = 0; i < rows; i++) {
    t = sprintf("2026-12-07T15:%02d:%02d.%03d+03:00", int(i / 60000) % 60, int(i / 1000) % 60, i % 1000)
    if (i % 1000 == 999) { printf "%s,,,,,,,event,\"port opened, \"\"/dev/ttyUSB0\"\"\"\r\n", t; continue }
    a = addr[i % 3 + 1]; c = cmd[int(i / 3) % 4 + 1]
    req = sprintf("31 %02X %s %02X", a, c, (a * 7 + i % 4) % 256)
    if (i % 50 == 49) { printf "%s,%d,values,,%s,,,no-reply,\r\n", t, a, req; continue }
    rep = sprintf("3E %02X %s %02X %02X %02X %02X %02X %02X %02X", a, c, i % 256, int(i / 256) % 256, (i * 3) % 256, (i * 7) % 256, 21, 5, (i * 13) % 256)
    printf "%s,%d,values,,%s,%s,%d,decoded,\"level %d, temperature 21.5 °C\"\r\n", t, a, req, rep, 12 + i % 9, i % 1024
  }
}' >"$log"
now_ms() { date +%s%3N; }
t0=$(now_ms)
/usr/bin/time -v -o "$out/time" "$sim" --replay "$log" --no-pacing >"$out/stdout" 2>"$out/stderr" &
pid=$!
start="-"
for _ in $(seq 6000); do
  if [ -s "$out/stdout" ]; then start=$(( $(now_ms) - t0 )); break; fi
  if ! kill -0 $pid 2>/dev/null; then break; fi
  sleep 0.005
done
child=$(pgrep -P $pid || true)
[ -n "$child" ] && kill -TERM $child
wait $pid 2>/dev/null || true
pid=""
sed 's/^/  /' "$out/stderr" | head -n 5 >&2
peak=$(awk -F': ' '/Maximum resident set size/ {printf "%.1f MB", $2 / 1024}' "$out/time")
printf 'kestrel-sim --replay, %s rows (%s MB log): start to port path %s ms, peak resident %s\n' \
  "$rows" "$(( $(stat -c %s "$log") / 1048576 ))" "$start" "$peak"
