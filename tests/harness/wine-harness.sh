#!/bin/bash
# Runs the test programs under Wine, the way Windows would run them for an
# ordinary user: as an unprivileged account, in a 32-bit prefix of their own,
# with one persistent wineserver and one Xvfb display for the whole run.
#
#   wine-harness.sh start            create the prefix once, start Xvfb and the wineserver
#   wine-harness.sh stop             stop both
#   wine-harness.sh reset            stop both and remove the prefix
#   wine-harness.sh run PROGRAM ...  run a Windows program in the prefix (ctest's emulator)
#   wine-harness.sh shell CMD ...    run a Linux command as the test user with the Wine environment
#   wine-harness.sh ensure-user      create the test user when missing (root only)
#
# HARNESS_DIR (default: the folder "harness" beside this build's CTestTestfile)
# holds the prefix, the drive folders, the state of a running harness and the
# files tests keep. HARNESS_USER names the unprivileged account (default bramtest).
#
# Tests that put fake libraries into the system folder run in a second prefix
# (HARNESS_PREFIX=fakes), a copy of the first with a wineserver of its own,
# made by "start" when HARNESS_WITH_FAKES=1; its replaceable libraries are
# put back at every start.
set -u

HARNESS_USER=${HARNESS_USER:-bramtest}
HARNESS_DIR=${HARNESS_DIR:?HARNESS_DIR must name the harness folder}
MAIN_PREFIX=$HARNESS_DIR/prefix
FAKES_PREFIX=$HARNESS_DIR/prefix-fakes
PREFIX=$MAIN_PREFIX
[ "${HARNESS_PREFIX:-}" = fakes ] && PREFIX=$FAKES_PREFIX
FAKEABLE="newdev setupapi cfgmgr32 vdmdbg dbghelp"
STATE=$HARNESS_DIR/state
STAMP_TEXT="win32 prefix v4"

# Drive letters of the test prefix. Wine reads the drive types when its
# services start, so they are laid down before the persistent wineserver runs;
# tests fill the folders. A: is typed CD-ROM on purpose: callers must skip it.
DRIVES="a:cdrom d:cdrom e:cdrom f:cdrom g:hd h:network"

die() { echo "wine-harness: $*" >&2; exit 2; }

is_root() { [ "$(id -u)" = 0 ]; }

# Runs a command as the test user (or as ourselves when we are not root).
as_user() {
    if is_root; then
        runuser -u "$HARNESS_USER" -- "$@"
    else
        "$@"
    fi
}

wine_env() {
    echo "WINEPREFIX=$PREFIX"
    echo "WINEARCH=win32"
    echo "WINEDEBUG=${WINEDEBUG:--all}"
    echo "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d${HARNESS_DLLOVERRIDES:+;$HARNESS_DLLOVERRIDES}"
    echo "HARNESS_DIR=$HARNESS_DIR"
    if is_root; then
        echo "HOME=$(getent passwd "$HARNESS_USER" | cut -d: -f6)"
        echo "USER=$HARNESS_USER"
    fi
    [ -n "${DISPLAY:-}" ] && echo "DISPLAY=$DISPLAY"
    [ -n "${LC_ALL:-}" ] && echo "LC_ALL=$LC_ALL"
    [ -n "${LANG:-}" ] && echo "LANG=$LANG"
}

with_wine_env() {
    local vars=()
    while IFS= read -r line; do vars+=("$line"); done < <(wine_env)
    as_user env "${vars[@]}" "$@"
}

ensure_user() {
    id "$HARNESS_USER" >/dev/null 2>&1 && return 0
    is_root || die "user $HARNESS_USER is missing and only root can create it"
    useradd --create-home --shell /bin/bash "$HARNESS_USER" || die "cannot create user $HARNESS_USER"
}

# Makes HARNESS_DIR exist and belong to the test user.
ensure_dir() {
    mkdir -p "$HARNESS_DIR" || die "cannot create $HARNESS_DIR"
    if is_root; then
        chown "$HARNESS_USER:" "$HARNESS_DIR"
        as_user test -w "$HARNESS_DIR" -a -x "$HARNESS_DIR" ||
            die "$HARNESS_USER cannot reach $HARNESS_DIR: build in a folder that user can read"
    fi
    as_user mkdir -p "$HARNESS_DIR/out" "$HARNESS_DIR/work"
}

start_display() {
    if [ -n "${HARNESS_USE_DISPLAY:-}" ]; then
        DISPLAY=$HARNESS_USE_DISPLAY
        return 0
    fi
    rm -f "$HARNESS_DIR/display"
    # Xvfb picks a free display and writes its number to fd 3. Its output
    # must not hold our caller's pipes open.
    as_user bash -c 'exec Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1/display" >/dev/null 2>&1 </dev/null & echo $! >"$1/xvfb.pid"' _ "$HARNESS_DIR"
    local i
    for i in $(seq 1 100); do
        [ -s "$HARNESS_DIR/display" ] && break
        sleep 0.1
    done
    [ -s "$HARNESS_DIR/display" ] || die "Xvfb did not start"
    DISPLAY=:$(head -n1 "$HARNESS_DIR/display")
}

