# The main window as a screen reader finds it: the accessibility bus on a private session bus, the
# tree read through AT-SPI with Debian's pyatspi, the Record button found by its name and pressed
# through its accessibility action: a recording starts. Then the same tree in French.
[ -n "${SARVO_E2E_BUS:-}" ] || exec env SARVO_E2E_BUS=1 dbus-run-session -- bash "$0" "$@"
source "$(dirname "$0")/lib.sh"

app="Sarvo MP3 Recorder"
# The system's interpreter: the one that has pyatspi, whatever else comes first on the PATH.
atspi() { timeout 60 /usr/bin/python3 "$SARVO_SOURCE_DIR/tests/e2e/atspi.py" "$app" "$@"; }

start_display
fresh_home
use_paced_input
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$E2E_HOME/accessibility-bus.log" 2>&1 &
e2e_pids+=($!)
for _ in $(seq 100); do
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1 && break
  sleep 0.1
done
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null ||
  fail "the accessibility bus did not start within 10 s: $(cat "$E2E_HOME/accessibility-bus.log")"

# Qt exposes its tree when asked to, without a screen reader running.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
start_main_window
atspi wait "push button" Record 20 >/dev/null
atspi dump >"$E2E_HOME/tree.txt" || fail "the tree could not be read"
cat "$E2E_HOME/tree.txt"
for expected in "push button: 'Play' (Key: Return)" "push button: 'Options and settings'" \
                "slider: 'Input level adjustment' value" "slider: 'Output volume adjustment' value 100 in [0, 100]" \
                "progress bar: 'Input level' value" "in [-35, 3]" "label: '00:00:00'" "label: 'Standby'" \
                "tree: 'Recordings'" "table column header: 'Date and time'"; do
  grep -qF "$expected" "$E2E_HOME/tree.txt" || fail "the tree has no \"$expected\""
done

# The output slider set through its value, as the volume label then says.
atspi set slider "Output volume adjustment" 40
atspi wait label "Volume: 40" 5 >/dev/null

folder="$HOME/Documents/Sarvo mp3 Recordings"
atspi press "push button" Record
atspi wait label Recording 10 || fail "the state label does not read Recording"
shopt -s nullglob
for _ in $(seq 100); do
  files=("$folder"/Rec-*.mp3)
  [ ${#files[@]} -eq 1 ] && [ -s "${files[0]}" ] && break
  sleep 0.1
done
[ ${#files[@]} -eq 1 ] && [ -s "${files[0]}" ] || fail "no recording file grew within 10 s: $(ls -l "$folder")"
screenshot "$MAIN_WINDOW" accessibility-recording
atspi press "push button" Stop
atspi wait label Playing 10 || fail "after Stop the new recording does not play"
kill -TERM "$PROGRAM_PID"
wait "$PROGRAM_PID" || fail "the program ended with an error: $(cat "$E2E_HOME/program.log")"

# In French the buttons carry the French texts of the language table.
printf '[Language]\nLocale=fr\n' >>"$HOME/.config/Sarvo Mp3 Recorder/prefs.ini"
start_main_window
atspi wait "push button" Enregistrement 20
atspi wait "push button" Lecture 5
atspi wait slider "Réglage du niveau d'entrée" 5
atspi wait label "En attente" 5
kill -TERM "$PROGRAM_PID"
wait "$PROGRAM_PID" || fail "the program ended with an error: $(cat "$E2E_HOME/program.log")"
echo "1 passed, 0 failed"
