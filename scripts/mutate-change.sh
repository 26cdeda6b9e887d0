#!/usr/bin/env bash
# Mutation testing of this branch's change: ../shared/tools/mutate.py over the lines of src/ and sim/ that the
# commits since the merge base with main added or changed, and how many of those small faults the suite catches.
#   scripts/mutate-change.sh [-n N] [--seed S] [--files GLOB...] [--list] ...   (the options go to mutate.py)
# mutate.py edits the files it mutates, so it runs in a temporary git worktree of HEAD with a build folder of
# its own (built first with --jobs, default 2, so that mutate.py's timeout only meets the rebuilds after each
# mutant); the work tree and build/ are never touched, and the worktree is removed at the end, also after an
# error or Ctrl-C. Only what is committed takes part; a --diff REV given replaces the merge base.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
case "${1:-}" in
  -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
esac
jobs=2 list=0 given=""
args=("$@")
for i in "${!args[@]}"; do
  case "${args[i]}" in
    --jobs) jobs=${args[i + 1]:-2} ;;
    --jobs=*) jobs=${args[i]#--jobs=} ;;
    --list) list=1 ;;
    --diff) given=${args[i + 1]:-} ;;
    --diff=*) given=${args[i]#--diff=} ;;
  esac
done

tool=$(realpath -m "$repo/../shared/tools/mutate.py")
[ -f "$tool" ] || { echo "scripts/mutate-change.sh: $tool not found" >&2; exit 2; }
base=$(git merge-base HEAD main) || { echo "scripts/mutate-change.sh: no merge base of HEAD with main" >&2; exit 2; }
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "scripts/mutate-change.sh: uncommitted changes are left out: the run takes HEAD ($(git rev-parse --short HEAD))" >&2
fi

scripts/setup.sh
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-mutate.XXXXXX")
chmod 755 "$tmp"  # one test runs the suite's program as the user nobody, who must reach it
tree=$tmp/tree
cleanup() {
  git -C "$repo" worktree remove --force "$tree" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
git worktree add --quiet --detach "$tree" HEAD

cd "$tree"
echo "mutating the lines changed since ${given:-$(git rev-parse --short "$base") (merge base with main)}, in $tree"
if [[ $list == 0 ]]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTREL_BENCH=OFF >/dev/null
  cmake --build build -j"$jobs" >/dev/null
fi
python3 "$tool" --build build --diff "$base" "$@"
