#!/usr/bin/env bash
# Takes a screenshot of the real window under Xvfb for each tab, talking to the simulated bus.
# Pictures go to shots/ (reader.png, tag.png, bridge.png).
set -euo pipefail
cd "$(dirname "$0")/.."
KESTREL_WITH_X=1 scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build --target kestrel-tool -j"$(nproc)"
mkdir -p shots
export XDG_RUNTIME_DIR=$(mktemp -d) && chmod 700 "$XDG_RUNTIME_DIR"
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1000x560x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $tool $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1
./build/kestrel-tool --demo >/dev/null &
tool=$!
win=""
for _ in $(seq 1 40); do
  win=$(xdotool search --onlyvisible --name "^Kestrel Tool$" 2>/dev/null | head -n1 || true)
  [[ -n "$win" ]] && xdotool getwindowgeometry "$win" >/dev/null 2>&1 && break
  sleep 0.25
done
[[ -n "$win" ]] || { echo "screenshots: the window did not appear" >&2; exit 1; }
sleep 1
# Without a window manager the window sits at 0,0, so screen and window positions are the same.
click() { xdotool mousemove "$1" "$2"; sleep 0.3; xdotool click 1; }
click 70 74          # Открыть порт
sleep 1
click 128 184        # Поиск считывателя
sleep 4
import -window root shots/reader.png
click 394 49         # tab метка
sleep 3
click 346 360        # Считать (tag parameters)
sleep 2
import -window root shots/tag.png
click 452 49         # tab мост
sleep 3
import -window root shots/bridge.png
echo "screenshots: shots/reader.png shots/tag.png shots/bridge.png"