make_prefix() {
    if [ -f "$PREFIX/harness-stamp" ] && [ "$(cat "$PREFIX/harness-stamp")" = "$STAMP_TEXT" ]; then
        return 0
    fi
    as_user rm -rf "$PREFIX"
    echo "wine-harness: creating the 32-bit prefix in $PREFIX"
    with_wine_env wineboot -i >/dev/null 2>&1 || die "wineboot failed"
    with_wine_env wineserver -w

    local reg=$HARNESS_DIR/harness.reg
    {
        echo "REGEDIT4"
        echo
        echo "[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]"
        echo "\"ShowCrashDialog\"=dword:00000000"
        echo
        # Auto=0 alone still starts winedbg: name a debugger that does not
        # exist, so an unhandled exception just ends the process.
        echo "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug]"
        echo "\"Debugger\"=\"no-debugger.exe\""
        echo "\"Auto\"=\"1\""
        echo
        # No window manager runs on the Xvfb display: unmanaged windows spare
        # the two seconds Wine waits for one on every hidden window, and
        # Wine draws their frames and captions itself.
        echo "[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]"
        echo "\"Managed\"=\"N\""
        echo
        echo "[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]"
        local d
        for d in $DRIVES; do echo "\"${d%%:*}:\"=\"${d#*:}\""; done
    } > "$reg"
    chmod a+r "$reg"
    with_wine_env wine regedit /S "Z:${reg//\//\\}" >/dev/null 2>&1 ||
        die "regedit failed"
    with_wine_env wineserver -w

    for d in $DRIVES; do
        local letter=${d%%:*}
        as_user mkdir -p "$HARNESS_DIR/drives/$letter"
        as_user ln -sfn "$HARNESS_DIR/drives/$letter" "$PREFIX/dosdevices/$letter:"
    done
    local font
    for font in /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf; do
        [ -f "$font" ] && as_user cp "$font" "$PREFIX/drive_c/windows/Fonts/"
    done
    echo "$STAMP_TEXT" | as_user tee "$PREFIX/harness-stamp" >/dev/null
}

make_fakes_prefix() {
    if ! as_user cmp -s "$MAIN_PREFIX/harness-stamp" "$FAKES_PREFIX/harness-stamp"; then
        as_user rm -rf "$FAKES_PREFIX"
        as_user cp -a "$MAIN_PREFIX" "$FAKES_PREFIX" || die "cannot copy the prefix"
    fi
    local dll system=drive_c/windows/system32
    for dll in $FAKEABLE; do
        as_user cp "$MAIN_PREFIX/$system/$dll.dll" "$FAKES_PREFIX/$system/$dll.dll" || die "cannot restore $dll.dll"
    done
}

# Starts the wineserver of the prefix PREFIX, and Wine's services once, so
# the first test does not pay for them.
start_server() {
    with_wine_env wineserver -p >/dev/null 2>&1 </dev/null || die "cannot start the wineserver"
    with_wine_env wine cmd /c exit >/dev/null 2>&1 </dev/null
}

cmd_start() {
    ensure_user
    ensure_dir
    [ -f "$STATE" ] && cmd_stop
    start_display
    export DISPLAY
    PREFIX=$MAIN_PREFIX
    make_prefix
    start_server
    if [ "${HARNESS_WITH_FAKES:-}" = 1 ]; then
        make_fakes_prefix
        PREFIX=$FAKES_PREFIX start_server
    fi
    echo "DISPLAY=$DISPLAY" | as_user tee "$STATE" >/dev/null
    echo "wine-harness: prefix $PREFIX, display $DISPLAY, user $(is_root && echo "$HARNESS_USER" || id -un)"
}

cmd_stop() {
    if [ -f "$STATE" ]; then
        # shellcheck disable=SC1090
        . "$STATE"
        export DISPLAY
    fi
    local prefix
    for prefix in "$MAIN_PREFIX" "$FAKES_PREFIX"; do
        [ -d "$prefix" ] || continue
        PREFIX=$prefix with_wine_env wineserver -k >/dev/null 2>&1
        PREFIX=$prefix with_wine_env wineserver -w >/dev/null 2>&1
    done
    if [ -f "$HARNESS_DIR/xvfb.pid" ]; then
        kill "$(cat "$HARNESS_DIR/xvfb.pid")" 2>/dev/null
        rm -f "$HARNESS_DIR/xvfb.pid"
    fi
    rm -f "$STATE"
    return 0
}

load_state() {
    [ -f "$STATE" ] || cmd_start >&2
    # shellcheck disable=SC1090
    . "$STATE"
    export DISPLAY
}

cmd_run() {
    load_state
    local program=$1
    shift
    # Windows programs get their own folder under work/, writable by the test user.
    with_wine_env wine "$program" "$@"
}

cmd_shell() {
    load_state
    with_wine_env "$@"
}

case "${1:-}" in
    start) cmd_start ;;
    stop) cmd_stop ;;
    reset) cmd_stop; as_user rm -rf "$MAIN_PREFIX" "$FAKES_PREFIX" "$HARNESS_DIR/drives" ;;
    run) shift; cmd_run "$@" ;;
    shell) shift; cmd_shell "$@" ;;
    ensure-user) ensure_user ;;
    *) die "usage: $0 start|stop|reset|run PROGRAM [ARGS]|shell CMD [ARGS]|ensure-user" ;;
esac
