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

# version: the library's record on the first line, the tool's build (date, commit) on the second.
"$zetch" version >"$tmp/version"
case "$(sed -n 1p "$tmp/version")" in
  "library: zetCH SSE4.1/4.2 (p8), version 7.1.0 (r36264) (7.1.0, revision 36264), target p8, built "*) ;;
  "library: zetCH SSE4.1/4.2 (p8)+, version 7.1.0 (r36264) (7.1.0, revision 36264), target p8, built "*) ;;
  *) echo "FAIL: zetch version printed '$(sed -n 1p "$tmp/version")'"; fails=$((fails + 1)) ;;
esac
grep -Eqx 'tool: zetch built [0-9]{4}-[0-9]{2}-[0-9]{2} from commit ([0-9a-f]{7,40}|unknown)' <(sed -n 2p "$tmp/version") &&
  [ "$(wc -l <"$tmp/version")" = 2 ] || { echo "FAIL: zetch version's tool line"; cat "$tmp/version"; fails=$((fails + 1)); }
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
expect '\xe6\x89\xa1' 2 'abc' -- convert --to utf8
grep -q 'odd number of bytes' "$tmp/err" || { echo "FAIL: convert of an odd UTF-16 input"; fails=$((fails + 1)); }
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

# ---- Streaming: the answer does not depend on where blocks end ----
# ZETCH_BLOCK_SIZE (a testing aid) makes blocks tiny, so that a block boundary falls at every
# position of these inputs: inside needles, lines, runs of trimmed bytes, split pieces and
# UTF-8 and UTF-16 characters. Each check runs on a file (mapped) and through a pipe (read), at
# every block size, and must print exactly the reference: another program's output (python,
# grep, tr, iconv), or for outputs without an independent peer the default block size's.
here=$(cd "$(dirname "$0")" && pwd)
ref() { python3 "$here/reference.py" "$@"; }
python3 - "$tmp" <<'PY'
import random, sys
r, d = random.Random(12), sys.argv[1]
words = ["the", "quick", "aaaa", "fox", "ab", "\t", "  ", "x", "\r", "zetch", "-"]
lines = []
for n in range(400):
    k = r.randrange(0, 12)
    lines.append(" " * r.randrange(0, 3) + " ".join(r.choice(words) for _ in range(k)) + "\t " * r.randrange(0, 3))
lines[50] = "y" * 9000                          # longer than a split window and the small blocks
lines[60] = " \t" * 3000 + "mid" + "\t " * 3000  # long runs of trimmed bytes on both sides
lines[61] = " " * 7000                           # a long line of trimmed bytes only
open(f"{d}/text", "w").write("\n".join(lines))  # no final newline
# UTF-8: one- to four-byte characters, and malformed bytes, cut sequences, five- and six-byte forms.
chars = ["a", "\u00e9", "\u20ac", "\U0001F600", "\u0800", "\uffff"]
valid = "".join(r.choice(chars) for _ in range(3000)).encode()
open(f"{d}/utf8", "wb").write(valid)
bad = [b"\xc3", b"\xe2\x82", b"\xf0\x9f\x98", b"\xf8\x88\x80\x80\x80", b"\xfc\x84\x80\x80\x80\x80", b"\xc0\x80", b"\xff", b"\x80"]
open(f"{d}/utf8bad", "wb").write(b"".join(r.choice([valid[i:i + 7], r.choice(bad)]) for i in range(0, 6000, 7)))
# UTF-16LE: pairs, lone surrogates of both kinds, letters with case forms.
units = [0x41, 0x62, 0xE9, 0x3A3, 0x3C2, 0x10A0, 0xD83D, 0xDE00, 0xFF21, 0x2C00]
u16 = b"".join(r.choice(units).to_bytes(2, "little") for _ in range(3000))
open(f"{d}/utf16", "wb").write(u16)
open(f"{d}/utf16odd", "wb").write(u16 + b"\x41")
PY

