#!/usr/bin/env bash
# Takes screenshots of the real windows under Xvfb, talking to the simulated bus: the main window on each
# tab, the traffic log, the trend and the service panel, each cut to its window, in Russian and in English.
# Pictures go to docs/ru/ and docs/en/ (the README shows them).
set -euo pipefail
cd "$(dirname "$0")/.."
KESTREL_WITH_X=1 scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build --target kestrel-tool kestrel_translations -j"$(nproc)"
export XDG_RUNTIME_DIR=$(mktemp -d) && chmod 700 "$XDG_RUNTIME_DIR"
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x800x24 >/dev/null 2>&1 &
xvfb=$!
tool=""
trap 'kill $tool $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1
take() {
lang=$1 out=docs/$1
trendTitle=$2 logTitle=$3 panelTitle=$4 tagTab=$5 bridgeTab=$6
mkdir -p "$out"
# A settings folder of its own, so the pictures never depend on what an earlier run remembered.
XDG_CONFIG_HOME=$(mktemp -d) ./build/kestrel-tool --demo --lang "$lang" >/dev/null &
tool=$!
win=""
for _ in $(seq 1 40); do
  win=$(xdotool search --onlyvisible --name "^Kestrel Tool$" 2>/dev/null | head -n1 || true)
  [[ -n "$win" ]] && xdotool getwindowgeometry "$win" >/dev/null 2>&1 && break
  sleep 0.25
done
[[ -n "$win" ]] || { echo "screenshots: the window did not appear" >&2; exit 1; }
sleep 1
# Without a window manager the window sits at 0,0; the menu bar takes the top (the window's height
# beyond its 429-pixel client area and the 24-pixel status bar below it), and the positions below are the
# client area's.
top=$(( $(xdotool getwindowgeometry "$win" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p') - 429 - 24 ))
click() { xdotool mousemove "$1" $(( $2 + top )); sleep 0.3; xdotool click 1; }
shoot() { import -window "$1" "$out/$2.png"; }
# The window named $1, once it is shown.
window() {
  local id=""
  for _ in $(seq 1 20); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    [[ -n "$id" ]] && break
    sleep 0.25
  done
  echo "$id"
}
click 70 74          # Open the port
sleep 1
click 128 184        # Find the readers
sleep 12             # the live values run a while, for the trend
shoot "$win" reader
# Each view over the main window in turn (they all open at 0,0), taken and put away again.
view() {
  xdotool windowfocus "$win"
  sleep 0.3
  xdotool key "$1"
  sleep 1
  local id
  id=$(window "$2")
  [[ -n "$id" ]] || { echo "screenshots: $2 did not appear" >&2; exit 1; }
  if [[ "$3" == trend ]]; then  # the last minute, so the values fill the plots
    xdotool mousemove 420 21; sleep 0.3; xdotool click 1; sleep 0.5; xdotool key Home Return; sleep 1
  fi
  shoot "$id" "$3"
  xdotool windowunmap "$id"
  sleep 0.5
}
view ctrl+g "$trendTitle" trend
view ctrl+l "$logTitle" log
view ctrl+shift+s "$panelTitle" service
click "$tagTab" 49    # the tag tab
sleep 3
click 346 360        # read the tag's parameters
sleep 2
shoot "$win" tag
click "$bridgeTab" 49 # the bridge tab
sleep 3
shoot "$win" bridge
kill $tool
wait $tool 2>/dev/null || true
echo "screenshots: $out/{reader,tag,bridge,log,trend,service}.png"
}
# The windows' titles and where the tag and bridge tabs sit (their texts' widths differ) in each language.
take ru "График" "Журнал обмена" "Сервисная панель" 394 452
take en "Trend" "Traffic log" "Service panel" 345 398
