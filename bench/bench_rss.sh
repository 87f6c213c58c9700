#!/usr/bin/env bash
# The program's resident memory over a long recording (SARVO_BENCH_MINUTES, 60 by default) of
# stereo at 320 kbit/s: what it holds once recording, against what it holds at the end and at
# most on the way, read from /proc every minute.
set -euo pipefail
source "$(dirname "$0")/ProgramKit.sh"
minutes=${SARVO_BENCH_MINUTES:-60}

rss_mb() { awk '/^VmRSS:/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; }

start_recording
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
stop_recording

growth=$(calc "$most - $first")
echo "$minutes minutes of recording: RSS $first MB after the first minute, $last MB at the end, at most $most MB"
table_row "RSS growth over $minutes minutes of recording (MB, against the RSS after the first)" "$growth MB" \
  "$first MB" "$(calc "$most / $first")" "within 5 MB"
