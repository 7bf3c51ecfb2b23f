#!/bin/sh
# Builds the Debian package from the build folder, into a folder of its own there, and checks it
# with lintian: no error or warning, and the program hardened; its desktop entry with
# desktop-file-validate.
# Usage: check_package.sh CPACK BUILD_FOLDER
set -eu
if ! command -v lintian >/dev/null; then
    echo "package check skipped: lintian is not installed (scripts/setup installs it)"
    exit 77
fi
cpack=$1 out=$2/package-check
rm -rf "$out"
"$cpack" -G DEB --config "$2/CPackConfig.cmake" -B "$out"
deb=$(ls "$out"/*.deb)
echo "lintian --fail-on error,warning --display-info $(basename "$deb"):"
status=0
report=$(lintian --fail-on error,warning --display-info "$deb" 2>&1) || status=$?
echo "${report:-(nothing to report)}"
# The window's library is built as hardened as the program, but it may hold no call whose
# buffer size fortifying could check; lintian then notes that it has no fortified function.
if echo "$report" | grep "hardening-" | grep -qv "^I: vintrex: hardening-no-fortify-functions \[usr/lib/"; then
    echo "the program is not hardened"
    status=1
fi
dpkg-deb -x "$deb" "$out/root"
# The installed program finds its window where the package puts it (a missing display is
# reported only once the window's library is there).
window=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$out/root/usr/bin/vintrex" 2>&1) || true
case $window in
*"no display"*) ;;
*) echo "the installed program does not find its window: $window"; status=1 ;;
esac
for entry in "$out"/root/usr/share/applications/*.desktop; do
    echo "desktop-file-validate $(basename "$entry"):"
    desktop-file-validate "$entry" || status=1
    grep -qx 'Exec=vintrex %f' "$entry" || { echo "the entry does not take a folder"; status=1; }
done
exit $status
