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
printf 'abcabc' >"$tmp/f"
expect '5' 0 '' -- findc --last c "$tmp/f"
expect '' 2 '' -- findc ab

expect '0\n3\n6' 0 'abcabcabc' -- find abc
expect '0\n1\n2' 0 'aaaa' -- find aa
expect '2' 0 'aaaa' -- find --last aa
expect '' 1 'abcabc' -- find abd
expect '1' 0 'x--lasty' -- find -- --last
printf 'one two one' >"$tmp/g"
expect '8' 0 '' -- find --last one "$tmp/g"
expect '' 2 'abc' -- find ''
expect '' 2 '' -- find abc "$tmp/missing"

# expect_hex EXPECTED-HEX-BYTES EXPECTED-STATUS [STDIN-TEXT] -- ARGS...: binary output as hex.
expect_hex() {
  local want=$1 wantrc=$2 input=$3
  shift 4
  local got rc
  printf '%b' "$input" | "$zetch" "$@" >"$tmp/out" 2>"$tmp/err"
  rc=$?
  got=$(od -An -v -tx1 "$tmp/out" | tr -d ' \n')
  if [ "$got" != "$want" ] || [ "$rc" != "$wantrc" ]; then
    echo "FAIL: zetch $* -> status $rc, bytes $got (wanted status $wantrc, bytes $want)"; cat "$tmp/err"
    fails=$((fails + 1))
  fi
}

expect 'hello, world 123' 0 'Hello, World 123' -- case --lower --latin
expect_hex '40415a5b607b41c3a4' 0 '@az[`{A\xc3\xa4' -- case --upper --latin
# UTF-16LE: A, U+00C0, U+0391, U+0410, U+FF2B and back; U+01C5 and a surrogate pair; U+0131;
# an odd last byte passes unchanged.
expect_hex '6100e000b10330044bff' 0 'A\0\xc0\0\x91\x03\x10\x04\x2b\xff' -- case --lower
expect_hex '4100c000910310042bff' 0 'a\0\xe0\0\xb1\x03\x30\x04\x4b\xff' -- case --upper
expect_hex 'c40101d800dc' 0 '\xc5\x01\x01\xd8\x00\xdc' -- case --upper
# Units 0x4261 ('aB', not a letter) and 0x0063; --latin sees four bytes.
printf 'aBc\0' >"$tmp/u16"
expect_hex '61424300' 0 '' -- case --upper "$tmp/u16"
expect_hex '61626300' 0 '' -- case --lower --latin "$tmp/u16"
expect '' 2 'x' -- case
expect '' 2 'x' -- case --upper --title
# trim: every line, both ends by default; the newline that ends a line stays; escapes in SET.
expect 'ab c\nxy\n\nq' 0 '  ab c \t\n\t\txy\n   \nq  ' -- trim ' \t'
expect 'ab c \t\nxy\n\nq  ' 0 '  ab c \t\n\t\txy\n   \nq  ' -- trim --start ' \t'
expect '  ab c\n\t\txy\n\nq' 0 '  ab c \t\n\t\txy\n   \nq  ' -- trim --end ' \t'
expect 'a-b\nc' 0 'xa-bx\r\n\x01c\x01' -- trim 'x\r\x01'
printf '..a.b..\n' >"$tmp/t"
expect 'a.b' 0 '' -- trim . "$tmp/t"
expect '' 2 '' -- trim 'a\x4'

# find --any: every byte of SET, or the last one.
expect '5\n12' 0 'hello, world.' -- find --any ',.'
expect '1' 0 'a\x00b' -- find --any '\0'
expect '' 1 'hello' -- find --any 'xyz'
expect '' 2 'hello' -- find --any '\q'
# split: one piece a line; adjacent delimiters give an empty piece, a final one none.
expect 'a\nb\n\nc' 0 'a,b,,c' -- split -d ,
expect '\na\nb' 0 ',a,b,' -- split -d ,
expect 'ab\ncd' 0 'ab;cd' -- split '-d;'
expect '' 2 'a' -- split -d ab
# More pieces than one call stores, a piece across the split windows, and a piece longer than a
# window: the output is the input with every delimiter a newline, plus a final newline.
{ for i in $(seq 1 3000); do printf 'w%d,' "$i"; done; head -c 10000 /dev/zero | tr '\0' q; printf ',,end'; } >"$tmp/long"
"$zetch" split -d , "$tmp/long" >"$tmp/long.out"
{ tr , '\n' <"$tmp/long"; echo; } | cmp -s - "$tmp/long.out" || { echo "FAIL: split of a long input"; fails=$((fails + 1)); }

# tr: one byte for another, everything else as it was.
expect 'a_b_c' 0 'a b c' -- tr ' ' _
expect '' 2 '' -- tr ab c
head -c 100000 /dev/urandom >"$tmp/rand"
"$zetch" tr '\xff' '\x01' "$tmp/rand" | cmp -s - <(tr '\377' '\001' <"$tmp/rand") || { echo "FAIL: tr of random bytes"; fails=$((fails + 1)); }
utf8='A\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80'
expect_hex '4100e900ac203dd800de' 0 "$utf8" -- convert --to utf16le
expect_hex '41c3a9e282acf09f9880' 0 '\x41\x00\xe9\x00\xac\x20\x3d\xd8\x00\xde' -- convert --to utf8
expect_hex '41c3a9e282acf09f9880' 0 '\x00\x41\x00\xe9\x20\xac\xd8\x3d\xde\x00' -- convert --from utf16be --to utf8
# Malformed bytes pass through as units of the same value; a lone surrogate as three bytes.
expect_hex '00c00080008000e200820041' 0 '\xc0\x80\x80\xe2\x82\x41' -- convert --to utf16be
expect_hex 'eda0bd41' 0 '\x3d\xd8\x41\x00' -- convert --to utf8
expect '' 2 'abc' -- convert --to utf8
expect '' 2 '' -- convert --from utf16le --to utf16be
# Long enough for many resumed calls, with pairs falling across the ends of the output buffer.
printf 'a\xc3\xa9\xf0\x9f\x98\x80%.0s' $(seq 30000) >"$tmp/long8"
"$zetch" convert --to utf16be "$tmp/long8" >"$tmp/long16" && "$zetch" convert --from utf16be --to utf8 "$tmp/long16" >"$tmp/back8"
if ! cmp -s "$tmp/long8" "$tmp/back8" || [ "$(wc -c <"$tmp/long16")" != 240000 ]; then
  echo "FAIL: long UTF-8 -> UTF-16BE -> UTF-8 round trip"; fails=$((fails + 1))
fi

expect '291' 0 'abc' -- hash
expect '96354' 0 'abc' -- hash --rule sj2
expect '193409669' 0 'abc' -- hash --rule mscs
expect '' 2 '' -- hash --rule fnv
expect '' 2 '' -- hash --rule
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
expect '' 2 '' -- regex 'a'

[ "$fails" -eq 0 ] && echo "all command-line checks passed"
exit $((fails > 0))
