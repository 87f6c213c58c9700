# The program killed outright ten seconds into a recording: what it wrote decodes to at least 9 s.
source "$(dirname "$0")/../e2e/lib.sh"

start_display
fresh_home
use_paced_input
start_main_window
xdotool key r
sleep 10
kill -KILL "$PROGRAM_PID"
wait "$PROGRAM_PID" 2>/dev/null || true
file=$(ls "$HOME/Documents/Sarvo mp3 Recordings/"Rec-*.mp3)
mpg123 -q -w "$E2E_HOME/partial.wav" "$file" 2>/dev/null || true
seconds=$(sox "$E2E_HOME/partial.wav" -n stat 2>&1 | awk '/Length \(seconds\)/ {print $3}')
echo "figure: killed 10 s into a recording: the partial file decodes to ${seconds} s"
awk -v s="$seconds" 'BEGIN { exit !(s >= 9) }' || fail "only ${seconds} s survived"
echo "1 passed, 0 failed"
