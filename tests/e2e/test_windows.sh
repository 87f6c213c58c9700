# The splash comes first and closes after its countdown; then the settings and about windows,
# in English and in French.
source "$(dirname "$0")/lib.sh"

start_display
fresh_home
config="$HOME/.config/Sarvo Mp3 Recorder"
mkdir -p "$config"
for lang in en fr; do
  printf '[Language]\nLocale=%s\n' "$lang" >"$config/prefs.ini"
  start_program
  started=$(date +%s.%N)
  splash=$(wait_for_titled "Infos|Aide et informations" 20)
  sleep 0.3
  screenshot "$splash" "splash-$lang"
  xdotool search --onlyvisible --name "^Sarvo MP3 Recorder$" >/dev/null 2>&1 &&
    fail "the main window is shown while the splash is up"
  win=$(wait_for_window "Sarvo MP3 Recorder" 20)
  shown=$(date +%s.%N)
  after=$(awk -v a="$started" -v b="$shown" 'BEGIN { printf "%.1f", b - a }')
  echo "main window shown ${after} s after start"
  awk -v t="$after" 'BEGIN { exit !(t >= 5.5 && t < 9) }' || fail "the splash must last six seconds, not $after"
  xwininfo -id "$splash" 2>/dev/null | grep -q "IsViewable" && fail "the splash is still up"
  xdotool windowmove "$win" 0 0
  sleep 0.5

  click_in "$win" 729 33 # the settings button
  settings=$(wait_for_titled "Settings|Préférences" 10)
  sleep 0.5
  screenshot "$settings" "settings-$lang"
  xdotool windowfocus --sync "$settings"
  sleep 0.3
  xdotool key Escape
  for _ in $(seq 30); do grep -q "Skin=" "$config/prefs.ini" && break; sleep 0.1; done
  grep -q "Skin=Vintage-Skin" "$config/prefs.ini" || fail "closing the settings saves them: $(cat "$config/prefs.ini")"

  click_in "$win" 729 100 # the about button
  about=$(wait_for_titled "Infos|Aide et informations" 10)
  sleep 0.5
  screenshot "$about" "about-$lang"
  xdotool windowfocus --sync "$about"
  sleep 0.3
  xdotool key Escape

  kill -TERM "$PROGRAM_PID"
  wait "$PROGRAM_PID" || fail "the program ended with an error: $(cat "$E2E_HOME/program.log")"
done
echo "1 passed, 0 failed"
