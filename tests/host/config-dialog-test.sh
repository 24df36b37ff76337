#!/usr/bin/env bash
# The settings dialog and the about box of Vorn.spi under Wine, on a virtual
# X display, driven by key presses:
#   config-dialog-test.sh VRNHOST_EXE VORN_SPI OUTPUT_DIR
# One 32-bit vrnhost process (vrnhost --dialog-session) makes one
# ConfigurationDlg call per step and logs each window it sees; this script
# prepares the registry with `reg add` before each step, waits for the
# window, takes screenshots into OUTPUT_DIR, presses keys with xdotool and
# checks the registry afterwards. Exit 77 (skipped) when Wine is missing.
set -euo pipefail

if ! command -v wine >/dev/null 2>&1; then
  echo "Wine is not installed: skipped"
  exit 77
fi
for tool in xvfb-run xdotool import; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (run tools/setup.sh)"; exit 1; }
done
if [ -z "${VORN_DIALOG_TEST_DISPLAY:-}" ]; then
  export VORN_DIALOG_TEST_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

exe=$(realpath "$1")
spi=$(realpath "$2")
out=$(realpath -m "$3")
here=$(dirname "$(realpath "$0")")
. "$here/wine-env.sh"
wine_server_up
mkdir -p "$out"
session=$(mktemp -d "${TMPDIR:-/tmp}/vorn-dialog.XXXXXX")
log=$session/session.log
key='HKCU\Software\ORMALDE\VornLive\Susie'
desktop=vorn-dialog-$$
failures=0
step=0

winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
note() { printf '%s %s\n' "$(date +%T)" "$*"; }
fail() { note "FAILED: $*"; failures=$((failures + 1)); }

# The stored value as "TYPE DATA" ("" when there is none).
stored() {
  wine64_tool reg query "$key" /v MultiImage 2>/dev/null |
    awk '$1 == "MultiImage" { print $2, $3 }' | tr -d '\r' | sed 's/ $//'
}
set_value() { wine64_tool reg add "$key" /v MultiImage /t "$1" /d "$2" /f >/dev/null; }
clear_value() { wine64_tool reg delete "$key" /v MultiImage /f >/dev/null 2>&1 || true; }

# How many lines of the session log match pattern.
count_log() {
  local n
  n=$(grep -c -- "$1" "$log" 2>/dev/null) || true
  echo "${n:-0}"
}
# Waits until pattern has matched at least n lines of the session log.
wait_log() {  # pattern n seconds
  local deadline=$((SECONDS + $3))
  while [ "$(count_log "$1")" -lt "$2" ]; do
    if [ $SECONDS -ge $deadline ]; then
      import -window root -crop 640x480+0+0 "$out/config-dialog-timeout.png" 2>/dev/null || true
      note "timed out waiting for '$1' (#$2); session log:"
      cat "$log" 2>/dev/null || true
      finish 1
    fi
    sleep 0.5
  done
}
last_window() { grep -- "^window kind=" "$log" | tail -n 1; }
shot() { sleep 1; import -window root -crop 640x480+0+0 "$out/$1"; note "screenshot $out/$1"; }

dialogs=0 boxes=0
session_processes() { pgrep -f -- "$(basename "$session")" || true; }
command_step() {  # command
  step=$((step + 1))
  echo "$1" > "$session/cmd-$step"
}
expect_dialog() {  # checked-state
  dialogs=$((dialogs + 1))
  wait_log "^window kind=dialog" $dialogs 180
  local line; line=$(last_window)
  [[ $line == *"checked=$1 "* ]] || fail "step $step: dialog opened with ${line#*checked=} (expected checked=$1)"
  # The window is logged as it opens; under load it takes the keyboard focus
  # a moment later, and a key pressed before that is lost.
  sleep 1
}
expect_box() {  # text
  boxes=$((boxes + 1))
  wait_log "^window kind=box" $boxes 180
  local line; line=$(last_window)
  [[ $line == *"$1"* ]] || fail "step $step: box '$line' lacks '$1'"
}
toggle() {  # expected state after Space
  local before; before=$(count_log "^window state checked=$1")
  xdotool key space
  wait_log "^window state checked=$1" $((before + 1)) 60
}
press_and_close() {  # key
  # A closing key that was lost (the window had no focus yet) is pressed
  # again; once the dialog has closed, a repeat lands on the empty desktop.
  local tries
  for tries in 1 2 3 4 5; do
    xdotool key "$1"
    local deadline=$((SECONDS + 12))
    while [ "$(count_log "^step $step rc=")" -lt 1 ] && [ $SECONDS -lt $deadline ]; do sleep 0.5; done
    [ "$(count_log "^step $step rc=")" -ge 1 ] && break
  done
  wait_log "^step $step rc=" 1 10
  grep -q "^step $step rc=0$" "$log" || fail "step $step: ConfigurationDlg returned $(grep "^step $step rc=" "$log")"
}
expect_stored() {  # "TYPE DATA"
  local now; now=$(stored)
  [ "$now" = "$1" ] || fail "step $step: MultiImage is '$now', expected '$1'"
}

