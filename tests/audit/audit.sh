#!/bin/bash
# Audits the import and export tables of Windows binaries.
#
#   audit.sh [--expect-fail TEXT]... [--limit BYTES] --exports NAMES FILE [...]...
#
# NAMES is the comma-separated list of the exact export names FILE must have
# ("" for none). Every import must come from a Windows system DLL and must not
# be a library or function listed in $FORBIDDEN. Prints each file's size,
# stripped, with and without its resource section; --limit caps the size
# without resources of the files named after it.
# With --expect-fail the audit must fail, and with a finding containing each TEXT.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/pe_info.sh"
FORBIDDEN=${FORBIDDEN:?FORBIDDEN must name the list of forbidden imports}

# The Windows system DLLs a deliverable may import directly.
SYSTEM_DLLS="kernel32.dll user32.dll gdi32.dll advapi32.dll comctl32.dll comdlg32.dll
shell32.dll shlwapi.dll version.dll msvcrt.dll ole32.dll oleaut32.dll"

expected=()
findings=()
limit=0

finding() { findings+=("$1"); echo "FAIL: $1"; }

lower() { tr '[:upper:]' '[:lower:]'; }

# Prints the names in the export name table, one per line.
exports_of() {
    "$OBJDUMP" -p "$1" | awk '
        /^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
        on && /^\t\[ *[0-9]+\] / { print $3; next }
        on { on = 0 }'
}

audit_file() {
    local names=$1 file=$2 base
    base=$(basename "$file")
    if [ ! -f "$file" ]; then
        finding "$base: file missing"
        return
    fi

    local want got
    want=$(echo "$names" | tr ',' '\n' | sed '/^$/d' | sort)
    got=$(exports_of "$file" | sort)
    if [ "$want" != "$got" ]; then
        local name
        for name in $got; do
            echo "$want" | grep -qxF "$name" || finding "$base exports $name"
        done
        for name in $want; do
            echo "$got" | grep -qxF "$name" || finding "$base does not export $name"
        done
    fi

    local dll func kind item
    while read -r dll func; do
        if [ "$func" = "-" ]; then
            echo " $SYSTEM_DLLS " | tr '\n' ' ' | grep -qi " $dll " || finding "$base imports non-system DLL $dll"
        fi
        while read -r kind item; do
            case "$kind" in
                dll) [ "$func" = "-" ] && [ "$dll" = "$(echo "$item" | lower)" ] &&
                        finding "$base imports forbidden DLL $dll" ;;
                function) [ "$func" = "$item" ] && finding "$base imports forbidden function $func from $dll" ;;
            esac
        done < <(grep -v '^#' "$FORBIDDEN" | sed '/^$/d')
    done < <(imports_of "$file")

    local stripped bare
    read -r stripped bare < <(stripped_sizes "$file")
    printf '%s: %d bytes stripped, %d bytes without resources; imports %s\n' "$base" \
        "$stripped" "$bare" "$(imported_dlls "$file")"
    if [ "$limit" -gt 0 ] && [ "$bare" -gt "$limit" ]; then
        finding "$base is larger than $limit bytes without resources"
    fi
}

while [ $# -gt 0 ]; do
    case "$1" in
        --expect-fail) expected+=("$2"); shift 2 ;;
        --limit) limit=$2; shift 2 ;;
        --exports) audit_file "$2" "$3"; shift 3 ;;
        *) echo "usage: $0 [--expect-fail TEXT]... [--limit BYTES] --exports NAMES FILE..." >&2; exit 2 ;;
    esac
done

if [ ${#expected[@]} -eq 0 ]; then
    [ ${#findings[@]} -eq 0 ] && echo "audit passed" && exit 0
    exit 1
fi

# The audit was meant to fail: it must have, and for each expected reason.
status=0
[ ${#findings[@]} -gt 0 ] || { echo "the audit passed a file it should reject"; status=1; }
for text in "${expected[@]}"; do
    printf '%s\n' "${findings[@]}" | grep -qF "$text" || { echo "missing finding: $text"; status=1; }
done
[ $status -eq 0 ] && echo "audit rejected the file as expected"
exit $status
