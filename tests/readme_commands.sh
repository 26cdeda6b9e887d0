#!/bin/bash
# Runs every command of the code blocks of one document, the README or a user guide (docs/guide.*.md), so
# they stay true. CMake registers one test per document, so that CTest runs them side by side:
#   readme_commands.sh SOURCE-DIR BUILD-DIR DOCUMENT      (DOCUMENT: README.md, docs/guide.en.md, ...)
#   - the programs in build/ run against a simulated bus of readers 3, 5 and 7 (the README's /tmp/ttyKESTREL
#     becomes this run's own path); a window must still be running after 3 seconds (offscreen; it shows
#     itself at the second port scan, 2 s in), a client command must succeed, --watch, monitor and gateway
#     must end with 0 on Ctrl-C, kestrel-sim must keep serving;
#   - the README's provisioning example runs as written, and every reader must then hold its radio parameters;
#   - scripts and apt-get lines must be among what CI runs (.ci/run, scripts/install-check.sh);
#   - a guide quotes the window as it is (quoted_texts, below): every «…» of guide.ru.md and every "…" of
#     guide.en.md, outside code, is a text the window or its programs show in that language.
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

# The texts a guide quotes, checked against what the window shows, before any command runs. A guide quotes
# texts as they are shown: without the & of a keyboard mnemonic (the window's "&Установить" reads
# «Установить»), a line break or a run of blanks being one blank. A run of quotes joined by → is a menu path:
# each step must be a menu or a menu item of the window. Any other quote must be a text of the window as laid
# out (tests/window_texts_ru.txt: captions, frame titles, tabs, columns, menus, tooltips, names for screen
# readers) or one the programs say (the translation catalogue: messages, status texts, log outcomes), in the
# guide's language: the Russian guide the Russian texts, the English one their English translations. A text
# the program fills in (%1) is matched by any value, when three letters or more of it are fixed; an elision
# in the guide ("…") is such a value. What is no text of the program (a value to type, a file name, another
# device's text) is written as code or not quoted. Prints the number of quotes.
quoted_texts() {
  local lang=${doc#docs/guide.}
  lang=${lang%.md}
  local catalogue=$src/translations/kestrel_$lang.ts
  [[ $lang == ru ]] && catalogue=$src/translations/kestrel_en.ts  # Russian: the catalogue's sources
  [ -f "$catalogue" ] || fail "no translation catalogue for '$lang'"
  command -v perl >/dev/null || fail "perl is needed to read the guide's quotes"
  perl - "$src/$doc" "$lang" "$src/tests/window_texts_ru.txt" "$catalogue" <<'PERL'
use strict;
use warnings;
my ($doc, $lang, $windowTexts, $catalogue) = @ARGV;
binmode STDOUT, ':utf8';
binmode STDERR, ':utf8';
sub slurp { open my $f, '<:utf8', $_[0] or die "$_[0]: $!\n"; local $/; return <$f>; }
sub shown {  # a text as it reads
  my $t = shift;
  $t =~ s/&(.)/$1/gs;
  $t =~ s/\s+/ /g;
  $t =~ s/^ | $//g;
  return $t;
}
sub unxml {
  my $t = shift;
  $t =~ s/&lt;/</g; $t =~ s/&gt;/>/g; $t =~ s/&quot;/"/g; $t =~ s/&apos;/'/g;
  $t =~ s/&#x([0-9a-fA-F]+);/chr(hex $1)/ge; $t =~ s/&#(\d+);/chr($1)/ge;
  $t =~ s/&amp;/&/g;
  return $t;
}

# The catalogue: the Russian text of each message and its translation.
my %translation;
my $ts = slurp($catalogue);
my $entry =
  qr{<source>(.*?)</source>\s*(?:<comment>.*?</comment>\s*)?<translation[^>]*>(.*?)</translation>}s;
$translation{unxml($1)} = unxml($2) while $ts =~ /$entry/g;
die "$catalogue: no messages\n" unless %translation;

# The window's texts and its menus' in the guide's language. An English text is the translation of the
# Russian one; one left untranslated is shown as it is when it holds no Russian letter, and one the program
# composes (no entry of its own) is known by its catalogue entry below.
my (%window, %menu);
for my $line (split /\n/, slurp($windowTexts)) {
  my ($key, $text) = split /\t/, $line, 2;
  next unless defined $text;
  $text =~ s/\\n/\n/g;
  if ($lang ne 'ru') {
    if (exists $translation{$text}) { $text = $translation{$text}; }
    elsif ($text =~ /[\x{0400}-\x{04FF}]/) { next; }
  }
  $window{shown($text)} = 1;
  $menu{shown($text)} = 1 if $key =~ / (?:menu|action)$/;
}
die "$windowTexts: no texts\n" unless %window;

# What the programs say, whole, and as patterns where they fill in values.
my (%said, @patterns);
for my $text ($lang eq 'ru' ? keys %translation : values %translation) {
  my $t = shown($text);
  if ($t !~ /%L?\d/) { $said{$t} = 1; next; }
  my @fixed = split /(?:%L?\d)+/, $t, -1;
  my $letters = () = join('', @fixed) =~ /[A-Za-z\x{0400}-\x{04FF}]/g;
  next if $letters < 3;
  my $re = join '.+', map { quotemeta } @fixed;
  push @patterns, qr/^$re$/s;
}

# The guide without its code (blanked, so that the line numbers stay).
my $guide = slurp($doc);
my $blank = sub { (my $c = shift) =~ s/[^\n]/ /g; return $c; };
$guide =~ s/^```.*?^```[^\n]*$/$blank->($&)/gmse;
$guide =~ s/`[^`\n]*`/$blank->($&)/ge;
$guide =~ s/<!--.*?-->/$blank->($&)/gse;
my ($open, $close) = $lang eq 'ru' ? ("\x{AB}", "\x{BB}") : ('"', '"');

my ($count, @errors) = (0);
my $lineOf = sub { return 1 + (() = substr($guide, 0, shift) =~ /\n/g); };
# Paragraph by paragraph: a quote never runs on past a blank line, a list item or a table row.
while ($guide =~ /\G(.*?)(?:\n[ \t]*\n|\n(?=[ \t]*(?:[-*+]|\d+\.)[ \t]|\|)|\z)/gs) {
  my ($paragraph, $at) = ($1, $-[1]);
  last if $paragraph eq '' && pos($guide) >= length $guide;
  my @quotes;
  while ($paragraph =~ /\Q$open\E([^\Q$open$close\E]*)\Q$close\E/g) {
    push @quotes, {text => $1, from => $-[0], to => $+[0]};
  }
  (my $rest = $paragraph) =~ s/\Q$open\E[^\Q$open$close\E]*\Q$close\E//g;
  push @errors, $lineOf->($at) . ": a quotation mark without its pair" if $rest =~ /[\Q$open$close\E]/;
  # Two quotes with only an arrow between them are steps of one menu path.
  my $arrowed = sub {
    my ($left, $right) = @_;
    return substr($paragraph, $left->{to}, $right->{from} - $left->{to}) =~ /^\s*\x{2192}\s*$/;
  };
  for my $i (0 .. $#quotes) {
    my $q = $quotes[$i];
    my $inPath = ($i > 0 && $arrowed->($quotes[$i - 1], $q)) ||
                 ($i < $#quotes && $arrowed->($q, $quotes[$i + 1]));
    my $text = $q->{text};
    (my $t = $text) =~ s/\s+/ /g;
    $t =~ s/^ | $//g;
    my $where = $lineOf->($at + $q->{from}) . ": $open$t$close";
    $count++;
    if ($text =~ /&\S/) { push @errors, "$where: quote it as shown, without the & of its mnemonic"; next; }
    if ($text =~ /\x{2192}/) { push @errors, "$where: quote each step of a menu path on its own"; next; }
    if ($inPath) {
      push @errors, "$where: no menu or menu item of the window is so called" unless $menu{$t};
      next;
    }
    next if $window{$t} || $said{$t};
    next if grep { $t =~ $_ } @patterns;
    push @errors, "$where: no text of the window, its menus or its messages";
  }
}
print STDERR "$doc:$_\n" for @errors;
exit 1 if @errors;
print "$count\n";
PERL
}
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
quotes=""
if [[ $doc == docs/guide.*.md ]]; then
  quotes=$(quoted_texts) || fail "quotes texts that the window does not show"
fi

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
    build/kestrel-cli*--watch*|build/kestrel-cli*monitor*|build/kestrel-cli*\ gateway\ *)
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
    window) command="XDG_CONFIG_HOME=$work/config$i timeout 3 $command" ;;
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
echo "$doc: $count commands ran$([[ $doc == README.md ]] && echo ", and the provisioning example")$(
  [ -n "$quotes" ] && echo ", its $quotes quotes are the program's own texts")"
