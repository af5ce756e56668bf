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

utf8='A\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80'
expect_hex '4100e900ac203dd800de' 0 "$utf8" -- convert --to utf16le
expect_hex '004100e920acd83dde00' 0 "$utf8" -- convert --to utf16be
expect_hex '41c3a9e282acf09f9880' 0 '\x41\x00\xe9\x00\xac\x20\x3d\xd8\x00\xde' -- convert --to utf8
expect_hex '41c3a9e282acf09f9880' 0 '\x00\x41\x00\xe9\x20\xac\xd8\x3d\xde\x00' -- convert --from utf16be --to utf8
# Malformed bytes pass through as units of the same value; a lone surrogate as three bytes.
expect_hex '00c00080008000e200820041' 0 '\xc0\x80\x80\xe2\x82\x41' -- convert --to utf16be
expect_hex 'eda0bd41' 0 '\x3d\xd8\x41\x00' -- convert --to utf8
expect_hex '' 0 '' -- convert --to utf16le
expect '' 2 'abc' -- convert --to utf8
expect '' 2 '' -- convert --to utf32
expect '' 2 '' -- convert --from utf16le --to utf16be
expect '' 2 '' -- convert
# Long enough for many resumed calls, with pairs falling across the ends of the output buffer.
printf 'a\xc3\xa9\xf0\x9f\x98\x80%.0s' $(seq 30000) >"$tmp/long8"
"$zetch" convert --to utf16be "$tmp/long8" >"$tmp/long16" && "$zetch" convert --from utf16be --to utf8 "$tmp/long16" >"$tmp/back8"
if ! cmp -s "$tmp/long8" "$tmp/back8" || [ "$(wc -c <"$tmp/long16")" != 240000 ]; then
  echo "FAIL: long UTF-8 -> UTF-16BE -> UTF-8 round trip"; fails=$((fails + 1))
fi

expect '291' 0 'abc' -- hash
expect '96354' 0 'abc' -- hash --rule sj2
expect '193409669' 0 'abc' -- hash --rule mscs
expect '193409669' 0 'abc\0def' -- hash --rule mscs
expect '5381' 0 '' -- hash --rule mscs
expect '0' 0 '' -- hash --rule sj2
printf 'abc' >"$tmp/abc"
expect '291' 0 '' -- hash "$tmp/abc"
expect '' 2 '' -- hash --rule fnv
expect '' 2 '' -- hash --rule

[ "$fails" -eq 0 ] && echo "all command-line checks passed"
exit $((fails > 0))
