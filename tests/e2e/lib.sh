# Helpers for end-to-end tests: a private X display, a fresh home, the program, screenshots.
# Needs SARVO_BUILD_DIR; the private sound server's variables come from the CTest fixture.
set -euo pipefail

e2e_pids=()
e2e_cleanup() {
  local pid
  for pid in "${e2e_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  # Each gets 10 s to end; a program that does not is killed, so a failed test never hangs here.
  for pid in "${e2e_pids[@]}"; do
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  # Not an && list: as the trap's last command its status would become the script's.
  if [ -n "${E2E_HOME:-}" ]; then rm -rf "$E2E_HOME"; fi
}
trap e2e_cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# The recorder is one per session: its programs see no session bus but one the test runs itself
# (under dbus-run-session, saying so in SARVO_E2E_BUS), never the desktop's, where a recorder that
# runs there would take their requests.
[ -n "${SARVO_E2E_BUS:-}" ] || unset DBUS_SESSION_BUS_ADDRESS

# Starts Xvfb on a display number of its own and exports DISPLAY; $1 is the screen's size
# (default 1280x800). Xvfb picks a free number itself and tells it (-displayfd), so tests started
# side by side never share or steal a display. It never resets when its last client leaves: a
# program started just then would find no display.
start_display() {
  local told pid number="" size=${1:-1280x800}
  told=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$told" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 100); do
    number=$(head -n 1 "$told" 2>/dev/null || true)
    [ -n "$number" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  rm -f "$told"
  [ -n "$number" ] || fail "Xvfb did not start within 5 s"
  e2e_pids+=("$pid")
  export DISPLAY=:$number
}

# A fresh, empty home folder; the interface language is English unless $1 names a locale. A runtime
# folder of its own too, where a recorder without a session bus keeps the socket of its session.
fresh_home() {
  E2E_HOME=$(mktemp -d)
  export HOME=$E2E_HOME LANG=${1:-C.UTF-8}
  unset XDG_CONFIG_HOME XDG_DATA_HOME LANGUAGE LC_ALL LC_MESSAGES
  export XDG_RUNTIME_DIR=$E2E_HOME/runtime
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
}

# Records from the private server's paced input, which keeps time with the wall clock (its sine
# source hands out seconds ahead of it).
use_paced_input() {
  mkdir -p "$HOME/.config/Sarvo Mp3 Recorder"
  printf '[Input]\nName=Paced_tone_440_Hz (Paced_tone_440_Hz)\n' >>"$HOME/.config/Sarvo Mp3 Recorder/prefs.ini"
}

# Started from the home folder, as a launcher would: no terms-of-use file in the working folder.
# SARVO_PROGRAM names another program file than the build's; E2E_PLATFORM another Qt platform
# than X11's.
start_program() {
  (cd "$HOME" && exec env QT_QPA_PLATFORM="${E2E_PLATFORM:-xcb}" "${SARVO_PROGRAM:-$SARVO_BUILD_DIR/sarvo-mp3-recorder}" "$@") \
    >"$E2E_HOME/program.log" 2>&1 &
  PROGRAM_PID=$!
  e2e_pids+=("$PROGRAM_PID")
}

# Starts the program, waits for its main window after the splash and gives it the keyboard;
# the window's id is left in MAIN_WINDOW.
start_main_window() {
  start_program
  MAIN_WINDOW=$(wait_for_window "Sarvo MP3 Recorder" 30)
  xdotool windowfocus --sync "$MAIN_WINDOW"
  until_true 10 "the main window drawn" picture_settled "$MAIN_WINDOW"
}

# Waits up to $2 seconds for a visible window whose title matches the pattern $1 (anchored);
# prints its id.
wait_for_window() {
  local title=$1 limit=${2:-20} id=""
  for _ in $(seq $((limit * 10))); do
    id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the program ended early: $(cat "$E2E_HOME/program.log")"
    sleep 0.1
  done
  fail "no window titled '$title' within ${limit}s"
}

# Saves a screenshot of window $1 as $SARVO_BUILD_DIR/screenshots/$2.png.
screenshot() {
  mkdir -p "$SARVO_BUILD_DIR/screenshots"
  import -window "$1" "$SARVO_BUILD_DIR/screenshots/$2.png"
  echo "screenshot: $SARVO_BUILD_DIR/screenshots/$2.png"
}

# Like wait_for_window, for titles that are not plain ASCII or that the platform extends: the id of
# the first mapped window whose title contains $1 (an extended regular expression).
wait_for_titled() {
  local pattern=$1 limit=${2:-20} id
  for _ in $(seq $((limit * 10))); do
    for id in $(xwininfo -root -tree 2>/dev/null | grep -E "^ +0x[0-9a-f]+ \"[^\"]*(${pattern})[^\"]*\":" |
                awk '{print $1}'); do
      xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable" && { echo "$id"; return 0; }
    done
    kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the program ended early: $(cat "$E2E_HOME/program.log")"
    sleep 0.1
  done
  fail "no window with '$pattern' in its title within ${limit}s"
}

# The main window's client point of a control's centre, at the design width.
click_in() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
}

