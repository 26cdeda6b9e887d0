#!/usr/bin/env bash
# Installs the package scripts/package.sh built, runs the three programs from /usr/bin and the desktop
# entry's command, then removes the package again.
set -euo pipefail
cd "$(dirname "$0")/.."
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
deb=$(ls build-package/kestrel-tool_*.deb)
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get install -y -qq "./$deb" >/dev/null
trap '$sudo apt-get remove -y -qq kestrel-tool >/dev/null' EXIT
/usr/bin/kestrel-tool --help >/dev/null
/usr/bin/kestrel-cli --version
/usr/bin/kestrel-sim --help >/dev/null
# The installed translation is found: English help, and the window starts in English without a complaint.
# (Read whole: grep -q would leave at the first line and the client's later writes would meet a closed pipe.)
help=$(/usr/bin/kestrel-cli --lang en --help)
grep -q "^Usage: kestrel-cli" <<<"$help" || { echo "install-check: no English help from kestrel-cli" >&2; exit 1; }
err=$(QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$(mktemp -d) timeout 3 /usr/bin/kestrel-tool --lang en 2>&1 >/dev/null) || true
if grep -q "using Russian" <<<"$err"; then echo "install-check: kestrel-tool --lang en: $err" >&2; exit 1; fi
# The menu entry's command starts the window (offscreen here) and keeps it running until stopped.
command=$(sed -n 's/^Exec=//p' /usr/share/applications/org.kestreltool.KestrelTool.desktop)
rc=0
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$(mktemp -d) timeout 5 $command >/dev/null 2>&1 || rc=$?
if [[ $rc -ne 124 ]]; then
  echo "install-check: '$command' from the desktop entry ended with $rc instead of running" >&2
  exit 1
fi
echo "install-check: $deb installs, its programs run from /usr/bin and its menu entry starts the window"
