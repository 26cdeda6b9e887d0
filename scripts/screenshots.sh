#!/usr/bin/env bash
# Takes the README's pictures anew: the real windows on a 1920x1080 screen (Xvfb), talking to the simulated
# bus, each cut to its window: the main window on each tab, the traffic log, the trend, the service panel and
# the bus overview, in Russian and in English, at a screen scale of 1 and of 2 (QT_SCALE_FACTOR). The buttons
# and tabs are pressed through the accessibility bus by their names, so the pictures do not depend on where
# the controls stand or how big the window is.
#   scripts/screenshots.sh [--scale S]... [--lang ru|en]... [--only main|views] [--out DIR]
# Pictures go to DIR/<lang>/<picture>.png at scale 1 and <picture>@<S>x.png at scale S (DIR: docs, which the
# README shows). --only main takes the three tabs of the main window, --only views the log, trend, panel and
# bus overview.
# KESTREL_BUILD_DIR names the build folder (build).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/xsession.sh
scales=() langs=() only="" out=docs
args=("$@")
while [[ $# -gt 0 ]]; do
  case $1 in
    --scale) scales+=("$2"); shift 2 ;;
    --lang) langs+=("$2"); shift 2 ;;
    --only) only=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "screenshots: unknown option $1" >&2; exit 2 ;;
  esac
done
[[ ${#scales[@]} -gt 0 ]] || scales=(1 2)
[[ ${#langs[@]} -gt 0 ]] || langs=(ru en)
build=${KESTREL_BUILD_DIR:-build}
prepare_tool "$build"
in_session "${args[@]}"
start_screen

# The names the tool shows in each language: the windows' titles, the buttons and the tabs pressed.
declare -A text
text[ru.log]="Журнал обмена" text[ru.trend]="График" text[ru.panel]="Сервисная панель"
text[ru.open]="Открыть порт" text[ru.find]="Поиск считывателя" text[ru.read]="Считать"
text[ru.tag]="метка" text[ru.bridge]="мост" text[ru.bus]="Обзор шины"
text[en.log]="Traffic log" text[en.trend]="Trend" text[en.panel]="Service panel"
text[en.open]="Open port" text[en.find]="Find reader" text[en.read]="Read"
text[en.tag]="tag" text[en.bridge]="bridge" text[en.bus]="Bus overview"

# The window titled $1, saved as picture $2.
shoot() {
  local file=$dir/$2$suffix.png
  import -window "$(window_id "$1")" "$file"
  shot+=("$file")
}

# A view opened with its keys, taken, and put away again (the views all open at 0,0, over the main window).
view() {
  local keys=$1 title=$2 picture=$3
  keys_to_main "$keys"
  if [[ $picture == trend ]]; then
    # The last minute, so the values fill the plots.
    read -r x y < <(scripts/a11y.py point "combo box" --in "$title")
    xdotool mousemove "$x" "$y" click 1
    sleep 0.5
    xdotool key Home Return
    sleep 1
  fi
  shoot "$title" "$picture"
  xdotool windowunmap "$(window_id "$title")"
  sleep 0.5
}

take() {
  local lang=$1 scale=$2
  dir=$out/$lang suffix=""
  [[ $scale == 1 ]] || suffix="@${scale}x"
  mkdir -p "$dir"
  start_tool "$lang" "$scale"
  scripts/a11y.py press "${text[$lang.open]}"
  sleep 1
  scripts/a11y.py press "${text[$lang.find]}"
  sleep 12  # the live values run a while, for the trend
  if [[ $only != views ]]; then shoot "Kestrel Tool" reader; fi
  if [[ $only != main ]]; then
    view ctrl+g "${text[$lang.trend]}" trend
    view ctrl+l "${text[$lang.log]}" log
    view ctrl+shift+s "${text[$lang.panel]}" service
  fi
  if [[ $only != views ]]; then
    scripts/a11y.py tab "${text[$lang.tag]}"
    sleep 3
    scripts/a11y.py press "${text[$lang.read]}"  # the tag's parameters
    sleep 2
    shoot "Kestrel Tool" tag
    scripts/a11y.py tab "${text[$lang.bridge]}"
    sleep 3
    shoot "Kestrel Tool" bridge
  fi
  # Last: the overview takes the bus from the main window while it is open.
  if [[ $only != main ]]; then
    keys_to_main ctrl+b
    sleep 4  # the readers found and a few rounds run
    shoot "${text[$lang.bus]}" bus
  fi
  stop_tool
}

shot=()
for lang in "${langs[@]}"; do
  for scale in "${scales[@]}"; do take "$lang" "$scale"; done
done
for f in "${shot[@]}"; do echo "screenshots: $f $(identify -format '%wx%h' "$f")"; done
