#!/usr/bin/env bash
# The window's stall on a serial device server whose name cannot be looked up. In a network namespace of
# its own, whose resolver (a UDP socket on 127.0.0.1:53) reads each query and never answers, and whose
# /etc/resolv.conf, /etc/hosts and /etc/nsswitch.conf are bind-mounted in a mount namespace of its own
# (the machine's files are never edited), the real kestrel-tool starts under Xvfb with the accessibility
# bus and tcp://plc-gateway.site.invalid:4001 selected; "Открыть порт" is pressed through
# scripts/a11y-probe.py, which goes on asking the main window for its name every 5 ms for 15 s and prints
# the worst round trip: the longest time a screen reader user, or anyone, waits for the window. Then the
# same port is given to kestrel-cli scan, and its wall time and message are printed; and the system's own
# look-up (getent ahosts) is timed first, as the yardstick of how long the resolver takes to give up.
# Figures, not pass/fail. Needs root (the namespaces).
#   scripts/bench-lookup.sh [BUILD-FOLDER]   (default build-rel)
set -euo pipefail
self=$(readlink -f "$0")
cd "$(dirname "$self")/.."
dir=${1:-build-rel}
host=plc-gateway.site.invalid
port=tcp://$host:4001
seconds=15  # probed after the press

if [[ -z "${BENCH_LOOKUP_INSIDE:-}" ]]; then
  [[ $(id -u) -eq 0 ]] || { echo "bench-lookup: needs root for its network and mount namespaces" >&2; exit 1; }
  KESTREL_WITH_X=1 scripts/setup.sh
  if [[ ! -x "$dir/kestrel-tool" || ! -x "$dir/kestrel-cli" ]]; then
    nice cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    nice cmake --build "$dir" --target kestrel-tool kestrel-cli >/dev/null
  fi
  # Everything below runs in the new namespaces, which end with the last of its processes.
  exec env BENCH_LOOKUP_INSIDE=1 unshare --net --mount --propagation private -- "$self" "$dir"
fi

# --- inside the namespaces ---
out=$(mktemp -d)
resolver=""
trap '[[ -n $resolver ]] && kill $resolver 2>/dev/null; wait; rm -rf "$out"' EXIT
ip link set lo up

# The resolver that hears and never answers: each query's name and type go to a line of its log.
cat >"$out/resolver.py" <<'EOF'
import socket, sys
log = open(sys.argv[1], "a", buffering=1)
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 53))
print("ready", flush=True)
while True:
    packet, _ = s.recvfrom(4096)
    labels, at = [], 12
    while at < len(packet) and packet[at]:
        labels.append(packet[at + 1:at + 1 + packet[at]].decode(errors="replace"))
        at += 1 + packet[at]
    kind = int.from_bytes(packet[at + 1:at + 3], "big") if at + 3 <= len(packet) else 0
    log.write("%s %s\n" % (".".join(labels), {1: "A", 28: "AAAA"}.get(kind, kind)))
EOF
printf 'nameserver 127.0.0.1\n' >"$out/resolv.conf"
printf '127.0.0.1 localhost\n::1 localhost\n' >"$out/hosts"
sed 's/^hosts:.*/hosts: files dns/' /etc/nsswitch.conf >"$out/nsswitch.conf"
grep -q '^hosts:' "$out/nsswitch.conf" || echo 'hosts: files dns' >>"$out/nsswitch.conf"
for f in resolv.conf hosts nsswitch.conf; do mount --bind "$out/$f" "/etc/$f"; done
: >"$out/queries"
/usr/bin/python3 "$out/resolver.py" "$out/queries" >"$out/resolver.ready" &
resolver=$!
for _ in $(seq 50); do [[ -s "$out/resolver.ready" ]] && break; sleep 0.1; done

queries() { wc -l <"$out/queries"; }
now() { date +%s.%N; }
span() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b - a }'; }

echo "port $port; resolver on 127.0.0.1:53 reads and never answers"
t0=$(now)
if getent ahosts "$host" >/dev/null 2>&1; then echo "getent: the name was found!"; fi
echo "system look-up (getent ahosts): gives up after $(span "$t0" "$(now)") s, $(queries) queries heard"
echo

# The window, inside its own session bus, so the accessibility bus and its registry are this run's alone.
run_window() {
  local out=$1 dir=$2 port=$3 seconds=$4
  exec 3>"$out/display"
  Xvfb -displayfd 3 -screen 0 1280x800x24 >/dev/null 2>&1 &
  xvfb=$! tool=""  # not local: the trap runs when the shell ends
  trap '[[ -n $tool ]] && kill $tool 2>/dev/null && wait $tool; kill $xvfb 2>/dev/null; wait' EXIT
  for _ in $(seq 50); do [[ -s "$out/display" ]] && break; sleep 0.1; done
  export DISPLAY=:$(cat "$out/display")
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$dir/kestrel-tool" --reset-settings --port "$port" \
    >"$out/tool.log" 2>&1 &
  tool=$!
  local probe="/usr/bin/python3 scripts/a11y-probe.py $tool"
  $probe wait "Kestrel Tool" 30
  sleep 3  # past the start-up picture and the first port scans
  echo "window, idle before the press (3 s): $($probe probe 3)"
  local before
  before=$(wc -l <"$out/queries")
  echo "window, $seconds s after \"Открыть порт\":   $($probe press-probe "Открыть порт" "$seconds")"
  echo "  queries heard meanwhile: $(($(wc -l <"$out/queries") - before))"
  echo "  the window says:"
  $probe texts | sed 's/^/    /'
  kill -0 "$tool" 2>/dev/null || echo "  the window is gone! $(tail -n3 "$out/tool.log")"
}
export -f run_window

export XDG_RUNTIME_DIR=$out/runtime XDG_CONFIG_HOME=$out/config
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
dbus-run-session -- bash -c "run_window '$out' '$dir' '$port' '$seconds'" 2>/dev/null |
  grep -v '^SpiRegistry daemon'
echo

before=$(queries)
t0=$(now)
set +e
message=$("$dir/kestrel-cli" --port "$port" scan 2>&1)
rc=$?
set -e
echo "kestrel-cli --port $port scan: $(span "$t0" "$(now)") s, exit $rc, $(($(queries) - before)) queries heard"
sed 's/^/  /' <<<"$message"
echo
echo "(the worst round trip is the longest wait for the window's event loop; \"worst at\" is when it"
echo " began, in seconds after the press; bus: the accessibility bus daemon alone)"