# stream_check REFERENCE-FILE EXPECTED-STATUS INPUT -- ARGS...
stream_check() {
  local want=$1 wantrc=$2 input=$3 bs how rc
  shift 4
  local sizes=("" 1 2 3 5 7 64 4096)
  [ -n "${quick:-}" ] && sizes=("" 5)  # the line reader is checked at every size elsewhere
  for bs in "${sizes[@]}"; do
    for how in file pipe; do
      if [ "$how" = file ]; then
        ZETCH_BLOCK_SIZE=$bs "$zetch" "$@" "$input" >"$tmp/got" 2>"$tmp/err"
      else
        cat "$input" | ZETCH_BLOCK_SIZE=$bs "$zetch" "$@" - >"$tmp/got" 2>"$tmp/err"
      fi
      rc=$?
      if [ "$rc" != "$wantrc" ] || ! cmp -s "$want" "$tmp/got"; then
        echo "FAIL: ZETCH_BLOCK_SIZE=$bs zetch $* ($how) -> status $rc (wanted $wantrc), output differs:"
        cmp "$want" "$tmp/got" | head -n 3; head -c 300 "$tmp/err"
        fails=$((fails + 1))
        return
      fi
    done
  done
}
# default_check EXPECTED-STATUS INPUT -- ARGS...: the default block size's output is the reference.
default_check() {
  "$zetch" "${@:4}" "$2" >"$tmp/default" 2>/dev/null
  stream_check "$tmp/default" "$@"
}

t=$tmp/text
ref findany e "$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- findc --all e
head -n 1 "$tmp/r" >"$tmp/r1"; stream_check "$tmp/r1" 0 "$t" -- findc e
tail -n 1 "$tmp/r" >"$tmp/r1"; stream_check "$tmp/r1" 0 "$t" -- findc --last e
ref find aa "$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- find aa
tail -n 1 "$tmp/r" >"$tmp/r1"; stream_check "$tmp/r1" 0 "$t" -- find --last aa
ref find 'zetch -' "$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- find 'zetch -'
# grep agrees where occurrences cannot overlap.
grep -b -o -F 'quick ' "$t" | cut -d: -f1 >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- find 'quick '
: >"$tmp/empty"; stream_check "$tmp/empty" 1 "$t" -- find 'no such text'
stream_check "$tmp/empty" 1 "$t" -- findc --last '#200'
ref findany "$(printf 'x\r-')" "$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- find --any 'x\r-'
tail -n 1 "$tmp/r" >"$tmp/r1"; stream_check "$tmp/r1" 0 "$t" -- find --last --any 'x\r-'
ref trim both "$(printf ' \t')" "$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- trim ' \t'
ref trim start "$(printf ' \t')" "$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- trim --start ' \t'
ref trim end "$(printf ' \t\r')" "$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- trim --end ' \t\r'
ref split ' ' "$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- split -d ' '
ref split y "$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- split -dy
tr e E <"$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- tr e E
tr a-z A-Z <"$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- case --upper --latin
for rule in shift sj2 mscs; do
  ref hash $rule "$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- hash --rule $rule
  ref hash $rule "$tmp/utf16" >"$tmp/r"; stream_check "$tmp/r" 0 "$tmp/utf16" -- hash --rule $rule
done
stream_check "$tmp/empty" 0 "$tmp/empty" -- tr a b
ref hash sj2 "$tmp/empty" >"$tmp/r"; stream_check "$tmp/r" 0 "$tmp/empty" -- hash --rule sj2
# UTF: iconv for well-formed text; the default block size for malformed input, cut characters
# and lone surrogates (held back at a block's end, they must come out as they would whole).
iconv -f UTF-8 -t UTF-16LE "$tmp/utf8" >"$tmp/r"; stream_check "$tmp/r" 0 "$tmp/utf8" -- convert --to utf16le
iconv -f UTF-8 -t UTF-16BE "$tmp/utf8" >"$tmp/u16be"; stream_check "$tmp/u16be" 0 "$tmp/utf8" -- convert --to utf16be
stream_check "$tmp/utf8" 0 "$tmp/u16be" -- convert --from utf16be --to utf8
default_check 0 "$tmp/utf8bad" -- convert --to utf16be
default_check 0 "$tmp/utf16" -- convert --to utf8
default_check 2 "$tmp/utf16odd" -- convert --to utf8
default_check 0 "$tmp/utf16" -- case --lower
default_check 0 "$tmp/utf16odd" -- case --upper
# ... and the malformed forms whole: a cut sequence, then a five-byte form (above U+10FFFF).
expect_hex '00e2008200410000' 0 '\xe2\x82\x41\x00' -- convert --to utf16be
expect_hex 'c0db00dc' 0 '\xf8\x88\x80\x80\x80' -- convert --to utf16le

