#!/usr/bin/env bash
# The Windows build under wine: the bundled example and every end-to-end
# case folder that means something on Windows (not those that need /proc or
# /dev/full), compared with the Linux expectations after CR LF -> LF.
#   bash tests/wine_cases.sh [build-mingw/tarnvel.exe]
set -uo pipefail
cd "$(dirname "$0")/.."
EXE=$(realpath "${1:-build-mingw/tarnvel.exe}")
export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-$HOME/.wine-tarnvel}
# /proc, /dev/full and a folder as standard input are not Windows things.
SKIP="input_read_error disk_full answers_unreadable"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"; wineserver -k 2>/dev/null' EXIT
wineboot -i >/dev/null 2>&1 || true

passed=0 failed=0
lf() { sed 's/\r$//' "$1"; }  # one CR before each LF: the text stream's line end
check() {  # name, transcript, status, expected transcript, expected status, files dir, expected files dir
  local name=$1 ok=1
  if ! cmp -s <(lf "$2") "$4"; then echo "$name: transcript differs"; diff <(lf "$2") "$4" | head -10; ok=0; fi
  if [ "$(cat "$3")" != "$(cat "$5")" ]; then echo "$name: status $(cat "$3"), expected $(cat "$5")"; ok=0; fi
  if [ -d "$7" ]; then
    for f in $(cd "$7" && find . -type f); do
      cmp -s <(lf "$6/$f") "$7/$f" || { echo "$name: $f differs"; ok=0; }
    done
  fi
  if [ $ok = 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}

# The bundled example, against the Linux build's run of it.
LINUX=${LINUX:-build/tarnvel}
for side in linux windows; do
  mkdir -p "$WORK/example-$side"
  cp examples/shaker.txt "$WORK/example-$side/"
done
(cd "$WORK/example-linux" && setsid "$OLDPWD/$LINUX" < "$OLDPWD/examples/shaker.answers" > ../linux.out; echo $? > ../linux.status)
(cd "$WORK/example-windows" && wine "$EXE" < "$OLDPWD/examples/shaker.answers" > ../windows.out 2>/dev/null; echo $? > ../windows.status)
rm "$WORK/example-linux/shaker.txt"
check example "$WORK/windows.out" "$WORK/windows.status" "$WORK/linux.out" "$WORK/linux.status" "$WORK/example-windows" "$WORK/example-linux"

for c in tests/cases/*/; do
  c=${c%/}; name=$(basename "$c")
  case " $SKIP " in *" $name "*) continue ;; esac
  w="$WORK/$name"; mkdir -p "$w/run"
  [ -d "$c/files" ] && cp -r "$c/files/." "$w/run/"
  [ -f "$c/setup" ] && (cd "$w/run" && bash "$OLDPWD/$c/setup")
  args=(); [ -f "$c/args" ] && mapfile -t args < "$c/args"
  (cd "$w/run" && wine "$EXE" "${args[@]}" < "$OLDPWD/$c/answers" > "$w/stdout" 2>/dev/null; echo $? > "$w/status")
  check "$name" "$w/stdout" "$w/status" "$c/expected/stdout" "$c/expected/status" "$w/run" "$c/expected/files"
done
# The key wait on a pseudo-console: it still waits after the last message,
# and one key ends it with status 0.
CONPTY=$(dirname "$EXE")/conpty_test.exe
if [ -f "$CONPTY" ]; then
  mkdir -p "$WORK/keywait"
  printf '+0:0:0 0 1\n+0:0:0 1 2\n' > "$WORK/keywait/rec.txt"
  printf 'rec.txt acc 1 0 1 1\n' > "$WORK/keywait/answers"
  if timeout 120 wine "$CONPTY" "$(winepath -w "$EXE")" "$(winepath -w "$WORK/keywait")"; then
    passed=$((passed + 1))
  else
    echo "keywait: the key wait on a pseudo-console failed"
    failed=$((failed + 1))
  fi
fi
echo "wine: $passed passed, $failed failed"
[ "$failed" = 0 ]