# The value before the test, put back at the end.
original=$(stored)
finish() {
  trap - EXIT
  [ -f "$session/cmd-$((step + 1))" ] || echo quit > "$session/cmd-$((step + 1))"
  local deadline=$((SECONDS + 60))
  while [ -n "$(session_processes)" ] && [ $SECONDS -lt $deadline ]; do sleep 1; done
  # Still there (a window left open): end the processes of this session, which
  # carry its directory on their command lines, before the display goes away.
  local pid
  for pid in $(session_processes); do kill "$pid" 2>/dev/null || true; done
  clear_value
  if [ -n "$original" ]; then
    local type=${original%% *} data=${original#* }
    [ "$data" != "$original" ] || data=''
    set_value "$type" "$data"
  fi
  cp "$log" "$out/config-dialog-session.log" 2>/dev/null || true
  rm -rf "$session"
  # The prefix's server keeps the 640 x 480 desktop as the screen size of
  # the programs that start while it lives; stop it, so the next test's
  # programs see the default screen again.
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  if [ "$1" -ne 0 ] || [ $failures -ne 0 ]; then
    note "config dialog test: $failures failure(s)"
    exit 1
  fi
  note "config dialog test: all steps passed"
  exit 0
}

note "starting vrnhost --dialog-session on Wine desktop $desktop (a 32-bit start takes about a minute)"
"$WINE64" explorer "/desktop=$desktop,640x480" "$(winpath "$exe")" "$(winpath "$spi")" \
  --dialog-session "$(winpath "$session")" > "$out/config-dialog-wine.log" 2>&1 &
trap 'finish 1' EXIT
# With the desktop window focused, the windows the plug-in opens are active
# and receive the keys.
desktop_window=$(timeout 120 xdotool search --sync --limit 1 --name "^$desktop - Wine desktop\$") ||
  { note "the Wine desktop did not appear"; finish 1; }
xdotool windowfocus --sync "$desktop_window"
xdotool mousemove 1 1
wait_log "^session started" 1 600

note "about box: Enter closes it"
command_step about
expect_box "title='Vornpix Format for Susie'"
shot about-box.png
press_and_close Return

note "MultiImage \"0\": unchecked; Space then Esc writes nothing"
set_value REG_SZ 0
command_step dialog
expect_dialog 0
line=$(last_window)
for part in "client=360x118" "font='ＭＳ Ｐゴシック' height=-12 charset=128" \
  "controls: [Button id=103 24,28,141x17 tab 'フレームを展開(&F)'] [Button id=1 192,76,75x25 tab default 'OK'] [Button id=2 272,76,75x25 tab 'キャンセル'] [Static id=102 8,8,345x61 '']"; do
  [[ $line == *"$part"* ]] || fail "layout: '$part' not in '$line'"
done
# Centred on the desktop.
if [[ $line =~ frame=([0-9]+),([0-9]+),([0-9]+)x([0-9]+)\ screen=([0-9]+)x([0-9]+) ]]; then
  x=${BASH_REMATCH[1]} y=${BASH_REMATCH[2]} w=${BASH_REMATCH[3]} h=${BASH_REMATCH[4]}
  sw=${BASH_REMATCH[5]} sh=${BASH_REMATCH[6]}
  [ "$x" -eq $(((sw - w) / 2)) ] && [ "$y" -eq $(((sh - h) / 2)) ] || fail "not centred: $x,$y ${w}x$h on ${sw}x$sh"
else
  fail "no frame in '$line'"
fi
shot config-dialog.png
toggle 1
press_and_close Escape
expect_stored "REG_SZ 0"

note "Space then Enter (OK) writes \"1\""
command_step dialog
expect_dialog 0
toggle 1
shot config-dialog-checked.png
press_and_close Return
expect_stored "REG_SZ 1"

note "no value: checked; OK without a change still writes"
clear_value
command_step dialog
expect_dialog 1
press_and_close Return
expect_stored "REG_SZ 1"

for text in abc 2 ''; do
  note "MultiImage \"$text\": checked (true or the default); Esc keeps it"
  set_value REG_SZ "$text"
  command_step dialog
  expect_dialog 1
  press_and_close Escape
  expect_stored "$(echo "REG_SZ $text" | sed 's/ $//')"
done

note "the close box (Alt+F4) cancels"
set_value REG_SZ 1
command_step dialog
expect_dialog 1
toggle 0
press_and_close alt+F4
expect_stored "REG_SZ 1"

note "a write that fails: the error box, and the dialog stays open"
set_value REG_SZ 0
command_step deny-writes
wait_log "^step $step deny-writes done" 1 60
command_step dialog
expect_dialog 0
toggle 1
xdotool key Return
expect_box "キー Susie の作成に失敗しました"
shot config-write-error-box.png
xdotool key Return
sleep 3
[ "$(count_log "^step $step rc=")" -eq 0 ] || fail "step $step: the dialog closed after the failed write"
press_and_close Escape
expect_stored "REG_SZ 0"
command_step allow-writes
wait_log "^step $step allow-writes done" 1 60

note "MultiImage as REG_DWORD: the error box, then the dialog unchecked"
set_value REG_DWORD 1
command_step dialog
expect_box "'MultiImage' のデータ型が不正です"
shot config-error-box.png
xdotool key Return
expect_dialog 0
press_and_close Escape
expect_stored "REG_DWORD 0x1"

finish 0