# Offsets past 2^31 and 2^32, through a pipe: "ab" across both boundaries.
got=$({ head -c $((2**31 - 1)) /dev/zero; printf ab; head -c $((2**32 - 2**31 - 2)) /dev/zero; printf ab; } |
      "$zetch" find ab | tr '\n' ' ')
[ "$got" = "2147483647 4294967295 " ] || { echo "FAIL: offsets past 2^32: $got"; fails=$((fails + 1)); }

# ---- Regular expressions: grep against grep -P, replace against sed -E ----
# Patterns on which the two engines agree (see the README's differences from PCRE2), with every
# output form; lines come whole whatever the block size. grep -P prints offsets and counts as we do.
for pat in 'qu\w+' '^ *the' '(fox|ab) +x$' 'a{2,3}' '\t $' 'x\s*\r' '^$' '[^ \t]{9,}' '(?<=the )\w+'; do
  for opts in "" -i -v -c -n -b "-n -b" "-o" "-o -n"; do
    # shellcheck disable=SC2086
    grep -P $opts ${opts:+$([[ $opts == -o* ]] && echo -b)} -- "$pat" "$t" >"$tmp/r"; rc=$?
    # shellcheck disable=SC2086
    quick=1 stream_check "$tmp/r" $rc "$t" -- grep $opts -- "$pat"
  done
done
# Several patterns: the lines of their alternation, each with the numbers of the patterns that
# match it before its text (checked against grep -P one pattern at a time).
"$zetch" grep -n -e quick -e '^x' -e 'ab\b' "$t" >"$tmp/got"
grep -P -n '(?:quick)|(?:^x)|(?:ab\b)' "$t" | cmp -s - <(cut -d: -f1,3- "$tmp/got") || { echo "FAIL: grep -e -e -e lines"; fails=$((fails + 1)); }
for k in 1 2 3; do
  pat=$(sed -n ${k}p <<<$'quick\n^x\nab\\b')
  grep -P -n "$pat" "$t" | cut -d: -f1 >"$tmp/r"
  grep -E "^[0-9]+:([0-9]+,)*$k(,[0-9]+)*:" "$tmp/got" | cut -d: -f1 | cmp -s - "$tmp/r" || { echo "FAIL: grep pattern $k's lines"; fails=$((fails + 1)); }
done
printf 'quick\n^x\nab\\b\n' >"$tmp/pats"
"$zetch" grep -n -j 2 -f "$tmp/pats" "$t" | cmp -s - "$tmp/got" || { echo "FAIL: grep -f -j 2"; fails=$((fails + 1)); }
grep -P -n -v '(?:quick)|(?:^x)' "$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- grep -n -v -e quick -e '^x'
expect '' 2 'a' -- grep -j 0 -e a -e b
# Sixty-four patterns, more than the threads: the table must select what grep selects.
pats=(); alt=
for w in the quick aaaa fox ab x zetch; do
  for f in "^$w" "$w\$" "\\b$w\\b" " $w " "$w\\s+\\w" "\\w+$w" "(?i)${w^^}" "$w{2}" "[$w]{4}"; do pats+=(-e "$f"); alt+="|(?:$f)"; done
