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

expect '0\n3\n6' 0 'abcabcabc' -- find abc
expect '0\n1\n2' 0 'aaaa' -- find aa
expect '2' 0 'aaaa' -- find --last aa
expect '' 1 'abcabc' -- find abd
expect '' 1 'ab' -- find abc
expect '3' 0 'hello\nworld\n' -- find $'lo\nwo'
expect '1' 0 'x--lasty' -- find -- --last
printf 'one two one' >"$tmp/g"
expect '0\n8' 0 '' -- find one "$tmp/g"
expect '8' 0 '' -- find --last one "$tmp/g"
expect '' 2 '' -- find
expect '' 2 'abc' -- find ''
expect '' 2 'abc' -- find --first abc
expect '' 2 '' -- find abc "$tmp/missing"

[ "$fails" -eq 0 ] && echo "all command-line checks passed"
exit $((fails > 0))
