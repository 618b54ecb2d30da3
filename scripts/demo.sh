#!/bin/bash
# Runs the whole chain the way a user meets it: a receiver is plugged in, the
# install CD is in drive D:, the user starts Bramcot.exe from the CD and
# presses "Install". Everything runs under Wine in a prefix of its own, on a
# virtual display (or yours when DISPLAY is set).
#
#   scripts/demo.sh [--keep] [--out FOLDER]
#
# Writes screenshots and summary.txt to FOLDER (default demo-out/) and exits 0
# only when the run did what the installer and the co-installer must do.
# --keep leaves the prefix (and its wineserver stopped) for a look around.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

KEEP=0
OUT=$ROOT/demo-out
while [ $# -gt 0 ]; do
    case "$1" in
        --keep) KEEP=1; shift ;;
        --out) OUT=$2; shift 2 ;;
        *) echo "usage: $0 [--keep] [--out FOLDER]" >&2; exit 2 ;;
    esac
done

prepare_machine
BUILD=${BUILD_DIR:-$(pick_build_dir build)}
export HARNESS_DIR=$BUILD/demo
[ -n "${DISPLAY:-}" ] && export HARNESS_USE_DISPLAY=$DISPLAY
trap '"$HARNESS" stop >/dev/null 2>&1' EXIT

step() { echo "demo: $*"; }

step "building"
[ -f "$BUILD/CMakeCache.txt" ] || cmake -S "$ROOT" -B "$BUILD" -G Ninja -DBRAMCOT_TESTS=ON >/dev/null || exit 1
cmake --build "$BUILD" --target cd_stub demo_window device_helper >/dev/null || exit 1
step "building the release image"
"$ROOT/scripts/release.sh" --out "$BUILD/release" >/dev/null || { echo "demo: the release build failed"; exit 1; }

step "starting a fresh Wine prefix"
"$HARNESS" reset >/dev/null 2>&1
"$HARNESS" start >/dev/null || exit 1
rm -rf "$OUT"
mkdir -p "$OUT"
WORK=$HARNESS_DIR/out
find "$WORK" -mindepth 1 -delete  # nothing of an earlier run
run() { "$HARNESS" run "$@"; }
wine_path() { echo "Z:${1//\//\\}"; }
WINDOW="$BUILD/demobin/demo_window.exe"

# The install CD: the release image's files, and stand-ins for the maker's
# own programs, read-only as on a CD.
step "laying out the install CD in D: from the release image"
CD=$HARNESS_DIR/drives/d
FILES=$HARNESS_DIR/cd-files
rm -rf "$FILES"
xorriso -osirrox on -indev "$BUILD/release/bramcot-cd.iso" -extract / "$FILES" >/dev/null 2>&1 ||
    { echo "demo: cannot read the release image"; exit 1; }
