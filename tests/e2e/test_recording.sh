# Record 5 s with R, stop with Space: the file is named after the moment, holds 5 s of the 440 Hz
# input at 192 kbit/s mono, and the new recording plays at once.
source "$(dirname "$0")/lib.sh"

start_display
fresh_home
use_paced_input
start_main_window
win=$MAIN_WINDOW
folder="$HOME/Documents/Sarvo mp3 Recordings"

started=$(date +%s.%N)
xdotool key r
sleep 2.5
screenshot "$win" recording
sleep 2.5
xdotool key space
stopped=$(date +%s.%N)
# Playing: the program has a running playback stream on the null sink.
until_true 10 "the new recording playing" playing
screenshot "$win" playing-after-recording

shopt -s nullglob
files=("$folder"/Rec-*.mp3)
[ ${#files[@]} -eq 1 ] || fail "expected one recording, found ${#files[@]}: $(ls "$folder")"
name=$(basename "${files[0]}")
[[ $name =~ ^Rec-[0-9]{4}-[0-9]{2}-[0-9]{2}-[0-9]{2}-[0-9]{2}-[0-9]{2}\.mp3$ ]] || fail "bad name $name"

info=$(mpg123 -t -v "${files[0]}" 2>&1 || true)
# Read from a string, not a pipe: grep -q ends at the first match, and the writer of a long text
# into a pipe would then fail with the pipe closed.
grep -q "cbr192" <<<"$info" || fail "not 192 kbit/s: $info"
grep -qi "mono" <<<"$info" || fail "not mono: $info"

mpg123 -q -w "$E2E_HOME/decoded.wav" "${files[0]}"
stats=$(sox "$E2E_HOME/decoded.wav" -n stat 2>&1)
seconds=$(echo "$stats" | awk '/Length \(seconds\)/ {print $3}')
frequency=$(echo "$stats" | awk '/Rough   frequency/ {print $3}')
wall=$(awk -v a="$started" -v b="$stopped" 'BEGIN { printf "%.3f", b - a }')
echo "recorded ${wall} s of wall time: length ${seconds} s, rough frequency ${frequency} Hz"
awk -v s="$seconds" -v w="$wall" 'BEGIN { exit !(s > w - 0.3 && s < w + 0.3) }' || fail "length $seconds s, want $wall"
awk -v f="$frequency" 'BEGIN { exit !(f > 420 && f < 460) }' || fail "frequency $frequency Hz, want 440"

# A second recording in the same session works too, and Escape stops it.
xdotool key r
sleep 1.5
xdotool key Escape
files=("$folder"/Rec-*.mp3)
[ ${#files[@]} -eq 2 ] || fail "expected two recordings, found ${#files[@]}"
until_true 10 "the second recording finished after Escape" finished "${files[1]}" # named by the time

kill -TERM "$PROGRAM_PID"
wait "$PROGRAM_PID" || fail "the program ended with an error: $(cat "$E2E_HOME/program.log")"

# The other skin, recording and then playing.
printf '[Style]\nSkin=Modern-Skin\n' >>"$HOME/.config/Sarvo Mp3 Recorder/prefs.ini"
start_main_window
win=$MAIN_WINDOW
xdotool key r
sleep 2.2
screenshot "$win" recording-modern
xdotool key space
until_true 10 "the new recording playing in the other skin" playing
screenshot "$win" playing-modern
files=("$folder"/Rec-*.mp3)
[ ${#files[@]} -eq 3 ] || fail "expected three recordings, found ${#files[@]}"
kill -TERM "$PROGRAM_PID"
wait "$PROGRAM_PID" || fail "the program ended with an error: $(cat "$E2E_HOME/program.log")"
echo "1 passed, 0 failed"
