# On Wayland, with no X server at all: a headless compositor, the program on Qt's Wayland platform.
# Its windows are the compositor's own (the splash, then the main window, by their titles), the
# command line records and stops a take that decodes to the paced input's tone, and a screenshot
# of the compositor's screen is kept. A headless compositor takes no synthetic keys, so the keys
# are left to the X11 tests; the command line acts as the keyboard table does.
[ -n "${SARVO_E2E_BUS:-}" ] || exec env SARVO_E2E_BUS=1 dbus-run-session -- bash "$0" "$@"
source "$(dirname "$0")/lib.sh"

program=$SARVO_BUILD_DIR/sarvo-mp3-recorder
fresh_home
use_paced_input
unset DISPLAY
folder="$HOME/Documents/Sarvo mp3 Recordings"

# Screenshots are allowed to clients only when the compositor runs with --debug.
weston --backend=headless-backend.so --use-pixman --width=1280 --height=800 --socket=sarvo-wayland \
  --idle-time=0 --debug --log="$E2E_HOME/weston.log" >/dev/null 2>&1 &
e2e_pids+=("$!")
export WAYLAND_DISPLAY=sarvo-wayland
until_true 10 "the compositor's socket" test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY"

# The protocol traffic tells which windows the program made on the compositor.
WAYLAND_DEBUG=client E2E_PLATFORM=wayland start_program
# The first line that gives a window a title matching the extended expression $1.
title_line() { grep -n -m 1 -E "xdg_toplevel@[0-9]+\.set_title\(\"$1\"\)" "$E2E_HOME/program.log" | cut -d: -f1 || true; }
titled() { [ -n "$(title_line "$1")" ]; }
until_true 30 "the main window on the compositor" titled "Sarvo MP3 Recorder"
splash=$(title_line " *Infos( — .*)?")
[ -n "$splash" ] && [ "$splash" -lt "$(title_line "Sarvo MP3 Recorder")" ] ||
  fail "the splash did not come before the main window: $(grep -o 'set_title(.*)' "$E2E_HOME/program.log")"
! grep -qi "could not connect to display\|qt.qpa.xcb" "$E2E_HOME/program.log" || fail "the program looked for X"

recordings() { find "$folder" -name 'Rec-*.mp3' 2>/dev/null | wc -l; }
recordings_are() { [ "$(recordings)" -eq "$1" ]; }
timeout 10 "$program" --record || fail "--record was refused on Wayland"
until_true 10 "a recording started by --record" recordings_are 1
sleep 3
(cd "$E2E_HOME" && timeout 10 weston-screenshooter) || fail "the compositor gave no screenshot"
mkdir -p "$SARVO_BUILD_DIR/screenshots"
mv "$(ls "$E2E_HOME"/wayland-screenshot*.png | head -n 1)" "$SARVO_BUILD_DIR/screenshots/wayland-recording.png"
echo "screenshot: $SARVO_BUILD_DIR/screenshots/wayland-recording.png"
timeout 10 "$program" --stop || fail "--stop was refused on Wayland"
take=$(find "$folder" -name 'Rec-*.mp3' | head -n 1)
until_true 10 "the recording finished with its ID3v1 block" finished "$take"
check_recording "$take" 2.5
frequency=$(sox "$E2E_HOME/decoded.wav" -n stat 2>&1 | awk '/Rough +frequency/ {print $3}')
awk -v f="$frequency" 'BEGIN { exit !(f > 420 && f < 460) }' || fail "the take's tone is at $frequency Hz, not 440"
echo "  the take's tone: $frequency Hz"

kill -TERM "$PROGRAM_PID"
wait "$PROGRAM_PID" || fail "the program ended with an error: $(grep -v '^\[' "$E2E_HOME/program.log" | tail -n 5)"
echo "1 passed, 0 failed"