# until_true SECONDS WHAT COMMAND...: polls the command until it succeeds.
until_true() {
  local limit=$1 what=$2
  shift 2
  for _ in $(seq $((limit * 10))); do
    "$@" && return 0
    sleep 0.1
  done
  [ -z "${MAIN_WINDOW:-}" ] || screenshot "$MAIN_WINDOW" "$(basename "$0" .sh)-failed" >/dev/null 2>&1 || true
  fail "$what, not within ${limit} s; the program said: $(tail -n 5 "$E2E_HOME/program.log")"
}

# Conditions for until_true.
# The window $1 is drawn and its picture the same as when last looked at (a still window settles
# at the second look; one that keeps moving, as while recording, never does).
declare -A e2e_pictures=()
picture_settled() {
  local seen last=${e2e_pictures[$1]:-}
  seen=$(import -window "$1" -format '%k %#' info: 2>/dev/null) || return 1
  e2e_pictures[$1]=$seen
  [ "${seen%% *}" -gt 1 ] && [ "$seen" = "$last" ] # more than one colour: painted
}
# The window $1 (its id in decimal or hex) has the keyboard.
has_keyboard() { [ "$(xdotool getwindowfocus)" = "$(printf '%d' "$1")" ]; }
# The window $1's top left corner is at $2,$3 on the screen.
window_at() { [[ "$(xdotool getwindowgeometry "$1")" == *"Position: $2,$3 "* ]]; }
# The process $1 has ended.
ended() { ! kill -0 "$1" 2>/dev/null; }
# The program's stream of that name on the sound server ($1: sink-inputs or source-outputs) is
# corked, "yes" (paused), or running, "no"; nothing when it has none.
stream_corked() {
  LC_ALL=C pactl list "$1" | awk -v RS= -v name="media.name = \"$2\"" \
    -v pid="application.process.id = \"$PROGRAM_PID\"" \
    'index($0, name) && index($0, pid) && match($0, /Corked: [a-z]+/) { print substr($0, RSTART + 8, RLENGTH - 8) }'
}
playing() { [ "$(stream_corked sink-inputs Playback)" = no ]; }
playback_paused() { [ "$(stream_corked sink-inputs Playback)" = yes ]; }
recording_paused() { [ "$(stream_corked source-outputs Recording)" = yes ]; }
# The recording $1 is finished: it ends with its ID3v1 block.
finished() { [ "$(tail -c 128 "$1" | head -c 3)" = TAG ]; }

# The file decodes to at least $2 seconds and ends with its ID3v1 block.
check_recording() {
  local seconds
  finished "$1" || fail "$1 does not end with its ID3v1 block"
  mpg123 -q -w "$E2E_HOME/decoded.wav" "$1" || fail "$1 does not decode"
  seconds=$(sox "$E2E_HOME/decoded.wav" -n stat 2>&1 | awk '/Length \(seconds\)/ {print $3}')
  echo "  $(basename "$1"): ${seconds} s, ends with its ID3v1 block"
  awk -v s="$seconds" -v w="$2" 'BEGIN { exit !(s >= w) }' || fail "$1 holds ${seconds} s, want at least $2"
}
