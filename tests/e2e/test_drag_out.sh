# A recording dragged from the list onto a window that takes files arrives there as its path.
source "$(dirname "$0")/lib.sh"

start_display
fresh_home
folder="$HOME/Documents/Sarvo mp3 Recordings"
mkdir -p "$folder"
lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m m <(head -c 88200 /dev/zero) \
  "$folder/Dragged take é.mp3"
start_program
win=$(wait_for_window "Sarvo MP3 Recorder" 30)
xdotool windowmove "$win" 0 0
until_true 5 "the main window in the screen's corner" window_at "$win" 0 0

"$SARVO_BUILD_DIR/tests/e2e/sarvo-drop-target" >"$E2E_HOME/dropped.txt" 2>"$E2E_HOME/target.log" &
target_pid=$!
e2e_pids+=("$target_pid")
target=$(wait_for_window "Sarvo drop target" 20)
xdotool windowmove "$target" 850 100
until_true 5 "the drop target beside the main window" window_at "$target" 850 100

# Press on the first row, move past the drag distance, then over the target, and let go. The
# press comes after the double-click interval, and the moves at a hand's pace.
xdotool mousemove --window "$win" 120 181 click 1
sleep 0.5
xdotool mousemove --window "$win" 120 181 mousedown 1
for x in 130 160 250 400 600 800 900 950 980; do
  xdotool mousemove "$x" 200
  sleep 0.1
done
xdotool mousemove 1000 250
until_true 5 "the drop target taking the drag" grep -qx "over" "$E2E_HOME/dropped.txt"
xdotool mouseup 1
until_true 5 "the drop, after which the drop target ends" ended "$target_pid"
cat "$E2E_HOME/dropped.txt"
grep -qxF "dropped $folder/Dragged take é.mp3" "$E2E_HOME/dropped.txt" || fail "the target did not receive the recording"
grep -qx "actions 1" "$E2E_HOME/dropped.txt" || fail "the drag must offer copy only"
[ -f "$folder/Dragged take é.mp3" ] || fail "the recording must stay where it was"
kill -TERM "$PROGRAM_PID"
wait "$PROGRAM_PID" || fail "the program ended with an error: $(cat "$E2E_HOME/program.log")"
echo "1 passed, 0 failed"
