#!/usr/bin/env bash
# Runs a small kit under Wine: the win64 launcher as setup.exe with its
# configuration beside it, and shows what the sign-up program received and
# what was staged in the temporary folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
demo=$root/build/demo
export WINEPREFIX=$demo/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64

if [[ ! -f $WINEPREFIX/system.reg ]]; then
  echo "making a Wine prefix in $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  $wine wineboot -i >/dev/null 2>&1
  if [[ -z ${DISPLAY:-} ]]; then
    # No display: Wine's null driver still runs dialogs.
    $wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f >/dev/null 2>&1
  fi
  /usr/lib/wine/wineserver -k || true
fi

kit=$WINEPREFIX/drive_c/demo-kit
rm -rf "$kit"
mkdir -p "$kit"
cp "$root/build/win64/bin/launcher.exe" "$kit/setup.exe"
: > "$kit/setup.oid"
report=$demo/report.json
rm -f "$report"
temp=$(ls -d "$WINEPREFIX"/drive_c/users/*/Temp | grep -v Public | head -1)

options='$name=jo$OEMail$realname=Jo'
echo "running: setup.exe $options"
SIGNUP_REPORT="Z:${report//\//\\}" $wine "$kit/setup.exe" "$options"
echo "exit code: $?"
echo
echo "what the sign-up program received:"
cat "$report"
echo
echo "staged in the temporary folder ($temp):"
ls -l "$temp"
