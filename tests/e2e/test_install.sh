# The Debian package, unpacked into a scratch root: the program starts from its launcher's command,
# finds its own data, and records; the launcher, the description and the icons are valid.
source "$(dirname "$0")/lib.sh"

root=$(mktemp -d)
trap 'e2e_cleanup; rm -rf "$root"' EXIT
(cd "$SARVO_BUILD_DIR" && cpack -G DEB -B "$root/package" >/dev/null)
deb=$(ls "$root"/package/sarvo-mp3-recorder_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "package $(basename "$deb"), depends on: $depends"
for library in libqt6widgets6 libqt6dbus6 libqt6network6 libxcb1 libmpg123-0 libpulse0 libmp3lame0 libtagc0 libglib2.0-0 qt6-translations-l10n; do
  [[ $depends == *"$library"* ]] || fail "the package does not depend on $library"
done
[[ $(dpkg-deb -f "$deb" Recommends) == *qt6-wayland* ]] || fail "the package does not recommend Qt's Wayland plugin"
dpkg-deb -x "$deb" "$root"
launcher=$(ls "$root"/usr/share/applications/*.desktop)
desktop-file-validate "$launcher" || fail "the launcher is not valid"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null || fail "the description is not valid"
for size in 48 256; do
  icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/sarvo-mp3-recorder.png"
  identify "$icon" | grep -q " ${size}x${size} " || fail "no ${size} pixel icon"
done
for data in Skins/Vintage-Skin Skins/Vintage-Skin@2x Skins/Modern-Skin Skins/Modern-Skin@2x Licence-en.txt Licence-fr.txt; do
  [ -f "$root/usr/share/sarvo-mp3-recorder/$data" ] || fail "$data is not installed"
done

command=$(sed -n 's/^Exec=//p' "$launcher" | head -n 1) # the entry's own; its action's follows
grep -qx "Exec=$command --toggle" "$launcher" || fail "the launcher has no action that records or stops"
SARVO_PROGRAM=$(PATH="$root/usr/bin:$PATH" command -v "$command") || fail "the launcher's command $command is not there"
export SARVO_PROGRAM
echo "starting $SARVO_PROGRAM"
start_display
fresh_home
config="$HOME/.config/Sarvo Mp3 Recorder"
mkdir -p "$config"
printf '[Style]\nSkin=Modern-Skin\n' >"$config/prefs.ini"
start_main_window
xdotool key r
sleep 3
screenshot "$MAIN_WINDOW" installed-modern
xdotool key space
files=("$HOME/Documents/Sarvo mp3 Recordings/"Rec-*.mp3)
[ -f "${files[0]}" ] || fail "the installed program recorded nothing"
until_true 10 "the installed program's recording finished" finished "${files[0]}"
echo "recorded $(basename "${files[0]}")"
kill -TERM "$PROGRAM_PID"
wait "$PROGRAM_PID" || fail "the program ended with an error: $(cat "$E2E_HOME/program.log")"
echo "1 passed, 0 failed"
