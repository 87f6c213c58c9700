#!/usr/bin/env bash
# The program's resident memory over a long recording (SARVO_BENCH_MINUTES, 60 by default) of
# stereo at 320 kbit/s: what it holds once recording, against what it holds at the end and at
# most on the way, read from /proc every minute.
set -euo pipefail
source "$(dirname "$0")/ProgramKit.sh"
minutes=${SARVO_BENCH_MINUTES:-60}

rss_mb() { awk '/^VmRSS:/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; }

start_display
fresh_home
mkdir -p "$HOME/.config/Sarvo Mp3 Recorder"
printf '[Input]\nName=Sine source at 440 Hz\n[QualityRecord]\nQuality=2\nNbChannels=2\n' \
  >"$HOME/.config/Sarvo Mp3 Recorder/prefs.ini"
start_main_window
sleep 2
xdotool key r
sleep 60 # the first minute fills the buffers a recording keeps: that is its working size
first=$(rss_mb "$PROGRAM_PID")
most=$first
for ((minute = 2; minute <= minutes; ++minute)); do
  sleep 60
  now=$(rss_mb "$PROGRAM_PID")
  most=$(awk -v a="$most" -v b="$now" 'BEGIN { print (b > a ? b : a) }')
  echo "minute $minute: $now MB"
done
last=$(rss_mb "$PROGRAM_PID")
xdotool key space
shopt -s nullglob
recorded=("$HOME/Documents/Sarvo mp3 Recordings"/Rec-*.mp3)
[ ${#recorded[@]} -eq 1 ] || fail "the program made no recording: $(cat "$E2E_HOME/program.log")"

growth=$(calc "$most - $first")
echo "$minutes minutes of recording: RSS $first MB after the first minute, $last MB at the end, at most $most MB"
table_row "RSS growth over $minutes minutes of recording (MB, against the RSS after the first)" "$growth MB" \
  "$first MB" "$(calc "$most / $first")" "within 5 MB"
