#!/usr/bin/env bash
# Runs the demo kit under Wine, as a provider ships it and a customer meets it.
#
# examples/demo-kit is checked and packed by kittool into the win64 launcher
# (build/demo/kit/setup.exe, with its bookmark.htm beside it), then run in a
# Wine prefix of its own. With $DISPLAY set the dialog opens on that display
# for you to scroll, accept and continue; otherwise it runs under Xvfb,
# where customer.exe (tests/wine) scrolls to the end, accepts and continues.
# A screenshot of the agreement dialog goes to build/demo/demo-kit.png. At
# the end it prints what the sign-up program received and what was staged
# in the temporary folder.
#
#   KIT_DEMO_HEADLESS=1   use Xvfb even when $DISPLAY is set
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=${KIT_NATIVE_BIN:-$root/build/native/bin}
win64=${KIT_WIN64_BIN:-$root/build/win64/bin}
demo=$root/build/demo
kittool=$native/kittool
wine=/usr/lib/wine/wine64
export WINEPREFIX=$demo/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
options='$name=jo$OEMail$realname=Jo'

log() { printf '\033[1m-- %s\033[0m\n' "$*"; }
die() { printf 'demo: %s\n' "$*" >&2; exit 1; }

for needed in "$kittool" "$win64/launcher.exe" "$win64/signup.exe" "$wine"; do
  [[ -x $needed || -f $needed ]] || die "$needed is missing; run ./dev build first"
done
customer=$win64/customer.exe
headless=1
[[ -n ${DISPLAY:-} && -z ${KIT_DEMO_HEADLESS:-} ]] && headless=0
if ((headless)) && { [[ ! -f $customer ]] || ! command -v Xvfb >/dev/null; }; then
  customer=""  # nobody to work the dialog: the kit is shown without its agreement
fi

xvfb_pid=""
launcher_pid=""
cleanup() {
  [[ -n $launcher_pid ]] && kill "$launcher_pid" 2>/dev/null || true
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# --- the Wine prefix ------------------------------------------------------------
mkdir -p "$demo"
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  log "making a Wine prefix in $WINEPREFIX (once, about 700 MB)"
  mkdir -p "$WINEPREFIX"
  $wine wineboot -i >/dev/null 2>&1
fi
graphics=x11
if ((headless)) && [[ -z $customer ]]; then graphics=null; fi
$wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d $graphics /f >/dev/null 2>&1
# Without a window manager (Xvfb) Wine must draw the frames itself, or
# closing a dialog stalls.
managed=Y
((headless)) && managed=N
$wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d $managed /f >/dev/null 2>&1
/usr/lib/wine/wineserver -k 2>/dev/null || true

if ((headless)) && [[ $graphics == x11 ]]; then
  display=70
  while [[ -e /tmp/.X$display-lock ]] && ((display < 90)); do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [[ -e /tmp/.X11-unix/X$display ]] && break; sleep 0.05; done
  export DISPLAY=":$display"
fi

# --- the kit --------------------------------------------------------------------
config=$root/examples/demo-kit/config.json
if [[ $graphics == null ]]; then
  # The null display driver shows the dialog to nobody: leave the agreement out.
  log "customer.exe or Xvfb is missing: the demo kit runs without its agreement"
  config=$demo/config-without-agreement.json
  python3 - "$root/examples/demo-kit/config.json" "$config" <<'PY'
import json, os, sys
src, dst = sys.argv[1], sys.argv[2]
c = json.load(open(src))
for key in ("scrollToAccept", "agreementTextFile", "agreementText", "agreementCaption"):
    c.pop(key, None)
c["agreement"] = False
c["picture"] = os.path.join(os.path.dirname(src), c["picture"])
json.dump(c, open(dst, "w"), indent=2)
PY
fi

kit=$WINEPREFIX/drive_c/demo-kit
rm -rf "$kit"
mkdir -p "$kit"
log "packing: kittool pack --launcher launcher.exe --config ${config#$root/} -o setup.exe"
"$kittool" pack --launcher "$win64/launcher.exe" --config "$config" -o "$kit/setup.exe"
cp "$root/examples/demo-kit/bookmark.htm" "$kit/"
rm -rf "$demo/kit"
cp -r "$kit" "$demo/kit"

log "checking: kittool check setup.exe --options '$options'"
"$kittool" check "$kit/setup.exe" --options "$options"

# --- the run --------------------------------------------------------------------
report=$demo/report.json
rm -f "$report" "$demo/demo-kit.png"
temp=$(ls -d "$WINEPREFIX"/drive_c/users/*/Temp 2>/dev/null | grep -v /Public/ | head -1 || true)
[[ -n $temp ]] && rm -rf "${temp:?}"/*

log "running: setup.exe $options"
SIGNUP_REPORT="Z:${report//\//\\}" $wine "$kit/setup.exe" "$options" &
launcher_pid=$!

screenshot() {  # $1: the customer's report line with the dialog's place
  local crop
  crop=$(python3 -c 'import json, sys
d = json.loads(sys.argv[1])["dialog"]
print("%dx%d+%d+%d" % (d["width"], d["height"], d["x"], d["y"]))' "$1") || return 0
  sleep 0.5  # let it paint
  import -display "$DISPLAY" -window root "$demo/screen.png" &&
    convert "$demo/screen.png" -crop "$crop" +repage -strip "$demo/demo-kit.png" &&
    echo "screenshot: $demo/demo-kit.png"
}

if [[ -n $customer && $graphics == x11 ]]; then
  shown=$($wine "$customer" report 2>/dev/null | head -1 || true)
  [[ $shown == \{* ]] && command -v import >/dev/null && { screenshot "$shown" || true; }
  if ((headless)); then
    log "customer.exe: scrolls to the end, accepts, continues"
    $wine "$customer" scroll-to-end accept continue gone >/dev/null 2>&1 || true
  else
    log "the agreement is on your display: scroll to its end, accept and continue"
  fi
fi
if ((headless)); then
  # Nobody else can end the run: a dialog that nobody works is not waited for forever.
  for _ in $(seq 600); do kill -0 "$launcher_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$launcher_pid" 2>/dev/null; then
    echo "the launcher did not end within a minute"
    kill "$launcher_pid"
  fi
fi
status=0
wait "$launcher_pid" || status=$?
launcher_pid=""
echo "launcher exit code: $status"

# --- what came out --------------------------------------------------------------
echo
log "what the sign-up program received"
if [[ -f $report ]]; then cat "$report"; else echo "(nothing: the sign-up program did not run)"; fi
echo
log "staged in the temporary folder (${temp#$WINEPREFIX/})"
[[ -n $temp ]] && ls -l "$temp"
[[ -f $report ]] || exit 1
