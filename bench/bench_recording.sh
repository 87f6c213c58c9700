#!/usr/bin/env bash
# The program's own CPU, window and all, over 60 s of recording stereo at 320 kbit/s from the
# sound server's sine source, against the server's recorder piped into the lame tool recording
# the same input for as long, in the same run.
set -euo pipefail
source "$(dirname "$0")/ProgramKit.sh"
seconds=${SARVO_BENCH_SECONDS:-60}

start_recording
sleep 1
before=$(cpu_seconds "$PROGRAM_PID")
sleep "$seconds"
ours=$(calc "$(cpu_seconds "$PROGRAM_PID") - $before")
stop_recording

theirs=$(children_cpu_seconds "timeout $seconds parec --device=sarvo_sine --format=s16le --channels=2 --rate=44100 \
  --latency-msec=100 | lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -b 320 --cbr -m s - \
  '$E2E_HOME/theirs.mp3' 2>/dev/null")
ratio=$(calc "$ours / ($theirs > 0 ? $theirs : 0.01)")

echo "$seconds s of stereo at 320 kbit/s: the program $ours s of CPU, parec|lame $theirs s"
table_row "CPU of the program recording 60 s stereo at 320 kbit/s (/ parec+lame's)" "$ours s" "$theirs s" "$ratio" \
  "at most 1.5"
echo "program cpu ratio vs parec|lame: $ratio"
