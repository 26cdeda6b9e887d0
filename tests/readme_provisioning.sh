#!/bin/bash
# Runs the README's provisioning example against a simulated bus of three readers, then checks that
# every reader took the radio parameters.
set -euo pipefail
src=$1 build=$2
work=$(mktemp -d)
trap 'kill $sim 2>/dev/null; rm -rf "$work"' EXIT
"$build/kestrel-sim" --readers 3,5,7 --link "$work/bus" >"$work/sim.out" 2>&1 &
sim=$!
for _ in $(seq 50); do [ -e "$work/bus" ] && break; sleep 0.1; done
export KESTREL_PORT=$work/bus
example=$(awk '/<!-- provisioning example -->/{on=1; next} on && /^```sh/{next} on && /^```/{exit} on' "$src/README.md")
[ -n "$example" ]
(cd "$build/.." && eval "${example//build\//$build/}")
for a in 3 5 7; do
  got=$("$build/kestrel-cli" -a $a settings)
  [ "$got" = "режим 2 (reader), сеть 12, канал 7, мощность 20" ] || { echo "reader $a: $got"; exit 1; }
done
echo "provisioning example: 3 readers set"
