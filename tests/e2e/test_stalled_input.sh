# A recording whose input has stopped delivering (a suspended source): the window still answers,
# and SIGTERM ends the program within 2 s with the file complete.
source "$(dirname "$0")/lib.sh"
stall() { "$SARVO_SOURCE_DIR/tools/soundserver" "$1" sarvo_paced; }
trap 'stall resume >/dev/null 2>&1 || true; e2e_cleanup' EXIT

start_display
fresh_home
use_paced_input
start_main_window
folder="$HOME/Documents/Sarvo mp3 Recordings"

xdotool key r
sleep 2
stall stall
sleep 1 # silent for a second: under the stall limit, so the recording is still open
screenshot "$MAIN_WINDOW" recording-suspended-input

started=$(date +%s.%N)
kill -TERM "$PROGRAM_PID"
for _ in $(seq 100); do kill -0 "$PROGRAM_PID" 2>/dev/null || break; sleep 0.05; done
ended=$(date +%s.%N)
kill -0 "$PROGRAM_PID" 2>/dev/null && fail "the program still runs 5 s after SIGTERM"
wait "$PROGRAM_PID" || fail "the program ended with an error: $(cat "$E2E_HOME/program.log")"
took=$(awk -v a="$started" -v b="$ended" 'BEGIN { printf "%.2f", b - a }')
echo "figure: SIGTERM during a suspended input: the program ended after ${took} s"
awk -v t="$took" 'BEGIN { exit !(t < 2) }' || fail "SIGTERM took ${took} s"
stall resume

shopt -s nullglob
files=("$folder"/Rec-*.mp3)
[ ${#files[@]} -eq 1 ] || fail "expected one recording, found ${#files[@]}"
[ "$(tail -c 128 "${files[0]}" | head -c 3)" = "TAG" ] || fail "the recording does not end with its ID3v1 block"
mpg123 -q -w "$E2E_HOME/decoded.wav" "${files[0]}"
seconds=$(sox "$E2E_HOME/decoded.wav" -n stat 2>&1 | awk '/Length \(seconds\)/ {print $3}')
echo "the recording decodes to ${seconds} s"
awk -v s="$seconds" 'BEGIN { exit !(s >= 1.8) }' || fail "only ${seconds} s kept"
echo "1 passed, 0 failed"
