# One recorder per session, driven from outside its window: a second start raises the first and
# ends; the command line acts on it in every state with the exit status it should; the desktop's
# media controls (MPRIS) play and stop it and follow its state with PropertiesChanged; --record
# with none running starts one that records. Then the same without a session bus (local socket).
[ -n "${SARVO_E2E_BUS:-}" ] || exec env SARVO_E2E_BUS=1 dbus-run-session -- bash "$0" "$@"
source "$(dirname "$0")/lib.sh"

program=$SARVO_BUILD_DIR/sarvo-mp3-recorder
mpris=(--session --dest org.mpris.MediaPlayer2.SarvoMp3Recorder --object-path /org/mpris/MediaPlayer2)

start_display
fresh_home
use_paced_input
folder="$HOME/Documents/Sarvo mp3 Recordings"

# cli STATUS OPTION...: the command line ends within 10 s with that status; 1 says why in one line.
cli() {
  local want=$1 status=0
  shift
  timeout 10 "$program" "$@" >"$E2E_HOME/cli.out" 2>"$E2E_HOME/cli.err" || status=$?
  [ "$status" -ne 124 ] || fail "sarvo-mp3-recorder $* did not return within 10 s"
  [ "$status" -eq "$want" ] || fail "sarvo-mp3-recorder $* ended with $status, want $want: $(cat "$E2E_HOME/cli.err")"
  case $want in
    0) [ ! -s "$E2E_HOME/cli.err" ] || fail "sarvo-mp3-recorder $* said: $(cat "$E2E_HOME/cli.err")" ;;
    1) [ "$(wc -l <"$E2E_HOME/cli.err")" -eq 1 ] || fail "sarvo-mp3-recorder $* must say why in one line: $(cat "$E2E_HOME/cli.err")"
       echo "  $* -> 1: $(cat "$E2E_HOME/cli.err")" ;;
  esac
}

property() {
  gdbus call "${mpris[@]}" --method org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player "$1" 2>&1
}
status_is() { [[ "$(property PlaybackStatus)" == *"'$1'"* ]]; }
# Playing a file, rather than recording: only then is a length known.
playing_a_file() { status_is Playing && [[ "$(property Metadata)" == *"mpris:length"* ]]; }
# How many PropertiesChanged signals have carried this playback status so far.
signals_of() { grep -c "PropertiesChanged.*'PlaybackStatus': <'$1'>" "$E2E_HOME/monitor.log" || true; }
signals_above() { [ "$(signals_of "$1")" -gt "$2" ]; }
# mpris CALL STATUS: the call on the player, then that status, announced by a new signal.
mpris_call() {
  local before
  before=$(signals_of "$2")
  gdbus call "${mpris[@]}" --method "org.mpris.MediaPlayer2.Player.$1" >/dev/null || fail "MPRIS $1 failed"
  until_true 10 "PlaybackStatus $2 after $1" status_is "$2"
  until_true 5 "a PropertiesChanged for $2 after $1" signals_above "$2" "$before"
}
recordings() { find "$folder" -name 'Rec-*.mp3' 2>/dev/null | wc -l; }
recordings_are() { [ "$(recordings)" -eq "$1" ]; }
newest() { ls -t "$folder"/Rec-*.mp3 | head -n 1; }
bus_name_owned() {
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true
}
# A window of another program takes the keyboard; the recorder's window no longer has it.
focus_elsewhere() {
  xmessage -name other -title "Other program" "another program" &
  e2e_pids+=("$!")
  other=$(wait_for_window "Other program" 10)
  xdotool windowfocus --sync "$other"
  has_keyboard "$other" || fail "the other window did not take the keyboard"
}
# xev listens once a property set on the root window shows in its log.
root_events_seen() {
  xprop -root -f _SARVO_E2E_MARK 8s -set _SARVO_E2E_MARK listening
  grep -q _SARVO_E2E_MARK "$E2E_HOME/root-events.log"
}
stops() { timeout 10 "$program" --stop 2>/dev/null; }

echo "with a session bus"
start_main_window
first=$PROGRAM_PID
until_true 10 "the recorder owns its name on the bus" bus_name_owned example.velmarosk.SarvoMp3Recorder
until_true 10 "the media player is on the bus" bus_name_owned org.mpris.MediaPlayer2.SarvoMp3Recorder
stdbuf -oL gdbus monitor --session --dest org.mpris.MediaPlayer2.SarvoMp3Recorder >"$E2E_HOME/monitor.log" 2>&1 &
e2e_pids+=("$!")

focus_elsewhere
# A plain start, as from the launcher: the first recorder comes to the front, this one ends, and
# ends the launcher's startup notification that no window of its own will.
stdbuf -oL xev -root -event property >"$E2E_HOME/root-events.log" 2>&1 &
e2e_pids+=("$!")
until_true 5 "xev listening on the root window" root_events_seen
DESKTOP_STARTUP_ID=sarvo-e2e_TIME0 cli 0
until_true 5 "the first recorder's window has the keyboard again" has_keyboard "$MAIN_WINDOW"
until_true 5 "the startup notification ended" grep -q _NET_STARTUP_INFO_BEGIN "$E2E_HOME/root-events.log"
kill -0 "$first" || fail "the first recorder ended"
[ "$(xdotool search --onlyvisible --name '^Sarvo MP3 Recorder$' | wc -l)" -eq 1 ] || fail "a second main window opened"
screenshot "$MAIN_WINDOW" remote-raised

