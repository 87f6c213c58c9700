# The main window with a dozen recordings, in both skins and both languages.
source "$(dirname "$0")/lib.sh"

start_display
fresh_home
folder="$HOME/Documents/Sarvo mp3 Recordings"
config="$HOME/.config/Sarvo Mp3 Recorder"
mkdir -p "$folder" "$config"
names=("Rec-2026-12-08-09-14-02" "Interview Jeanne" "Répétition du chœur" "Guitar idea 🎸" "a.b.c"
       "Lecture notes – week 3" "Rec-2026-12-07-18-30-11" "Podcast intro" "Voice memo" "Été à Lyon"
       "Piano take 2" "Band rehearsal (full)")
for i in "${!names[@]}"; do
  seconds=$(( (i * 7) % 23 + 1 ))
  sox -n -r 44100 -c 1 -b 16 -e signed -t raw - synth "$seconds" sine 440 2>/dev/null |
    lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m m -b 192 - "$folder/${names[$i]}.mp3"
  touch -d "$(( i * 37 + 5 )) minutes ago" "$folder/${names[$i]}.mp3"
done

for skin in Vintage-Skin Modern-Skin; do
  for lang in en fr; do
    printf '[Language]\nLocale=%s\n[Style]\nSkin=%s\n' "$lang" "$skin" >"$config/prefs.ini"
    start_program
    win=$(wait_for_window "Sarvo MP3 Recorder" 30)
    until_true 10 "the main window drawn with its list" picture_settled "$win"
    screenshot "$win" "list-$skin-$lang"
    kill -TERM "$PROGRAM_PID"
    wait "$PROGRAM_PID" || fail "the program ended with an error: $(cat "$E2E_HOME/program.log")"
  done
done
echo "1 passed, 0 failed"
