#!/usr/bin/env bash
# Records the bytes a terminal sends for each key of padlink's key table and
# the special keys around it: the source of the recorded rows in
# tests/unit/terminal_table_test.cpp.
#
#   tools/keyrec/record.sh FAMILY > FAMILY.tsv
#
# FAMILY: tmux, screen-tmux (screen inside tmux), xterm, xterm-vt220
# (xterm -kt vt220), rxvt (rxvt-unicode), kitty, screen-xterm (screen inside
# xterm). Each line of the output is the key's name, a tab, and the bytes in
# hex ("-" for none).
#
# The terminal runs a byte dumper (the terminal in raw mode, od) in place of
# padlink. tmux and screen-tmux type into a detached tmux with send-keys,
# which hands the pane exactly what tmux sends for that key. The X terminals
# run on a virtual X server (Xvfb) and get real key events from xdotool
# (XTEST), as from a keyboard; a desktop's window manager may take some keys
# (Ctrl+Alt+F1..F12) before the terminal sees them. Needs tmux, screen,
# Xvfb, xdotool and the terminals themselves (Debian: tmux screen xvfb
# xdotool xterm rxvt-unicode kitty).
set -euo pipefail
family=${1:?usage: record.sh tmux|screen-tmux|xterm|xterm-vt220|rxvt|kitty|screen-xterm}

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  tmux -L padlink-keyrec kill-server 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

bytes=$work/bytes
: >"$bytes"
dumper="stty raw -echo; exec stdbuf -o0 od -An -tx1 -v -w1 >>$bytes"
screenrc=$work/screenrc
printf 'startup_message off\n' >"$screenrc"
in_screen="screen -c $screenrc sh -c '$dumper'"

# Special keys: padlink's name, xdotool's keysym, tmux's name.
specials=(
  "Up Up Up" "Down Down Down" "Right Right Right" "Left Left Left"
  "Home Home Home" "End End End" "Insert Insert IC" "Delete Delete DC"
  "PageUp Prior PPage" "PageDown Next NPage"
  "F1 F1 F1" "F2 F2 F2" "F3 F3 F3" "F4 F4 F4" "F5 F5 F5" "F6 F6 F6"
  "F7 F7 F7" "F8 F8 F8" "F9 F9 F9" "F10 F10 F10" "F11 F11 F11" "F12 F12 F12"
)
# Modifier sets: padlink's prefix, xdotool's, tmux's.
modifiers=(
  "|| " "Shift+|shift+|S-" "Ctrl+|ctrl+|C-" "Alt+|alt+|M-"
  "Ctrl+Shift+|ctrl+shift+|C-S-" "Alt+Shift+|alt+shift+|M-S-" "Ctrl+Alt+|ctrl+alt+|C-M-"
)
# Keys with characters: padlink's name, xdotool's, tmux's.
characters=(
  "Enter Return Enter" "Esc Escape Escape" "Space space Space"
  "Ctrl+Space ctrl+space C-Space" "Ctrl+[ ctrl+bracketleft C-[" "Ctrl+M ctrl+m C-m"
  "S S S" "s s s" "0 0 0" "5 5 5" "Alt+Shift+P alt+shift+p M-P"
  # Last: rxvt-unicode starts its scrollback search with Alt+s, which then
  # takes every key.
  "Alt+s alt+s M-s"
)

keys=()  # "name<TAB>xdotool<TAB>tmux"
for s in "${specials[@]}"; do
  read -r name xk tk <<<"$s"
  for m in "${modifiers[@]}"; do
    IFS='|' read -r mn mx mt <<<"$m"
    mt=${mt% }
    keys+=("$mn$name"$'\t'"$mx$xk"$'\t'"$mt$tk")
  done
done
for c in "${characters[@]}"; do
  read -r name xk tk <<<"$c"
  keys+=("$name"$'\t'"$xk"$'\t'"$tk")
done

settle=0.15
case $family in
  screen-*) settle=0.6 ;;  # screen holds a lone Esc for its maptimeout (300 ms)
esac

# Sends one key; prints what arrived.
record() {
  local send=$1 before after
  before=$(stat -c %s "$bytes")
  $send
  sleep "$settle"
  after=$(stat -c %s "$bytes")
  if [ "$after" -eq "$before" ]; then
    echo -
  else
    tail -c +"$((before + 1))" "$bytes" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'
    echo
  fi
}

# Types every key into a detached tmux (and screen inside it) with send-keys.
record_in_tmux() {
  local cmd=$dumper name tk k
  [ "$family" = screen-tmux ] && cmd=$in_screen
  tmux -L padlink-keyrec -f /dev/null new-session -d -s rec -x 100 -y 30 "$cmd"
  sleep 1
  for k in "${keys[@]}"; do
    IFS=$'\t' read -r name _ tk <<<"$k"
    printf '%s\t' "$name"
    record "tmux -L padlink-keyrec send-keys -t rec $tk"
  done
}

# Starts the X terminal of the family with the byte dumper in it.
start_x_terminal() {
  case $family in
    xterm) xterm -e sh -c "$dumper" & ;;
    xterm-vt220) xterm -kt vt220 -e sh -c "$dumper" & ;;
    screen-xterm) xterm -e sh -c "$in_screen" & ;;
    rxvt) urxvt -e sh -c "$dumper" & ;;
    kitty)
      # kitty's Ctrl+Shift shortcuts that open windows or resize would
      # take the focus from the recording: here they discard the key
      # instead, which the program sees the same way (nothing).
      local -a quiet
      for k in f1 f2 f6 f10 f11; do quiet+=(-o "map ctrl+shift+$k discard_event"); done
      kitty --config NONE "${quiet[@]}" sh -c "$dumper" >/dev/null 2>&1 &
      ;;
  esac
  pids+=($!)
}

# Types every key into an X terminal on a virtual X server with xdotool.
record_in_x() {
  local display=:$((90 + RANDOM % 100)) wid name xk k
  Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=$display LANG=C.UTF-8
  sleep 1
  start_x_terminal
  wid=$(xdotool search --sync --onlyvisible --pid "${pids[-1]}" | tail -1)
  xdotool windowfocus --sync "$wid"
  xdotool mousemove --window "$wid" 40 40
  sleep 1
  for k in "${keys[@]}"; do
    IFS=$'\t' read -r name xk _ <<<"$k"
    printf '%s\t' "$name"
    record "xdotool key $xk"
  done
}

case $family in
  tmux | screen-tmux) record_in_tmux ;;
  xterm | xterm-vt220 | rxvt | kitty | screen-xterm) record_in_x ;;
  *)
    echo "record.sh: unknown family $family" >&2
    exit 2
    ;;
esac