done
grep -P -c "${alt:1}" "$t" >"$tmp/r"; quick=1 stream_check "$tmp/r" 0 "$t" -- grep -j 3 -c "${pats[@]}"
sed -E 's/(qu|f)(i?[a-z]*)/<\2\1>/' "$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- replace '(qu|f)(i?[a-z]*)' '<$2$1>'
sed -E 's/(qu|f)(i?[a-z]*)/<\2\1>/g' "$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- replace -g '(qu|f)(i?[a-z]*)' '<$2$1>'
sed -E 's/^ +|[ \t]+$//g' "$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- replace -g '^ +|[ \t]+$' ''
sed -E 's/y{3}/[&]/g' "$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- replace -g 'y{3}' '[$&]'
sed -E 's/THE/_/gI' "$t" >"$tmp/r"; stream_check "$tmp/r" 0 "$t" -- replace -g -i 'THE' '_'
# Empty matches, a line whose output outgrows every buffer, unset groups, errors.
expect '<->a<->b<->c<->\n<->\n<->b<->' 0 'abc\n\nb' -- replace -g '(x)*' '<$1\-$&>'
head -c 300000 /dev/zero | tr '\0' y >"$tmp/ys"
"$zetch" replace -g y 'YYYYYYYY' "$tmp/ys" | cmp -s - <(head -c 2400000 /dev/zero | tr '\0' Y) || { echo "FAIL: replace of a long line"; fails=$((fails + 1)); }
expect '[]b' 0 'b' -- replace '(a)?b' '[$1]b'
expect '' 2 'a' -- replace a '$x'
expect '' 2 'a' -- replace '(a' b
expect '' 2 'a' -- grep --options q a
expect '' 2 'a' -- grep --options g a
expect '' 2 'a' -- grep -o -v a
expect '' 1 'b' -- grep a
expect '' 1 'aaaa' -- grep --match-limit 1 'a+'
expect 'aaaa' 0 'aaaa' -- grep --match-limit 2 'a+'
expect '' 2 'aaaa' -- grep --match-limit -1 'a+'
expect '' 2 'aaaa' -- replace --match-limit x a b
expect '0:\xc3\xa9' 0 '\xc3\xa9\n' -- grep -o '^.$'
expect '' 1 '\xc3\xa9\n' -- grep '[\x80-\xbf]'
expect '1:\xa9' 0 '\xc3\xa9\n' -- grep -o --bytes '[\x80-\xbf]'
# Several files, as grep names them; a missing one makes the status 2 after the others' lines.
printf 'ab\nxb\n' >"$tmp/f1"; printf 'b\n' >"$tmp/f2"
grep -P -n 'b$' "$tmp/f1" "$tmp/f2" >"$tmp/r"; "$zetch" grep -n 'b$' "$tmp/f1" "$tmp/f2" | cmp -s - "$tmp/r" || { echo "FAIL: grep of two files"; fails=$((fails + 1)); }
grep -P -c 'a' "$tmp/f1" "$tmp/f2" >"$tmp/r"; "$zetch" grep -c 'a' "$tmp/f1" "$tmp/f2" | cmp -s - "$tmp/r" || { echo "FAIL: grep -c of two files"; fails=$((fails + 1)); }
expect "$tmp/f2:b" 2 '' -- grep b "$tmp/missing" "$tmp/f2"
# regex --test: every match with its groups, unset ones named.
expect 'match 1: 1,2 "ab"\n  group 1: 1,1 "a"\n  group 2: unset\nmatch 2: 4,1 "b"\n  group 1: unset\n  group 2: unset' 0 '' \
  -- regex --test --options g '(a)?b|(c)' 'xab-b'
expect 'match 1: 0,0 ""' 0 '' -- regex --test 'x*' 'ab'
expect '' 1 '' -- regex --test 'x' 'ab'
expect '' 2 '' -- regex --test 'x'

# ---- Errors of input and output ----
# A read error after the open (a directory, unreadable memory) is exit 2 with a message, and a
# failed write or close of standard output makes every command fail.
printf 'abc\n' >"$tmp/small"
readers=("findc a" "findc --all a" "find ab" "find --any ab" "case --upper" "case --lower --latin" "trim a" "split -d a"
         "tr a b" "convert --to utf16le" "convert --to utf8" "hash" "hash --rule mscs" "grep a" "grep -c a" "replace a b")
