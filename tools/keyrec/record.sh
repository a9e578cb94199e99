#!/usr/bin/env bash
# Records the bytes a terminal sends for each key of padlink's key table and
# the special keys around it: the source of the recorded rows in
# tests/unit/terminal_table_test.cpp.
#
#   tools/keyrec/record.sh FAMILY > FAMILY.tsv
#
# FAMILY: tmux, screen-tmux (screen inside tmux), xterm, xterm-vt220
# (xterm -kt vt220), rxvt (rxvt-unicode), kitty, alacritty, vte
# (xfce4-terminal), konsole, st, screen-xterm (screen inside xterm). Each line
# of the output is the key's name, a tab, and the bytes in hex ("-" for
# none); a third field "took" marks a key after which the terminal kept the
# keys that followed (a menu, a help window, a pager, a search).
#
# The terminal runs a byte dumper (the terminal in raw mode, od) in place of
# padlink. tmux and screen-tmux type into a detached tmux with send-keys,
# which hands the pane exactly what tmux sends for that key. The X terminals
# run on a virtual X server (Xvfb) with no window manager and get real key
# events from xdotool (XTEST), as from a keyboard; a desktop's window manager
# may take keys before the terminal sees them (see docs/terminals.md). Each
# X terminal runs with its default configuration: an empty home directory,
# no configuration file (and BROWSER=true, so that a help key opens no
# browser). Nearly a second after every key a 9 is typed: when it does not
# arrive, the terminal kept it, and a new terminal is started for the keys
# that follow (the key's line says "took"). The letters start from a new
# terminal too. Needs tmux, screen, Xvfb, xdotool and the terminals
# themselves (Debian: tmux screen xvfb xdotool xterm rxvt-unicode kitty
# alacritty xfce4-terminal konsole stterm; dbus for xfce4-terminal and
# konsole).
set -euo pipefail
family=${1:?usage: record.sh tmux|screen-tmux|xterm|xterm-vt220|rxvt|kitty|alacritty|vte|konsole|st|screen-xterm}

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -- "-$p" 2>/dev/null || kill "$p" 2>/dev/null || true; done
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
  # Ctrl with a letter and with the digits 2, 3 and 4: control characters.
  "Ctrl+a ctrl+a C-a" "Ctrl+2 ctrl+2 C-2" "Ctrl+3 ctrl+3 C-3" "Ctrl+4 ctrl+4 C-4"
  # Letters whose Alt some terminals keep: xfce4-terminal's menus, konsole's
  # side panels, rxvt-unicode's scrollback search (Alt+s).
  "Alt+a alt+a M-a" "Alt+e alt+e M-e" "Alt+f alt+f M-f" "Alt+t alt+t M-t"
  "Alt+r alt+r M-r" "Alt+s alt+s M-s"
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

# The bytes of the dump from byte `from` up to byte `to` (its end when not
# given), in hex, on one line; "-" for none.
arrived() {
  local from=$1 to=${2:-$(stat -c %s "$bytes")}
  if [ "$to" -eq "$from" ]; then
    echo -
  else
    tail -c +"$((from + 1))" "$bytes" | head -c "$((to - from))" | tr -s ' \n' ' ' |
      sed 's/^ //; s/ $//'
    echo
  fi
}

# Sends one key; prints what arrived.
record() {
  local send=$1 before
  before=$(stat -c %s "$bytes")
  $send
  sleep "$settle"
  arrived "$before"
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

# Starts the X terminal of the family with the byte dumper in it, in a
# process group of its own, with an empty home: its default configuration.
start_x_terminal() {
  local home=$work/home
  rm -rf "$home"
  mkdir -p "$home"
  local -a run=(env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local"
    BROWSER=true setsid)
  case $family in
    xterm) "${run[@]}" xterm -e sh -c "$dumper" & ;;
    xterm-vt220) "${run[@]}" xterm -kt vt220 -e sh -c "$dumper" & ;;
    screen-xterm) "${run[@]}" xterm -e sh -c "$in_screen" & ;;
    rxvt) "${run[@]}" urxvt -e sh -c "$dumper" & ;;
    kitty) "${run[@]}" kitty --config NONE sh -c "$dumper" >/dev/null 2>&1 & ;;
    alacritty) "${run[@]}" alacritty -e sh -c "$dumper" >/dev/null 2>&1 & ;;
    vte) "${run[@]}" dbus-run-session xfce4-terminal --disable-server -x sh -c "$dumper" \
      >/dev/null 2>&1 & ;;
    konsole) "${run[@]}" dbus-run-session konsole --nofork -e sh -c "$dumper" >/dev/null 2>&1 & ;;
    st) "${run[@]}" st -e sh -c "$dumper" >/dev/null 2>&1 & ;;
  esac
  terminal=$!
  pids+=("$terminal")
  # Its window: the visible one of a process in its session.
  local wid="" p
  for _ in $(seq 150); do
    for p in $(pgrep -s "$terminal" || true); do
      wid=$(xdotool search --onlyvisible --pid "$p" 2>/dev/null | tail -1 || true)
      [ -n "$wid" ] && break 2
    done
    sleep 0.1
  done
  xdotool windowfocus --sync "$wid"
  xdotool mousemove --window "$wid" 40 40
  sleep 1.5
}

stop_x_terminal() {
  kill -- "-$terminal" 2>/dev/null || true
  sleep 0.5
}

# Types one key into the X terminal; a 9 after it tells whether the terminal
# still passes keys on. When it does not, the terminal starts anew.
record_x_key() {
  local xk=$1 before check
  before=$(stat -c %s "$bytes")
  xdotool key "$xk"
  sleep "$settle"
  check=$(stat -c %s "$bytes")
  # What a key opens (an editor, a help window) may take a moment to come.
  sleep 0.8
  xdotool key 9
  sleep "$settle"
  if [ "$(arrived "$check")" = 39 ]; then
    arrived "$before" "$check"
  else
    printf '%s\ttook\n' "$(arrived "$before" "$check")"
    stop_x_terminal
    start_x_terminal
  fi
}

# Types every key into an X terminal on a virtual X server with xdotool.
record_in_x() {
  local n=90 name xk k
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=:$n LANG=C.UTF-8
  sleep 1
  start_x_terminal
  for k in "${keys[@]}"; do
    IFS=$'\t' read -r name xk _ <<<"$k"
    # The letters start from a new terminal: what the keys before may have
    # opened (a side panel) is closed.
    if [ "$name" = Enter ]; then
      stop_x_terminal
      start_x_terminal
    fi
    printf '%s\t' "$name"
    record_x_key "$xk"
  done
  stop_x_terminal
}

case $family in
  tmux | screen-tmux) record_in_tmux ;;
  xterm | xterm-vt220 | rxvt | kitty | alacritty | vte | konsole | st | screen-xterm) record_in_x ;;
  *)
    echo "record.sh: unknown family $family" >&2
    exit 2
    ;;
esac
