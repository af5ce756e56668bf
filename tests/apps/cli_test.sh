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

# regex --explain: the listing of a compiled pattern; pattern errors on stderr with status 1.
expect 'nodes=4 groups=1 required=3 kind=general options=-
0 LookBehind link=-1 body=1 width=2
1 String "ab"
2 Close link=-1 opts=-
3 Char \x27c\x27' 0 '' -- regex --explain '(?<=ab)c'
expect 'nodes=3 groups=1 required=alternation kind=literal-alternation options=gi
0 Char \x27a\x27 opts=gi
1 Alt link=0 opts=gi
2 String "bc"' 0 '' -- regex --explain --options ig 'a|bc'
expect 'nodes=1 groups=1 required=none kind=general options=-
0 Category L neg' 0 '' -- regex --explain -- '\P{L}'
expect '' 1 '' -- regex --explain 'a{2}{3}'
grep -q 'bad quantifier (status -187) at offset 4' "$tmp/err" || { echo "FAIL: regex error message"; cat "$tmp/err"; fails=$((fails + 1)); }
expect '' 1 '' -- regex --explain --options q a
expect '' 2 '' -- regex 'a'
expect '' 2 '' -- regex --explain
expect '' 2 '' -- regex --explain a b

[ "$fails" -eq 0 ] && echo "all command-line checks passed"
exit $((fails > 0))
