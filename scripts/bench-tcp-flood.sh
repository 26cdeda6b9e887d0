#!/usr/bin/env bash
# The window's resident memory under a flooding serial device server. A small server (python, on
# 127.0.0.1) stands between the real kestrel-tool, under Xvfb, and kestrel-sim --tcp (a reader at address
# 0): the window opens it ("Открыть порт" pressed over the accessibility bus; reconnecting on, as by
# default) and polls the reader through it for 3 s. Then, on each of two roads, the server sends as fast as
# the window takes them for SECONDS (the reader's replies held back meanwhile), stops, and passes the replies
# again for 10 s more. The window's VmRSS (/proc/PID/status) is read every second throughout.
#   reconnect: the server drops the connection; the window, waiting for the lost port, connects again in the
#              background; that connection is flooded at once (as is any later one), before and after it is
#              taken over as the open port.
#   live:      the connection the window has open, and polls on, is flooded.
# Printed for each road: the RSS at the start (just before the drop or the flood), its peak among the
# samples and when, the high-water mark the kernel kept (VmHWM: a peak between two samples too), the RSS at
# 5 s, at SECONDS and 10 s after the flood stopped; what was sent (on the reconnect road: how much before the
# window took the background connection over), the window's CPU time, and the bytes the window wrote on
# each connection before, during and after the flood (its polling). Figures, not pass/fail.
#   scripts/bench-tcp-flood.sh [BUILD-FOLDER] [SECONDS]   (default build-rel, 60 s)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-rel} seconds=${2:-60}
KESTREL_WITH_X=1 scripts/setup.sh
if [[ ! -x "$dir/kestrel-tool" || ! -x "$dir/kestrel-sim" ]]; then
  nice cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  nice cmake --build "$dir" --target kestrel-tool kestrel-sim >/dev/null
fi

out=$(mktemp -d)
export XDG_RUNTIME_DIR=$out/runtime XDG_CONFIG_HOME=$out/config
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
trap 'rm -rf "$out"' EXIT

# The server: relays the window to the simulated bus, floods along the road, and samples the window's
# memory meanwhile. Its report goes to stdout.
cat >"$out/flood.py" <<'PYTHON'
import os, select, socket, sys, threading, time

road, portfile, pidfile, seconds, sim = sys.argv[1:6]
seconds = float(seconds)
sim_host, sim_port = sim.rsplit(":", 1)
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(16)
open(portfile + ".tmp", "w").write(str(listener.getsockname()[1]))
os.rename(portfile + ".tmp", portfile)
end = time.monotonic() + 60
pid = ""
while not pid and time.monotonic() < end:
    try:
        pid = open(pidfile).read().strip()
    except OSError:
        time.sleep(0.1)
if not pid:
    sys.exit("flood: no window")


def status(key="VmRSS"):  # in MB
    try:
        for line in open("/proc/%s/status" % pid):
            if line.startswith(key + ":"):
                return int(line.split()[1]) / 1024
    except OSError:
        return None


rss = status


def cpu():
    try:
        fields = open("/proc/%s/stat" % pid).read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    except OSError:
        return 0


chunk = memoryview(bytes(range(256)) * 4096)  # 1 MB of every byte value
flooding = threading.Event()
phase = ["before"]  # before, during, after the flood
sent = []  # per window connection: the bytes the flood sent on it
wrote = []  # per window connection: the bytes the window wrote in each phase
first_request = {}  # per flooded connection: the flood's bytes sent on it before the window first wrote on it


def pump_up(conn, to_sim, n):  # the window's requests: counted, and handed to the simulated bus
    while True:
        try:
            data = conn.recv(65536)
        except OSError:
            return
        if not data:
            return
        if n not in first_request and flooding.is_set():
            first_request[n] = sent[n]
        wrote[n][phase[0]] += len(data)
        try:
            to_sim.sendall(data)
        except OSError:
            pass


def pump_down(from_sim, conn):  # the bus's replies reach the window, except while it is flooded
    while True:
        try:
            data = from_sim.recv(65536)
            if not data:
                return
            if not flooding.is_set():
                conn.sendall(data)
        except OSError:
            return


def flood(conn, n):  # without blocking, so that the flood stops on time and the relay's reads are untouched
    while flooding.is_set():
        try:
            if select.select([], [conn], [], 0.2)[1]:
                sent[n] += conn.send(chunk, socket.MSG_DONTWAIT)
        except BlockingIOError:
            continue
        except (OSError, ValueError):
            return


sims = []


def take(conn, flooded):
    """A window's connection, relayed to the simulated bus (which serves one at a time), flooded or not."""
    n = len(wrote)
    wrote.append({"before": 0, "during": 0, "after": 0})
    sent.append(0)
    while sims:  # the former connection's relay ends (a shutdown: its reader thread holds it), so the bus
        former = sims.pop()  # takes the new one
        try:
            former.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        former.close()
    to_sim = socket.create_connection((sim_host, int(sim_port)))
    sims.append(to_sim)
    threading.Thread(target=pump_up, args=(conn, to_sim, n), daemon=True).start()
    threading.Thread(target=pump_down, args=(to_sim, conn), daemon=True).start()
    if flooded:
        threading.Thread(target=flood, args=(conn, n), daemon=True).start()


