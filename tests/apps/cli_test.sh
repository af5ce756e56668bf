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

# trim: every line, both ends by default; the newline that ends a line stays; escapes in SET.
expect 'ab c\nxy\n\nq' 0 '  ab c \t\n\t\txy\n   \nq  ' -- trim ' \t'
expect 'ab c \t\nxy\n\nq  ' 0 '  ab c \t\n\t\txy\n   \nq  ' -- trim --start ' \t'
expect '  ab c\n\t\txy\n\nq' 0 '  ab c \t\n\t\txy\n   \nq  ' -- trim --end ' \t'
expect 'a-b\nc' 0 'xa-bx\r\n\x01c\x01' -- trim 'x\r\x01'
printf '..a.b..\n' >"$tmp/t"
expect 'a.b' 0 '' -- trim . "$tmp/t"
expect ' a ' 0 ' a ' -- trim ''
expect '' 2 '' -- trim --start --end x
expect '' 2 '' -- trim 'a\x4'
expect '' 2 '' -- trim

# find-any: first, last or every byte of SET.
expect '5' 0 'hello, world.' -- find-any ',.'
expect '12' 0 'hello, world.' -- find-any --last ',.'
expect '5\n6\n12' 0 'hello, world.' -- find-any --all ',. '
expect '1' 0 'a\x00b' -- find-any '\0'
expect '' 1 'hello' -- find-any 'xyz'
expect '' 1 'hello' -- find-any ''
expect '' 2 'hello' -- find-any '\q'

[ "$fails" -eq 0 ] && echo "all command-line checks passed"
exit $((fails > 0))
