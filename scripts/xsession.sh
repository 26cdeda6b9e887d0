# Sourced by the scripts that look at the real windows: a screen of 1920x1080 (Xvfb) and an accessibility bus
# on a session bus of the script's own, and kestrel-tool on them. A script sources it, then calls
# `in_session "$@"` first: it runs the script again inside dbus-run-session.

# Runs the calling script again on a session bus of its own, with a private runtime folder, where the
# accessibility bus puts its socket (without one it would be ~/.cache/at-spi, shared with any other run).
in_session() {
  [[ -n "${KESTREL_IN_SESSION:-}" ]] && return 0
  XDG_RUNTIME_DIR=$(mktemp -d) && chmod 700 "$XDG_RUNTIME_DIR"
  export XDG_RUNTIME_DIR KESTREL_IN_SESSION=1
  # The bus's own chatter (services it starts, its limit of open files) is left out.
  dbus-run-session -- "$0" "$@" 2> >(grep -v -e "fd limit" -e "ctivat" >&2) | grep -v "^SpiRegistry daemon"
  exit "${PIPESTATUS[0]}"
}

# Starts Xvfb on a free display; it goes when the script ends.
start_screen() {
  local n
  for n in $(shuf -i 90-189 -n 20); do
    [[ -e /tmp/.X$n-lock ]] || break
  done
  Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  screen_pid=$!
  export DISPLAY=":$n"
  trap 'stop_tool; kill $screen_pid 2>/dev/null || true' EXIT
  for _ in $(seq 1 40); do xdpyinfo >/dev/null 2>&1 && return; sleep 0.25; done
}

# kestrel-tool --demo in LANG at SCALE, with a settings folder of its own (the pictures never depend on what
# an earlier run remembered), reachable through the accessibility bus; waits for its window.
start_tool() {
  local lang=$1 scale=$2
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_SCALE_FACTOR=$scale XDG_CONFIG_HOME=$(mktemp -d) \
    "$build/kestrel-tool" --demo --lang "$lang" >/dev/null 2>&1 &
  tool_pid=$!
  scripts/a11y.py wait "Kestrel Tool" >/dev/null
  sleep 1
}

stop_tool() {
  [[ -n "${tool_pid:-}" ]] || return 0
  kill "$tool_pid" 2>/dev/null || true
  wait "$tool_pid" 2>/dev/null || true
  tool_pid=""
}

# The X window of the visible window titled $1 (Qt's unmapped group leader has the same title), once shown.
window_id() {
  local id
  for _ in $(seq 1 20); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    [[ -n "$id" ]] && { echo "$id"; return; }
    sleep 0.25
  done
  echo "no window '$1'" >&2
  return 1
}

# Keys sent to the main window (the views' shortcuts work from it).
keys_to_main() {
  local id
  id=$(window_id "Kestrel Tool")
  xdotool windowfocus "$id"
  sleep 0.3
  xdotool key "$@"
  sleep 1
}

# Before the session: installs what the windows need and builds the tool in the build folder $1.
prepare_tool() {
  [[ -n "${KESTREL_IN_SESSION:-}" ]] && return
  KESTREL_WITH_X=1 scripts/setup.sh
  [[ -f "$1/CMakeCache.txt" ]] || cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$1" --target kestrel-tool kestrel_translations >/dev/null
}
