#!/usr/bin/env bash
# End-to-end checks of the zetch command-line tool: zetch_cli_test.sh PATH-TO-ZETCH
set -u
zetch=$1
fails=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# expect EXPECTED-STDOUT EXPECTED-STATUS [STDIN-TEXT] -- ARGS...
expect() {
  local want=$1 wantrc=$2 input=$3
  shift 4
  local got rc
  got=$(printf '%b' "$input" | "$zetch" "$@" 2>"$tmp/err")
  rc=$?
  if [ "$got" != "$(printf '%b' "$want")" ] || [ "$rc" != "$wantrc" ]; then
    echo "FAIL: zetch $* -> status $rc, output:"; printf '%s\n' "$got"; cat "$tmp/err"
    echo "  wanted status $wantrc, output:"; printf '%b\n' "$want"
    fails=$((fails + 1))
  fi
}

name=$("$zetch" version | head -n 1)
case "$name" in
  "zetCH SSE4.1/4.2 (p8)" | "zetCH SSE4.1/4.2 (p8)+") ;;
  *) echo "FAIL: zetch version printed '$name'"; fails=$((fails + 1)) ;;
esac
expect '4' 0 'hello\nworld\n' -- findc o
expect '4\n7' 0 'hello\nworld\n' -- findc --all o
expect '11' 0 'hello\nworld\n' -- findc --last '\n'
expect '' 1 'hello' -- findc z
expect '0' 0 '\x01abc' -- findc 0x01
printf 'abcabc' >"$tmp/f"
expect '5' 0 '' -- findc --last c "$tmp/f"
expect '' 2 '' -- findc
expect '' 2 '' -- findc ab

# split: one piece a line; adjacent delimiters give an empty piece, a final one none.
expect 'a\nb\n\nc' 0 'a,b,,c' -- split -d ,
expect '\na\nb' 0 ',a,b,' -- split -d ,
expect '' 0 '' -- split -d ,
expect 'x y\nz' 0 'x y\tz' -- split -d '\t'
expect 'ab\ncd' 0 'ab;cd' -- split '-d;'
expect '' 2 'a' -- split
expect '' 2 'a' -- split -d ab
# More pieces than one call stores, a piece across the split windows, and a piece longer than a
# window: the output is the input with every delimiter a newline, plus a final newline.
{ for i in $(seq 1 3000); do printf 'w%d,' "$i"; done; head -c 10000 /dev/zero | tr '\0' q; printf ',,end'; } >"$tmp/long"
"$zetch" split -d , "$tmp/long" >"$tmp/long.out"
{ tr , '\n' <"$tmp/long"; echo; } | cmp -s - "$tmp/long.out" || { echo "FAIL: split of a long input"; fails=$((fails + 1)); }

# tr: one byte for another, everything else as it was.
expect 'a_b_c' 0 'a b c' -- tr ' ' _
expect 'x#y\n' 0 'x\0y\n' -- tr '\0' '#'
printf 'aXbX' >"$tmp/t"
expect 'a-b-' 0 '' -- tr X - "$tmp/t"
expect '' 2 '' -- tr a
expect '' 2 '' -- tr ab c
head -c 100000 /dev/urandom >"$tmp/rand"
"$zetch" tr '\xff' '\x01' "$tmp/rand" | cmp -s - <(tr '\377' '\001' <"$tmp/rand") || { echo "FAIL: tr of random bytes"; fails=$((fails + 1)); }

[ "$fails" -eq 0 ] && echo "all command-line checks passed"
exit $((fails > 0))
