# The program starts under a real X display, shows its main window, and closes cleanly.
source "$(dirname "$0")/lib.sh"

start_display
fresh_home
start_program
win=$(wait_for_window "Sarvo MP3 Recorder" 30)
until_true 10 "the main window drawn" picture_settled "$win"
screenshot "$win" startup
geometry=$(xdotool getwindowgeometry "$win")
echo "$geometry"
echo "$geometry" | grep -q 'Geometry: 760x' || fail "the window is not 760 wide: $geometry"
[ -d "$HOME/Documents/Sarvo mp3 Recordings" ] || fail "the recordings folder was not created"

# A session ending (SIGTERM) closes the window as its close button does.
kill -TERM "$PROGRAM_PID"
until_true 10 "the program ending after its window was closed" ended "$PROGRAM_PID"
wait "$PROGRAM_PID" || fail "the program ended with an error: $(cat "$E2E_HOME/program.log")"
echo "1 passed, 0 failed"
