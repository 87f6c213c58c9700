# The program starts under a real X display, shows its main window, and closes cleanly.
source "$(dirname "$0")/lib.sh"

start_display
fresh_home
start_program
win=$(wait_for_window "Sarvo MP3 Recorder" 30)
sleep 0.5
screenshot "$win" startup
geometry=$(xdotool getwindowgeometry "$win")
echo "$geometry"
echo "$geometry" | grep -q 'Geometry: 760x' || fail "the window is not 760 wide: $geometry"
[ -d "$HOME/Documents/Sarvo mp3 Recordings" ] || fail "the recordings folder was not created"

# A session ending (SIGTERM) closes the window as its close button does.
kill -TERM "$PROGRAM_PID"
for _ in $(seq 100); do kill -0 "$PROGRAM_PID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$PROGRAM_PID" 2>/dev/null && fail "the program did not end after its window was closed"
wait "$PROGRAM_PID" || fail "the program ended with an error: $(cat "$E2E_HOME/program.log")"
echo "1 passed, 0 failed"