echo "standby, nothing loaded"
status_is Stopped || fail "PlaybackStatus $(property PlaybackStatus), want Stopped"
[[ "$(property Metadata)" == *"/org/mpris/MediaPlayer2/TrackList/NoTrack"* ]] || fail "metadata with no track: $(property Metadata)"
cli 1 --stop
cli 1 --pause
cli 1 --play

echo "recording"
cli 0 --toggle
until_true 10 "recording after --toggle" status_is Playing
[ "$(recordings)" -eq 1 ] || fail "expected one recording file, found $(recordings)"
[[ "$(property Metadata)" == *"$(basename "$(newest)" .mp3)"* ]] || fail "metadata of the recording: $(property Metadata)"
cli 1 --record
sleep 3
cli 0 --pause
until_true 10 "paused after --pause" status_is Paused
cli 0 --record # goes on
until_true 10 "recording again after --record" status_is Playing
cli 0 --pause
until_true 10 "paused again" status_is Paused
cli 0 --pause # goes on
until_true 10 "recording after a second --pause" status_is Playing
sleep 4
cli 0 --toggle
until_true 15 "the new recording playing after --toggle" playing_a_file
recorded=$(newest)
check_recording "$recorded" 6

echo "playing"
cli 1 --play
cli 0 --pause
until_true 10 "playback paused" status_is Paused
cli 0 --play
until_true 10 "playback going on" status_is Playing
cli 0 --stop
until_true 10 "standby after --stop" status_is Stopped
cli 1 --stop
cli 1 --pause

echo "media controls"
mpris_call PlayPause Playing
metadata=$(property Metadata)
echo "  metadata: $metadata"
name=$(basename "$recorded" .mp3)
[[ "$metadata" == *"'xesam:title': <'$name'>"* ]] || fail "PlayPause from standby must play the newest recording"
[[ "$metadata" == *"'xesam:url': <'file://${recorded// /%20}'>"* ]] || fail "xesam:url is not the file's URL"
[[ "$metadata" == *"'mpris:trackid': <objectpath '/example/velmarosk/SarvoMp3Recorder/Recording/"* ]] ||
  fail "mpris:trackid is not the recording's object path"
length_us=$(echo "$metadata" | sed -n "s/.*'mpris:length': <int64 \([0-9]*\)>.*/\1/p")
seconds=$(sox "$E2E_HOME/decoded.wav" -n stat 2>&1 | awk '/Length \(seconds\)/ {print $3}')
awk -v l="$length_us" -v s="$seconds" 'BEGIN { exit !(l / 1e6 > s - 0.2 && l / 1e6 < s + 0.2) }' ||
  fail "mpris:length $length_us us, the file decodes to $seconds s"
mpris_call Pause Paused
mpris_call Play Playing
mpris_call Stop Stopped
[ "$(recordings)" -eq 1 ] || fail "the media controls must not record"
gdbus call "${mpris[@]}" --method org.mpris.MediaPlayer2.Quit >/dev/null || fail "MPRIS Quit failed"
status=0
wait "$first" || status=$?
[ "$status" -eq 0 ] || fail "the recorder ended with $status on Quit: $(cat "$E2E_HOME/program.log")"

echo "--record with none running"
cli 1 --stop
start_program --record
MAIN_WINDOW=$(wait_for_window "Sarvo MP3 Recorder" 30)
until_true 10 "a recording started by --record" recordings_are 2
until_true 10 "recording after --record" status_is Playing
sleep 2
cli 0 --stop
until_true 15 "the new recording playing after --stop" playing_a_file
check_recording "$(newest)" 1.5
kill -TERM "$PROGRAM_PID"
wait "$PROGRAM_PID" || fail "the program ended with an error: $(cat "$E2E_HOME/program.log")"

echo "help, version, bad options"
cli 0 --help
for option in --record --pause --stop --toggle --play --help --version; do
  grep -q -- "^  $option " "$E2E_HOME/cli.out" || fail "--help does not list $option"
done
cli 0 --version
grep -q "^Sarvo MP3 Recorder [0-9]" "$E2E_HOME/cli.out" || fail "--version: $(cat "$E2E_HOME/cli.out")"
status=0
timeout 10 "$program" --recrod 2>"$E2E_HOME/cli.err" || status=$?
[ "$status" -eq 2 ] || fail "a misspelt option ended with $status, want 2"

echo "without a session bus"
unset DBUS_SESSION_BUS_ADDRESS
start_main_window
first=$PROGRAM_PID
focus_elsewhere
cli 0
until_true 5 "the first recorder's window has the keyboard again" has_keyboard "$MAIN_WINDOW"
kill -0 "$first" || fail "the first recorder ended"
cli 1 --stop
cli 0 --toggle
until_true 10 "a recording started by --toggle" recordings_are 3
cli 1 --record
sleep 2
cli 0 --toggle
# The recording is finished, then plays: a Stop is possible again only once it plays.
until_true 15 "the recording finished by --toggle playing" stops
check_recording "$(newest)" 1.5
kill -TERM "$first"
wait "$first" || fail "the program ended with an error: $(cat "$E2E_HOME/program.log")"
echo "1 passed, 0 failed"