for c in "${readers[@]}"; do
  for bad in "$tmp" /proc/self/mem; do
    # shellcheck disable=SC2086
    "$zetch" $c "$bad" >/dev/null 2>"$tmp/err"
    rc=$?
    if [ $rc != 2 ] || ! grep -q "^zetch: cannot read $bad: " "$tmp/err"; then
      echo "FAIL: zetch $c $bad -> status $rc:"; cat "$tmp/err"; fails=$((fails + 1))
    fi
  done
  # shellcheck disable=SC2086
  "$zetch" $c "$tmp/small" >/dev/full 2>"$tmp/err"
  rc=$?
  if [ $rc != 2 ] || ! grep -q "^zetch: cannot write standard output: No space left on device" "$tmp/err"; then
    echo "FAIL: zetch $c to /dev/full -> status $rc:"; cat "$tmp/err"; fails=$((fails + 1))
  fi
done
for c in "version" "regex --explain ab" "--help" "findc --help" "grep --help"; do
  # shellcheck disable=SC2086
  "$zetch" $c >/dev/full 2>/dev/null && { echo "FAIL: zetch $c to /dev/full succeeded"; fails=$((fails + 1)); }
  # shellcheck disable=SC2086
  "$zetch" $c >&- 2>/dev/null && { echo "FAIL: zetch $c with standard output closed succeeded"; fails=$((fails + 1)); }
done
# Output much larger than the writer's buffer: one message, at the first failed write.
head -c 3000000 /dev/zero >"$tmp/zeros"
"$zetch" tr '\0' x "$tmp/zeros" >/dev/full 2>"$tmp/err"
[ $? = 2 ] && [ "$(wc -l <"$tmp/err")" = 1 ] || { echo "FAIL: tr of 3 MB to /dev/full"; cat "$tmp/err"; fails=$((fails + 1)); }
# A search that finds nothing writes nothing: a closed standard output is no error then.
"$zetch" findc z "$tmp/small" >&-
[ $? = 1 ] || { echo "FAIL: findc without hits and stdout closed"; fails=$((fails + 1)); }
expect '' 2 '' -- findc a "$tmp/missing"
grep -q "^zetch: cannot open $tmp/missing: No such file" "$tmp/err" || { echo "FAIL: message for a missing file"; fails=$((fails + 1)); }
ZETCH_BLOCK_SIZE=0 "$zetch" hash "$tmp/small" >/dev/null 2>&1
[ $? = 2 ] || { echo "FAIL: ZETCH_BLOCK_SIZE=0 accepted"; fails=$((fails + 1)); }

# ---- Conventions: "--" ends the options, "-" is standard input, empty SETs are usage errors ----
expect 'a' 0 '-a-' -- trim -- -
expect 'a-b' 0 '--a-b-' -- trim -- -
expect '_x_' 0 '-x-' -- tr -- - _
expect '' 2 '-x-' -- tr -q - _
expect '1' 0 'a-' -- findc -- -
expect '1' 0 'a-' -- findc - -
expect '0\n2' 0 '-a-' -- find --any -- -
expect '2' 0 'ab-c-' -- find --last -- -c
expect '291' 0 'abc' -- hash -
expect 'bbc' 0 'abc' -- tr a b -
expect '' 2 'abc' -- trim ''
expect '' 2 'abc' -- find --any ''
expect '' 2 'abc' -- find --any -- ''
expect '' 2 '' -- regex --explain --options q a
expect '' 2 '' -- regex --explain --options
expect 'nodes=1 groups=1 required=0 kind=literal-start options=-
0 String "-a"' 0 '' -- regex --explain -- -a
expect '' 2 '' -- regex --explain -a
expect '' 2 '' -- version extra
"$zetch" find --help | grep -q 'FILE absent or "-": standard input' || { echo "FAIL: find --help says nothing of -"; fails=$((fails + 1)); }
"$zetch" find -- --help <<<'x--helpx' | grep -qx 1 || { echo "FAIL: find -- --help searched no needle"; fails=$((fails + 1)); }

[ "$fails" -eq 0 ] && echo "all command-line checks passed"
exit $((fails > 0))
