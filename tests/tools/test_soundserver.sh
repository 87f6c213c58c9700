# tools/soundserver starts a private server whose sine source records as a 440 Hz tone,
# and stop leaves no process of it behind.
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }

export SARVO_SOUND_DIR
SARVO_SOUND_DIR=$(mktemp -d /tmp/sarvo-sound-test-XXXXXX)
trap '"$SARVO_SOURCE_DIR/tools/soundserver" stop; rm -rf "$SARVO_SOUND_DIR"' EXIT
server="$SARVO_SOURCE_DIR/tools/soundserver"

"$server" start
pid=$(cat "$SARVO_SOUND_DIR/pid")
"$server" start # a second start reuses the running server
[ "$(cat "$SARVO_SOUND_DIR/pid")" = "$pid" ] || fail "a second start replaced the server"
eval "$("$server" env)"
timeout 2 parec -d sarvo_sine --format=s16le --rate=44100 --channels=1 >"$SARVO_SOUND_DIR/tone.raw" || true
bytes=$(stat -c %s "$SARVO_SOUND_DIR/tone.raw")
[ "$bytes" -gt 100000 ] || fail "only $bytes bytes recorded in 2 s"
stats=$(sox -t raw -r 44100 -e signed -b 16 -c 1 "$SARVO_SOUND_DIR/tone.raw" -n stat 2>&1)
frequency=$(echo "$stats" | awk '/Rough   frequency/ {print $3}')
amplitude=$(echo "$stats" | awk '/Maximum amplitude/ {print $3}')
echo "recorded $bytes bytes, rough frequency $frequency Hz, peak $amplitude"
[ "$frequency" -ge 435 ] && [ "$frequency" -le 445 ] || fail "the tone is $frequency Hz, not 440"

"$server" stop
sleep 0.2
kill -0 "$pid" 2>/dev/null && fail "the server (pid $pid) is still running after stop"
pactl info >/dev/null 2>&1 && fail "something still answers on the private socket"
echo "1 passed, 0 failed"
