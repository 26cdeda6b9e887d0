#!/bin/bash
# Every option a program's --help lists is in its man page and its bash completion, every option the
# completion offers is in the man page, and the completion offers the languages after --lang.
set -euo pipefail
src=$1 build=$2
failed=0
fail() { echo "$1" >&2; failed=1; }
options() { grep -o -E -- "(^|[ ,|['])--?[a-z][a-z-]*" | sed -E "s/^[ ,|[']//" | sort -u; }

for prog in kestrel-tool kestrel-cli kestrel-sim; do
    man=$src/packaging/man/$prog.1 completion=$src/packaging/completion/$prog
    [ -f "$completion" ] || { fail "$prog: no bash completion"; continue; }
    from_help=$("$build/$prog" --help | options)
    offered=$(sed -n "s/.*compgen -W [\$]*'\([^']*\)'.*/\1/p; /^_kestrel_cli_options=/,/'$/p" "$completion" |
        sed 's/\\n/ /g' | options)
    for o in $from_help; do
        grep -q -F -- " $o " <<<" $(tr '\n' ' ' <<<"$offered") " || fail "$prog: $o is not offered by the completion"
    done
    for o in $from_help $offered; do
        case $o in -h | -v | -a) continue ;; esac
        grep -q -F -- "$(sed 's/-/\\-/g' <<<"$o")" "$man" || fail "$prog: $o is not in the man page"
    done
done

# What the completion offers after --lang, as bash asks for it.
for prog in kestrel-tool kestrel-cli; do
    got=$(bash -c "source '$src/packaging/completion/$prog'; COMP_WORDS=($prog --lang ''); COMP_CWORD=2;
        _${prog//-/_}; echo \"\${COMPREPLY[*]}\"")
    [ "$got" = "ru en" ] || fail "$prog --lang completes to '$got', not 'ru en'"
done
exit $failed
