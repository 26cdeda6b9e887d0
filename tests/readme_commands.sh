#!/bin/bash
# Runs every command of the code blocks of the README and of the user guides (docs/guide.*.md), so they stay
# true:
#   - the programs in build/ run against a simulated bus of readers 3, 5 and 7 (the README's /tmp/ttyKESTREL
#     becomes this run's own path); a window must still be running after a few seconds (offscreen), a client
#     command must succeed, --watch must end with 0 on Ctrl-C, kestrel-sim must keep serving;
#   - the provisioning example runs as written, and every reader must then hold its radio parameters;
#   - scripts and apt-get lines must be among what CI runs (.ci/run, scripts/install-check.sh).
set -euo pipefail
src=$1 build=$2
work=$(mktemp -d)
sim=""
trap 'kill $sim 2>/dev/null; rm -rf "$work"' EXIT
"$build/kestrel-sim" --readers 3,5,7 --link "$work/ttyKESTREL" >"$work/sim.out" 2>&1 &
sim=$!
for _ in $(seq 50); do [ -e "$work/ttyKESTREL" ] && break; sleep 0.1; done
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/config
cd "$work"

fail() { echo "README: $1" >&2; exit 1; }
expect() {  # expect WANTED-EXIT-CODES COMMAND...: runs the command, its exit code must be one of WANTED
  local wanted=$1 rc=0
  shift
  "$@" >"$work/out" 2>&1 </dev/null || rc=$?
  [[ " $wanted " == *" $rc "* ]] || { cat "$work/out" >&2; fail "'$line' ended with $rc (wanted $wanted)"; }
}
ci=$(cat "$src/.ci/run" "$src/scripts/install-check.sh")

code_blocks() { awk '/^```sh/{on=1; n++; next} /^```/{on=0; next} on{print n "\t" $0}' "$1"; }
# The user guides name the installed programs and a real adapter: here they are the build's and the bus's.
blocks=$(code_blocks "$src/README.md"
  for guide in "$src"/docs/guide.*.md; do
    code_blocks "$guide" | sed -E -e 's#^([0-9]+\t(QT_LOGGING_RULES="[^"]*" )?)kestrel-#\1build/kestrel-#' \
      -e 's#/dev/ttyUSB0#/tmp/ttyKESTREL#g'
  done)
provisioning=$(awk '/<!-- provisioning example -->/{p=1; next} p && /^```sh/{next} p && /^```/{exit} p' "$src/README.md")
[ -n "$provisioning" ] || fail "no provisioning example"
count=0
while IFS=$'\t' read -r block line; do
  line=$(sed -e 's/[[:space:]]\+#[[:space:]].*$//' -e 's/[[:space:]]*$//' <<<"$line")
  [ -n "$line" ] || continue
  grep -qF -- "$line" <<<"$provisioning" && continue  # run as a whole below
  count=$((count + 1))
  line=${line//\/tmp\/ttyKESTREL/$work/ttyKESTREL}
  command=${line//build\//$build/}
  case "$line" in
    scripts/*|sudo\ apt-get*)
      grep -qF -- "${line%% *}" <<<"$ci" || fail "'$line' is not run by CI" ;;
    export\ *)
      eval "$command" ;;
    QT_LOGGING_RULES=*build/kestrel-tool*)
      eval "expect 124 timeout 4 env $command" ;;
    build/kestrel-tool*--help*|build/kestrel-cli*--help*|build/kestrel-sim*--help*)
      eval "expect 0 $command" ;;
    build/kestrel-tool*)
      eval "expect 124 timeout 4 $command" ;;
    build/kestrel-cli*--watch*|build/kestrel-cli*monitor*)
      eval "expect 0 timeout --preserve-status -s INT 2 $command" ;;
    build/kestrel-cli*)
      eval "expect 0 $command" ;;
    build/kestrel-sim*)
      command=${command//$work\/ttyKESTREL/$work/ttySECOND}
      eval "expect 124 timeout 2 $command" ;;
    *)
      fail "no test runs '$line'" ;;
  esac
done <<<"$blocks"

(eval "${provisioning//build\//$build/}")
for a in 3 5 7; do
  got=$("$build/kestrel-cli" -a $a settings)
  [ "$got" = "режим 2 (reader), сеть 12, канал 7, мощность 20" ] || fail "provisioning: reader $a: $got"
done
echo "README and guides: $count commands and the provisioning example ran"
