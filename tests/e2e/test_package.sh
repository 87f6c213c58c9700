# The Debian package, built from the build folder into a folder of its own and read by Debian's
# own checker: no error and no warning (its notes, "I:" and "P:", are allowed).
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v lintian >/dev/null || fail "lintian is not installed (tools/deps installs it)"

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
(cd "$SARVO_BUILD_DIR" && cpack -G DEB -B "$folder" >"$folder/cpack.log" 2>&1) ||
  fail "cpack could not build the package: $(cat "$folder/cpack.log")"
deb=$(ls "$folder"/sarvo-mp3-recorder_*.deb)
echo "package $(basename "$deb"), depends on: $(dpkg-deb -f "$deb" Depends)"

status=0
lintian --fail-on error,warning "$deb" >"$folder/lintian.log" 2>&1 || status=$?
problems=$(grep -E '^[EW]: ' "$folder/lintian.log" || true)
[ -z "$problems" ] || fail "lintian reports, where no error and no warning were expected:
$problems"
[ "$status" -eq 0 ] || fail "lintian ended with status $status, expected 0: $(cat "$folder/lintian.log")"
echo "lintian: no error and no warning"
echo "1 passed, 0 failed"
