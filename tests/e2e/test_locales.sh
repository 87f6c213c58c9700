# As a new user meets the program: a desktop language it has no texts for gives the English
# interface; a recordings folder holding things that are not recordings neither holds up the start
# nor lists them; the main window in the common locales, in every state.
source "$(dirname "$0")/lib.sh"

start_display
fresh_home
folder="$HOME/Documents/Sarvo mp3 Recordings"
config="$HOME/.config/Sarvo Mp3 Recorder"
mkdir -p "$folder" "$config"

recording() { # $1 path, $2 seconds, $3 age
  sox -n -r 44100 -c 1 -b 16 -e signed -t raw - synth "$2" sine 440 2>/dev/null |
    lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m m -b 192 - "$1"
  touch -d "$3" "$1"
}

# Starts the program under $1 (a LANG value) and waits for the main window with the usual limit;
# leaves a screenshot named $2.
start_under() {
  export LANG=$1
  local started
  started=$(date +%s.%N)
  start_program
  MAIN_WINDOW=$(wait_for_window "Sarvo MP3 Recorder" 30)
  local seconds
  seconds=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
  echo "$2: the main window after $seconds s"
  xdotool windowfocus --sync "$MAIN_WINDOW"
  until_true 10 "$2: the main window drawn" picture_settled "$MAIN_WINDOW"
  screenshot "$MAIN_WINDOW" "$2"
}

stop_program() {
  kill -TERM "$PROGRAM_PID"
  wait "$PROGRAM_PID" || fail "the program ended with an error: $(cat "$E2E_HOME/program.log")"
}

# Long times of day, for the date column; days before today, so that a new recording comes first.
days_ago() { date -d "$1 days ago" +%Y-%m-%d; }
recording "$folder/Interview Jeanne.mp3" 3 "$(days_ago 2) 22:58:58"
recording "$folder/Rec-$(days_ago 3)-10-48-38.mp3" 7 "$(days_ago 3) 10:48:38"
recording "$folder/"$'caf\xff take'".mp3" 2 "$(days_ago 4) 09:07:06"

# A language the program has no texts for, from the desktop and from the settings file.
start_under de_DE.UTF-8 language-de_DE
stop_program
printf '[Language]\nLocale=de\n' >"$config/prefs.ini"
start_under fr_FR.UTF-8 language-saved-de
stop_program
rm "$config/prefs.ini"

# A FIFO, a socket, a device and a dangling link named like recordings.
mkfifo "$folder/fifo.mp3"
python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$folder/socket.mp3"
ln -s /dev/zero "$folder/device.mp3"
ln -s "$folder/nothing here.mp3" "$folder/dangling.mp3"
start_under en_US.UTF-8 files-that-are-not-recordings
[ -p "$folder/fifo.mp3" ] && [ -S "$folder/socket.mp3" ] || fail "the special files were touched"
stop_program

# Every state in the common locales, the interface language following the locale.
use_paced_input
for locale in en_US en_GB fr_FR; do
  start_under "$locale.UTF-8" "locale-$locale-stopped"
  xdotool key r
  sleep 2
  screenshot "$MAIN_WINDOW" "locale-$locale-recording"
  xdotool key p
  until_true 10 "$locale: the recording paused" recording_paused
  screenshot "$MAIN_WINDOW" "locale-$locale-recording-paused"
  xdotool key space
  until_true 10 "$locale: the new recording playing" playing
  screenshot "$MAIN_WINDOW" "locale-$locale-playing"
  xdotool key p
  until_true 10 "$locale: the playing paused" playback_paused
  screenshot "$MAIN_WINDOW" "locale-$locale-playing-paused"
  stop_program
done
echo "1 passed, 0 failed"
