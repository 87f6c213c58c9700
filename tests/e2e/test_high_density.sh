# Both skins on a screen of twice the density (QT_SCALE_FACTOR=2), beside the same at scale 1:
# the window keeps its layout at twice the device pixels, drawn from the 2× pictures.
source "$(dirname "$0")/lib.sh"

start_display 1920x1200 # room for the window at twice the size
fresh_home
config="$HOME/.config/Sarvo Mp3 Recorder"
mkdir -p "$config"
for skin in Vintage-Skin Modern-Skin; do
  printf '[Style]\nSkin=%s\n' "$skin" >"$config/prefs.ini"
  for scale in 1 2; do
    QT_SCALE_FACTOR=$scale start_program
    win=$(wait_for_window "Sarvo MP3 Recorder" 30)
    until_true 10 "the main window drawn at scale $scale" picture_settled "$win"
    screenshot "$win" "density-$skin-${scale}x"
    geometry=$(xdotool getwindowgeometry "$win")
    echo "$geometry" | grep -q "Geometry: $((760 * scale))x$((439 * scale))" ||
      fail "at scale $scale the window is not $((760 * scale))x$((439 * scale)): $geometry"
    kill -TERM "$PROGRAM_PID"
    wait "$PROGRAM_PID" || fail "the program ended with an error: $(cat "$E2E_HOME/program.log")"
  done
done
# Without its 2× file a skin is drawn from its own pictures, scaled up, with nothing said.
program_folder=$E2E_HOME/program
mkdir -p "$program_folder/Skins"
cp "$SARVO_BUILD_DIR/sarvo-mp3-recorder" "$program_folder/"
cp "$SARVO_BUILD_DIR/Skins/Modern-Skin" "$program_folder/Skins/"
cp "$SARVO_BUILD_DIR"/Licence-*.txt "$program_folder/"
printf '[Style]\nSkin=Modern-Skin\n' >"$config/prefs.ini"
SARVO_PROGRAM=$program_folder/sarvo-mp3-recorder QT_SCALE_FACTOR=2 start_program
win=$(wait_for_window "Sarvo MP3 Recorder" 30)
until_true 10 "the main window drawn without the 2x file" picture_settled "$win"
screenshot "$win" "density-Modern-Skin-2x-without-2x-file"
kill -TERM "$PROGRAM_PID"
wait "$PROGRAM_PID" || fail "the program ended with an error: $(cat "$E2E_HOME/program.log")"
grep -qi "2x" "$E2E_HOME/program.log" && fail "the missing 2x file was reported: $(cat "$E2E_HOME/program.log")"
echo "1 passed, 0 failed"
