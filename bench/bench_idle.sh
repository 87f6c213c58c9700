#!/usr/bin/env bash
# The program's own CPU over 30 s with its window up and the level meter showing a steady input,
# as a share of one core; the X server's beside it, which draws what the program paints.
set -euo pipefail
source "$(dirname "$0")/ProgramKit.sh"
seconds=${SARVO_BENCH_SECONDS:-30}

start_display
xserver=${e2e_pids[-1]}
fresh_home
start_main_window
sleep 2 # the start's own work is not idling
program_before=$(cpu_seconds "$PROGRAM_PID") xserver_before=$(cpu_seconds "$xserver")
sleep "$seconds"
program=$(calc "($(cpu_seconds "$PROGRAM_PID") - $program_before) / $seconds * 100")
xserver=$(calc "($(cpu_seconds "$xserver") - $xserver_before) / $seconds * 100")

echo "idle for $seconds s with the window up: the program $program% of a core, the X server $xserver%"
table_row "CPU idle with the window up, % of a core (the X server's beside it)" "$program %" "X server $xserver %" \
  "$program" "at most 1"
echo "idle cpu share of one core: $program% (X server $xserver%)"
