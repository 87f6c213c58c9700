# Helpers for the benchmarks of the program as users run it, sourced by them: the end-to-end
# tests' display, home and program (the private sound server's variables come from tools/bench),
# CPU time read from /proc, and the table row every benchmark prints.
bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export SARVO_BUILD_DIR=${SARVO_BUILD_DIR:-$bench_root/build}
source "$bench_root/tests/e2e/lib.sh"

# CPU seconds a running process has used so far, user and system, all its threads.
cpu_seconds() {
  local stat fields
  stat=$(cat "/proc/$1/stat")
  read -ra fields <<<"${stat##*) }" # from the third field on: the name may hold spaces
  awk -v ticks=$((fields[11] + fields[12])) -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f", ticks / hz }'
}

# CPU seconds of a command line's processes, waited for to the end (bash's own children's times).
children_cpu_seconds() {
  bash -c "$1; times" | tail -n 1 |
    awk '{ total = 0; for (i = 1; i <= 2; ++i) { split($i, t, /[ms]/); total += t[1] * 60 + t[2] } printf "%.2f", total }'
}

# Evaluates an awk expression of numbers, printed with two decimals.
calc() { awk "BEGIN { printf \"%.2f\", $1 }"; }

# One row of the table tools/bench prints: benchmark, our figure, the anchor's, ratio, goal.
table_row() { echo "table: $1|$2|$3|$4|$5"; }

# The program on a display and in a home of its own, recording stereo at 320 kbit/s from the sound
# server's sine source: the start's own work is over when this returns.
start_recording() {
  start_display
  fresh_home
  mkdir -p "$HOME/.config/Sarvo Mp3 Recorder"
  printf '[Input]\nName=Sine source at 440 Hz\n[QualityRecord]\nQuality=2\nNbChannels=2\n' \
    >"$HOME/.config/Sarvo Mp3 Recorder/prefs.ini"
  start_main_window
  sleep 2
  xdotool key r
}

# Stops the recording and checks that it made exactly one file.
stop_recording() {
  xdotool key space
  shopt -s nullglob
  local recorded=("$HOME/Documents/Sarvo mp3 Recordings"/Rec-*.mp3)
  [ ${#recorded[@]} -eq 1 ] || fail "the program made no recording: $(cat "$E2E_HOME/program.log")"
}
