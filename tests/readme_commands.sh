#!/bin/bash
# Runs every command of the code blocks of one document, the README or a user guide (docs/guide.*.md), so
# they stay true. CMake registers one test per document, so that CTest runs them side by side:
#   readme_commands.sh SOURCE-DIR BUILD-DIR DOCUMENT      (DOCUMENT: README.md, docs/guide.en.md, ...)
#   - the programs in build/ run against a simulated bus of readers 3, 5 and 7 (the README's /tmp/ttyKESTREL
#     becomes this run's own path); a window must still be running after 4 seconds (offscreen), a client
#     command must succeed, --watch and monitor must end with 0 on Ctrl-C, kestrel-sim must keep serving;
#   - the README's provisioning example runs as written, and every reader must then hold its radio parameters;
#   - scripts and apt-get lines must be among what CI runs (.ci/run, scripts/install-check.sh).
# The client's commands take the bus one after another, in the document's order. What only has to keep
# running for a while (a window, a kestrel-sim, --watch, monitor) runs beside them and is judged at the end:
# it starts at once, or, when it names a file that an earlier command names too or comes after an export,
# as soon as the last such command has run. --watch and monitor hold their port all the while, so each gets
# a simulated bus of its own, and each kestrel-sim a link of its own.
set -euo pipefail
src=$1 build=$2 doc=${3:-}
[[ $doc == README.md || $doc == docs/guide.*.md ]] && [ -f "$src/$doc" ] ||
  { echo "usage: readme_commands.sh SOURCE-DIR BUILD-DIR README.md|docs/guide.LANG.md" >&2; exit 2; }
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/config
cd "$work"

fail() { echo "$doc: $1" >&2; exit 1; }
# A simulated bus of readers 3, 5 and 7 at PATH. It answers at once rather than at 19200 baud: what these
# commands are checked for does not depend on the wire's pace.
start_bus() { "$build/kestrel-sim" --readers 3,5,7 --no-pacing --link "$1" >"$1.out" 2>&1 & }
wait_bus() {  # wait_bus PATH: until its link is there
  for _ in $(seq 250); do [ -e "$1" ] && return; sleep 0.02; done
  cat "$1.out" >&2
  fail "no simulated bus at $1"
}
check() {  # check LINE WANTED-EXIT-CODES EXIT-CODE OUTPUT-FILE
  [[ " $2 " == *" $3 "* ]] || { cat "$4" >&2; fail "'$1' ended with $3 (wanted $2)"; }
}
ci=$(cat "$src/.ci/run" "$src/scripts/install-check.sh")

code_blocks() { awk '/^```sh/{on=1; n++; next} /^```/{on=0; next} on{print n "\t" $0}' "$1"; }
if [[ $doc == README.md ]]; then
  blocks=$(code_blocks "$src/README.md")
else  # the user guides name the installed programs and a real adapter: here they are the build's and the bus's
  blocks=$(code_blocks "$src/$doc" | sed -E -e 's#^([0-9]+\t(QT_LOGGING_RULES="[^"]*" )?)kestrel-#\1build/kestrel-#' \
    -e 's#/dev/ttyUSB0#/tmp/ttyKESTREL#g')
fi
provisioning=$(awk '/<!-- provisioning example -->/{p=1; next} p && /^```sh/{next} p && /^```/{exit} p' "$src/README.md")
[ -n "$provisioning" ] || fail "no provisioning example"

# Each command as written (lines), as run (commands), its kind and the exit codes wanted of it.
lines=() commands=() kinds=() wanted=()
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
      grep -qF -- "${line%% *}" <<<"$ci" || fail "'$line' is not run by CI"
      continue ;;
    export\ *)
      kind=export want=0 ;;
    QT_LOGGING_RULES=*build/kestrel-tool*)
      kind=window want=124 command="env $command" ;;
    build/kestrel-tool*--help*|build/kestrel-cli*--help*|build/kestrel-sim*--help*)
      kind=client want=0 ;;
    build/kestrel-tool*)
      kind=window want=124 ;;
    build/kestrel-cli*--watch*|build/kestrel-cli*monitor*)
      kind=watch want=0 ;;
    build/kestrel-cli*)
      kind=client want=0 ;;
    build/kestrel-sim*)
      kind=sim want=124 ;;
    *)
      fail "no test runs '$line'" ;;
  esac
  lines+=("$line") commands+=("$command") kinds+=("$kind") wanted+=("$want")
done <<<"$blocks"

# When each command that runs beside the others starts: after the last earlier client command or export
# that it depends on (-1: at once).
after=()
for i in "${!kinds[@]}"; do
  case ${kinds[i]} in export|client) continue ;; esac
  after[i]=-1
  read -ra words <<<"${lines[i]}"
  for ((j = 0; j < i; j++)); do
    case ${kinds[j]} in
      export) after[i]=$j ;;
      client)
        for w in "${words[@]}"; do
          [[ ( $w == *.csv || $w == *.json ) && " ${lines[j]} " == *" $w "* ]] && after[i]=$j
        done ;;
    esac
  done
done

# The bus of the client's commands, and one for each --watch or monitor.
buses=("$work/ttyKESTREL")
for i in "${!kinds[@]}"; do [[ ${kinds[i]} == watch ]] && buses+=("$work/ttyWATCH$i"); done
for b in "${buses[@]}"; do start_bus "$b"; done
for b in "${buses[@]}"; do wait_bus "$b"; done

pids=()
launch() {  # launch I: starts the I-th command beside the others
  local i=$1 command=${commands[$1]}
  case ${kinds[i]} in
    # A settings folder of its own: windows that end together would queue for one file's lock.
    window) command="XDG_CONFIG_HOME=$work/config$i timeout 4 $command" ;;
    sim) command="timeout 2 ${command//$work\/ttyKESTREL/$work/ttySIM$i}" ;;
    watch)
      command="KESTREL_PORT=$work/ttyWATCH$i timeout --preserve-status -s INT 2 ${command//$work\/ttyKESTREL/$work/ttyWATCH$i}" ;;
  esac
  # Without set +e, bash would end the background shell with 1 instead of the command's own exit code.
  (set +e; eval "$command") >"$work/out$i" 2>&1 </dev/null &
  pids[i]=$!
}
start_after() {  # start_after J: starts what waits for the J-th command
  local k
  for k in "${!after[@]}"; do [[ ${after[k]} == "$1" ]] && launch "$k"; done
  return 0
}

start_after -1
for i in "${!kinds[@]}"; do
  case ${kinds[i]} in
    export) eval "${commands[i]}" ;;
    client)
      rc=0
      eval "${commands[i]}" >"$work/out$i" 2>&1 </dev/null || rc=$?
      check "${lines[i]}" "${wanted[i]}" $rc "$work/out$i" ;;
    *) continue ;;
  esac
  start_after "$i"
done

if [[ $doc == README.md ]]; then
  (eval "${provisioning//build\//$build/}")
  for a in 3 5 7; do
    got=$("$build/kestrel-cli" -a $a settings)
    [ "$got" = "режим 2 (reader), сеть 12, канал 7, мощность 20" ] || fail "provisioning: reader $a: $got"
  done
fi
for i in "${!pids[@]}"; do
  rc=0
  wait "${pids[i]}" || rc=$?
  check "${lines[i]}" "${wanted[i]}" $rc "$work/out$i"
done
echo "$doc: $count commands ran$([[ $doc == README.md ]] && echo ", and the provisioning example")"
