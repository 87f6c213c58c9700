#!/usr/bin/env bash
# Exec to the first window on the display with 0, 1,000 and 10,000 recordings, against a bare Qt
# window program, on a display of its own (build/bench/bench_firstwindow measures).
set -euo pipefail
source "$(dirname "$0")/ProgramKit.sh"
start_display
"$SARVO_BUILD_DIR/bench/bench_firstwindow" "${SARVO_PROGRAM:-$SARVO_BUILD_DIR/sarvo-mp3-recorder}" \
  "$SARVO_BUILD_DIR/bench/bench_bare_window"
