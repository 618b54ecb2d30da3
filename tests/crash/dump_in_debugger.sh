#!/bin/bash
# Opens crash dumps with lldb, as a support engineer would: one of the probe
# program's own fault, one of a host's fault with Coldrune.dll loaded (whose
# reporter writes it). Each dump must show the faulting thread, stopped by the
# access violation in crash_probe.exe's code.
#
#   dump_in_debugger.sh CRASH_PROBE_EXE COLDRUNE_DLL      (HARNESS_DIR set)
set -u
HARNESS=$(cd "$(dirname "${BASH_SOURCE[0]}")/../harness" && pwd)/wine-harness.sh
PROBE=$1
DLL=$2
WORK=$HARNESS_DIR/work/dump-in-debugger
"$HARNESS" shell bash -c 'rm -rf "$1" && mkdir -p "$1" && cp "$2" "$1/"' _ "$WORK" "$PROBE" || exit 1
windows() { echo "Z:${1//\//\\}"; }

failed=0
for run in "full" "host $(windows "$DLL")"; do
    "$HARNESS" shell rm -f "$WORK/crash_probe_Debug.dmp" "$WORK/crash_probe_Debug.txt"
    (cd "$WORK" && timeout 120 "$HARNESS" run "$(windows "$WORK/crash_probe.exe")" $run >/dev/null 2>&1)
    threads=$(timeout 120 lldb --batch -c "$WORK/crash_probe_Debug.dmp" -o "thread list" 2>/dev/null)
    if echo "$threads" | grep -qE '^\* thread #[0-9]+: tid = 0x[0-9a-f]+, 0x[0-9a-f]+ crash_probe\.exe`.*stop reason = Exception 0xc0000005'; then
        echo "dump of \"${run%% *}\": the faulting thread in crash_probe.exe, stopped by the access violation"
    else
        echo "dump of \"${run%% *}\": no faulting thread found by lldb:"
        echo "$threads"
        failed=1
    fi
done
exit $failed
