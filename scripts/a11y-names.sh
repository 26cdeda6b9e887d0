#!/usr/bin/env bash
# Lists every control of kestrel-tool's windows (the main window and its service panel, traffic log and
# trend) as a screen reader meets them through the AT-SPI accessibility bus: role, name, and the label it is
# labelled by. A control without a name of its own (no name, or only the title of the group box around it)
# is flagged, and the exit status is 1 when there is one.
#   scripts/a11y-names.sh [--lang ru|en]      (Russian by default; KESTREL_BUILD_DIR, default build)
set -euo pipefail
cd "$(dirname "$0")/.."
lang=ru
[[ "${1:-}" == --lang ]] && lang=$2
build=${KESTREL_BUILD_DIR:-build}
source scripts/xsession.sh
prepare_tool "$build"
in_session "$@"
start_screen
start_tool "$lang" 1
keys_to_main ctrl+g
keys_to_main ctrl+l
keys_to_main ctrl+shift+s
scripts/a11y.py names