listener.settimeout(30)
try:
    first, _ = listener.accept()
except socket.timeout:
    sys.exit("flood: the window did not connect")
take(first, False)
time.sleep(3)  # the window polls the simulated reader through the server
start, start_high_water = rss(), status("VmHWM")
flooding.set()
phase[0] = "during"
if road == "reconnect":
    first.shutdown(socket.SHUT_RDWR)
    first.close()

    def accept_all():  # the background connection, and any after it, flooded while the flood lasts
        listener.settimeout(None)
        while True:
            try:
                conn, _ = listener.accept()
            except OSError:
                return
            take(conn, flooding.is_set())

    threading.Thread(target=accept_all, daemon=True).start()
else:
    threading.Thread(target=flood, args=(first, 0), daemon=True).start()

t0, cpu0 = time.monotonic(), cpu()
samples = []  # (seconds since the flood began, MB)


def sample_until(t):
    while time.monotonic() - t0 < t:
        time.sleep(max(0, t0 + len(samples) + 1 - time.monotonic()))
        samples.append((round(time.monotonic() - t0), rss()))


sample_until(seconds)
flooding.clear()
phase[0] = "after"
sent_during, cpu_during = sum(sent), cpu() - cpu0
sample_until(seconds + 10)
high_water = status("VmHWM")


def mb(v):
    return "gone" if v is None else "%.1f" % v


def at(t):
    return next((v for s, v in samples if s >= t), None)


alive = [round(v, 1) for _, v in samples if v is not None]
peak = max(alive) if alive else None
peak_at = next((s for s, v in samples if v is not None and round(v, 1) == peak), 0)
print("RSS MB: start %s, peak %s (at %d s), at 5 s %s, at %g s %s, 10 s after the flood stopped %s" %
      (mb(start), mb(peak), peak_at, mb(at(5)), seconds, mb(at(seconds)), mb(at(seconds + 10))))
print("high-water mark (VmHWM) MB: %s before the flood, %s at the end" % (mb(start_high_water), mb(high_water)))
print("flood: %.0f MB sent in %g s; the window's CPU time meanwhile %.1f s" %
      (sent_during / 1e6, seconds, cpu_during))
if road == "reconnect":
    print("sent on the background connection before the window first wrote on it (took it over): " +
          (", ".join("connection %d: %.0f MB" % (n + 1, b / 1e6) for n, b in sorted(first_request.items()))
           or "none"))
print("the window wrote (bytes before / during / after the flood): " +
      ", ".join("connection %d: %d / %d / %d" % (n + 1, w["before"], w["during"], w["after"])
                for n, w in enumerate(wrote)))
print("RSS MB each second from the flood's start: " + " ".join(mb(v) for _, v in samples))
if None in (v for _, v in samples):
    print("the window went away during the run!")
PYTHON

# One road inside its own session bus, so the accessibility bus and its registry are this run's alone.
run_road() {
  local out=$1 dir=$2 road=$3 seconds=$4 server_script=$5
  exec 3>"$out/display"
  Xvfb -displayfd 3 -screen 0 1280x800x24 >/dev/null 2>&1 &
  xvfb=$! sim="" server="" tool=""  # not local: the trap runs when the shell ends
  trap '[[ -n $tool ]] && kill $tool 2>/dev/null && wait $tool; kill $server $sim $xvfb 2>/dev/null; wait' EXIT
  for _ in $(seq 50); do [[ -s "$out/display" ]] && break; sleep 0.1; done
  export DISPLAY=:$(cat "$out/display")
  "$dir/kestrel-sim" --readers 0 --tcp 127.0.0.1:0 >"$out/sim" 2>/dev/null &
  sim=$!
  for _ in $(seq 50); do [[ -s "$out/sim" ]] && break; sleep 0.1; done
  [[ -s "$out/sim" ]] || { echo "kestrel-sim did not start"; return 1; }
  /usr/bin/python3 "$server_script" "$road" "$out/port" "$out/pid" "$seconds" \
    "$(head -n1 "$out/sim" | sed 's|^tcp://||')" >"$out/report" 2>&1 &
  server=$!
  for _ in $(seq 50); do [[ -s "$out/port" ]] && break; sleep 0.1; done
  [[ -s "$out/port" ]] || { cat "$out/report"; return 1; }
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$dir/kestrel-tool" --reset-settings \
    --port "tcp://127.0.0.1:$(cat "$out/port")" >"$out/tool.log" 2>&1 &
  tool=$!
  echo "$tool" >"$out/pid"
  local probe="/usr/bin/python3 scripts/a11y-probe.py $tool"
  $probe wait "Kestrel Tool" 30
  sleep 3  # past the start-up picture and the first port scans
  $probe press "Открыть порт"
  wait $server || true
  server=""
  cat "$out/report"
  kill -0 "$tool" 2>/dev/null || echo "the window ended: $(tail -n3 "$out/tool.log")"
}
export -f run_road

for road in reconnect live; do
  mkdir -p "$out/$road"
  echo "== $road"
  dbus-run-session -- bash -c "run_road '$out/$road' '$dir' '$road' '$seconds' '$out/flood.py'" 2>/dev/null |
    grep -v '^SpiRegistry daemon'
done