chmod -R a+rX "$FILES"
"$HARNESS" shell bash -c '
    cd="$1"; files="$2"; stub="$3"
    chmod -R u+w "$cd" 2>/dev/null; rm -rf "${cd:?}"/*  # an earlier run left it read-only
    mkdir -p "$cd/Zovodav/DirectX" "$cd/_exec"
    cp "$files"/* "$cd/"
    for p in Zovodav/setup.exe Zovodav/DirectX/dxsetup.exe _exec/Tollet.exe _exec/VaskDT220.exe \
             _exec/VaskDT620.exe _exec/VaskDT2831.exe; do cp "$stub" "$cd/$p"; done
    chmod -R a-w "$cd"/*' _ "$CD" "$FILES" "$BUILD/demobin/cd_stub.exe"

# Wine reports DirectX 4.09.00.0904 (9.0c); an older one makes the
# co-installer run the DirectX setup from the CD.
run reg add 'HKLM\Software\Microsoft\DirectX' /v Version /t REG_SZ /d 4.09.00.0903 /f >/dev/null 2>&1

step "plugging in a receiver (USB\\Vid_14aa&Pid_0160)"
run "$BUILD/demobin/device_helper.exe" create 'USB\Vid_14aa&Pid_0160' "$(wine_path "$WORK/device.txt")" >/dev/null 2>&1 ||
    { echo "demo: could not create the simulated receiver"; exit 1; }
DEVICE=$(tr -d '\r\n' < "$WORK/device.txt")
keys_before=$(run reg query 'HKLM\System\CurrentControlSet\Enum' /s 2>/dev/null | tr -d '\r' | grep -iE '^HKEY.*(Vid_14aa|ROOT\\MEDIA)' )

# Wine's traces show where Coldrune.dll is loaded from and which install
# functions the device installer runs.
step "starting D:\\Bramcot.exe"
DEMO_LOG=$(wine_path "$WORK/started.log") WINEDEBUG=+loaddll,+setupapi \
    "$HARNESS" run 'D:\Bramcot.exe' 2>"$WORK/trace.log" &
pid=$!

wait_for() {  # wait_for SECONDS COMMAND...: runs COMMAND until it succeeds
    local limit=$(( $1 * 5 )); shift
    for _ in $(seq 1 $limit); do "$@" >/dev/null 2>&1 && return 0; sleep 0.2; done
    return 1
}
TITLE="Tarnvik DVB-T Driver Installer [1.02]"
CAPTION="Tarnvik DVB-T Driver Installer"
# What the screen shows of the separator, the title, the prompt and the
# picture: "left top right bottom inked-rows inked-columns" each.
measure() {  # measure PREFIX: sets PREFIX_separator ... PREFIX_picture
    local name id
    for name in separator:1004 title:1007 prompt:1008 picture:65535; do
        id=${name#*:}
        printf -v "${1}_${name%:*}" '%s' "$(run "$WINDOW" ink "$TITLE" $id 2>/dev/null | tr -d '\r')"
    done
}
wait_for 60 run "$WINDOW" text "$TITLE" || { echo "demo: the installer's dialog did not show"; kill $pid; exit 1; }
sleep 1
"$HARNESS" shell import -window root "$WORK/1-dialog.png"
measure at96
step "pressing \"Install\""
run "$WINDOW" click "$TITLE" 1003 >/dev/null 2>&1
wait_for 120 run "$WINDOW" text "$CAPTION" || { echo "demo: no result message"; kill $pid; exit 1; }
sleep 1
"$HARNESS" shell import -window root "$WORK/2-message.png"
MESSAGE=$(run "$WINDOW" text "$CAPTION" 2>/dev/null | tr -d '\r')
run "$WINDOW" ok "$CAPTION" >/dev/null 2>&1
wait_for 30 bash -c "! kill -0 $pid" || { echo "demo: the installer did not end"; kill $pid; exit 1; }
wait $pid
EXIT=$?
sleep 2  # the programs started from the CD log their start

# The dialog again, measured, then closed: look_again PREFIX [SCREENSHOT].
look_again() {
    "$HARNESS" run 'D:\Bramcot.exe' 2>/dev/null &
    local pid=$!
    if wait_for 60 run "$WINDOW" text "$TITLE"; then
        sleep 1
        measure "$1"
        [ -z "${2:-}" ] || "$HARNESS" shell import -window root "$WORK/$2"
        run "$WINDOW" click "$TITLE" 1000 >/dev/null 2>&1
    fi
    wait_for 30 bash -c "! kill -0 $pid" || kill $pid
}
# On a 144-DPI screen (Wine reads the DPI when a program starts), and with
# visual styles off.
step "starting D:\\Bramcot.exe once more at 144 DPI, and with visual styles off"
run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
look_again at144 3-dialog-144dpi.png
run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
THEMES='HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager'
run reg add "$THEMES" /v ThemeActive /t REG_SZ /d 0 /f >/dev/null 2>&1
look_again plain
run reg add "$THEMES" /v ThemeActive /t REG_SZ /d 1 /f >/dev/null 2>&1

PREFIX=$HARNESS_DIR/prefix
STAGED=$(find "$PREFIX/drive_c/users" -type d -name 'Tarnvik DVB-T Driver' 2>/dev/null | head -n1)
staged_files=$(ls "$STAGED" 2>/dev/null | grep -v '^install\.log$')
install_log=$(tr -d '\r' < "$STAGED/install.log" 2>/dev/null)
store=$(grep -l -i 'Vid_14aa&Pid_0160' "$PREFIX"/drive_c/windows/inf/*.inf 2>/dev/null | xargs -r -n1 basename)
keys_after=$(run reg query 'HKLM\System\CurrentControlSet\Enum' /s 2>/dev/null | tr -d '\r' | grep -iE '^HKEY.*(Vid_14aa|ROOT\\MEDIA)')
# An install function reached the co-installer when Wine found Coldrune.dll
# as co-installer right after the class-installer call for it.
calls=$(awk '
    /SetupDiCallClassInstaller function/ { match($0, /function 0x[0-9a-f]+/); code = substr($0, RSTART + 9, RLENGTH - 9); thread = substr($0, 1, 4) }
    /call_coinstallers Found co-installer .*Coldrune\.dll/ && code != "" {
        name = code == "0x20" ? "DIF_INSTALLINTERFACES" : code == "0x1e" ? "DIF_NEWDEVICEWIZARD_FINISHINSTALL" : code == "0x2" ? "DIF_INSTALLDEVICE" : code == "0xc" ? "DIF_DESTROYPRIVATEDATA" : "other"
        printf "Callback(%s %s) on thread %s\n", code, name, thread; code = "" }' "$WORK/trace.log" 2>/dev/null)
loaded=$(grep -m1 -oE 'Loaded L"[^"]*Coldrune\.dll"' "$WORK/trace.log" 2>/dev/null | sed -E 's/Loaded L"(.*)"/\1/; s/\\\\/\\/g')
started=$(tr -d '\r' < "$WORK/started.log" 2>/dev/null)

# An administrator's run: no window, the outcome as the exit code, the log
# also where asked for.
step "running D:\\Bramcot.exe /quiet /log (unattended)"
run 'D:\Bramcot.exe' /quiet /log "$(wine_path "$WORK/quiet.log")" 2>/dev/null
QUIET_EXIT=$?
quiet_log=$(tr -d '\r' < "$WORK/quiet.log" 2>/dev/null)

cp "$WORK/1-dialog.png" "$WORK/2-message.png" "$WORK/3-dialog-144dpi.png" "$OUT/" 2>/dev/null
{
    echo "Bramcot demo, $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo
    echo "Message shown:   \"$MESSAGE\""
    echo "Exit code:       $EXIT"
    echo "Simulated receiver: $DEVICE (hardware ID USB\\Vid_14aa&Pid_0160)"
    echo
    echo "Staged in the user's temp folder ($(basename "$STAGED")):"
    echo "$staged_files" | sed 's/^/    /'
    echo
    echo "The install log ($(basename "$STAGED")\\install.log):"
    echo "${install_log:-    none}" | sed 's/^/    /'
    echo
    echo "D:\\Bramcot.exe /quiet /log FILE: exit code $QUIET_EXIT; FILE holds:"
    echo "${quiet_log:-    nothing}" | sed 's/^/    /'
    echo
    echo "Driver store entry for the receiver (C:\\windows\\inf): ${store:-none}"
    echo
    echo "Device keys before:"
    echo "${keys_before:-    none}" | sed 's/^/    /'
    echo "Device keys after:"
    echo "${keys_after:-    none}" | sed 's/^/    /'
    echo
    echo "Calls of Wine's device installer into Coldrune.dll, loaded from $loaded:"
    echo "${calls:-    none}" | sed 's/^/    /'
    echo
    echo "Programs the co-installer started from the CD (program | command line | folder):"
    echo "${started:-    none}" | sed 's/^/    /'
    echo
    echo "On the screen (left top right bottom, rows and columns unlike the background):"
    echo "    separator ${at96_separator:-?}; with visual styles off ${plain_separator:-?}"
    echo "    title ${at96_title:-?}; at 144 DPI ${at144_title:-?}"
    echo "    prompt ${at96_prompt:-?}; picture ${at96_picture:-?}"
} > "$OUT/summary.txt"
cat "$OUT/summary.txt"

# What the run must have done.
ok=1
check() { if ! eval "$2"; then echo "demo: FAILED: $1"; ok=0; fi; }
check "the success message" '[ "$MESSAGE" = "Your new DVB-T driver was successfully installed." ]'
check "exit code 0" '[ "$EXIT" = 0 ]'
check "four staged files" '[ "$(echo "$staged_files" | grep -c .)" = 4 ]'
check "the install log tells the outcome" 'echo "$install_log" | grep -qx "outcome: installed"'
check "the unattended run: exit code 0 and its log" '[ "$QUIET_EXIT" = 0 ] && echo "$quiet_log" | grep -qx "outcome: installed"'
check "the package in the driver store" '[ -n "$store" ]'
check "the co-installer called for DIF_INSTALLINTERFACES" 'echo "$calls" | grep -q "Callback(0x20 "'
check "the co-installer called for DIF_NEWDEVICEWIZARD_FINISHINSTALL" 'echo "$calls" | grep -q "Callback(0x1e "'
check "the DirectX setup started from the CD" 'echo "$started" | grep -q "D:\\\\Zovodav\\\\DirectX\\\\dxsetup.exe"'
check "the companion program started from the CD" 'echo "$started" | grep -q "D:\\\\_exec\\\\VaskDT2831.exe"'
check "a screenshot at 144 DPI" '[ -s "$OUT/3-dialog-144dpi.png" ]'
# A line is drawn across the separator's width (all but its 3 inset columns).
line_across() { set -- $1; [ $# = 6 ] && [ "$6" -ge $(( $3 - $1 - 3 )) ]; }
# Two rectangles share no pixel.
apart() { set -- $1 $2; [ $# = 12 ] && { [ "$3" -le "$7" ] || [ "$9" -le "$1" ] || [ "$4" -le "$8" ] || [ "${10}" -le "$2" ]; }; }
check "the separator line drawn (${at96_separator:-not measured})" 'line_across "$at96_separator"'
check "the separator line drawn with visual styles off (${plain_separator:-not measured})" 'line_across "$plain_separator"'
check "the picture apart from the title and the prompt" 'apart "$at96_picture" "$at96_title" && apart "$at96_picture" "$at96_prompt"'
# The title's glyphs are 1.5 times as tall at 144 DPI.
title_rows() { set -- $1; echo "${5:-0}"; }
check "the title scaled at 144 DPI ($(title_rows "$at96_title") rows at 96 DPI, $(title_rows "$at144_title") at 144)" \
    'r=$(( $(title_rows "$at144_title") * 100 / ($(title_rows "$at96_title") + !$(title_rows "$at96_title")) )); [ $r -ge 135 ] && [ $r -le 165 ]'

if [ $KEEP = 1 ]; then
    echo "demo: prefix kept in $HARNESS_DIR/prefix (WINEPREFIX for user $HARNESS_USER)"
else
    "$HARNESS" reset >/dev/null 2>&1
fi
echo "demo: screenshots and summary in $OUT"
[ $ok = 1 ] && echo "demo: the run did what it must" && exit 0
exit 1
