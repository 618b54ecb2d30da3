#!/bin/bash
# Checks that the build and the folders tell the same house:
# - a file of a product folder includes headers only from its own folder or
#   from a folder on a lower floor;
# - a CMakeLists.txt compiles only sources of its own folder.
#
#   floors.sh [ROOT]     (default: the checkout this script is in)
#   floors.sh --self-test   plants both kinds of fault in a scratch tree and
#                           fails unless both are found
set -u
SELF=${BASH_SOURCE[0]}
if [ "${1:-}" = --self-test ]; then
    tree=$(mktemp -d)
    trap 'rm -rf "$tree"' EXIT
    mkdir -p "$tree/base" "$tree/sysinfo" "$tree/ui"
    echo '#include "sysinfo/os_identity.h"' >"$tree/base/up.h"
    echo '#include "ui/beside.h"' >"$tree/sysinfo/beside.cpp"
    echo '#include "base/down.h"' >"$tree/ui/down.cpp"
    echo 'add_library(x own.cpp ../base/borrowed.cpp)' >"$tree/ui/CMakeLists.txt"
    out=$("$SELF" "$tree")
    status=$?
    echo "$out"
    [ $status -ne 0 ] || { echo "self-test: the planted tree passed"; exit 1; }
    for want in "base/up.h:1 includes sysinfo/os_identity.h" "compiles ../base/borrowed.cpp"; do
        echo "$out" | grep -qF "$want" || { echo "self-test: no finding '$want'"; exit 1; }
    done
    [ "$(echo "$out" | grep -c '^FAIL')" = 3 ] || { echo "self-test: expected exactly 3 findings"; exit 1; }
    echo "self-test: the planted faults were found"
    exit 0
fi
ROOT=${1:-$(cd "$(dirname "$SELF")/../.." && pwd)}

# The floors, from the ground up.
declare -A FLOOR=([base]=0 [sysinfo]=1 [devsetup]=1 [crash]=2 [ui]=2 [installer]=3 [coinstaller]=3)

failures=0
finding() { echo "FAIL: $1"; failures=$((failures + 1)); }

for folder in "${!FLOOR[@]}"; do
    for file in "$ROOT/$folder"/*.{h,cpp,rc}; do
        [ -f "$file" ] || continue
        while IFS=: read -r line text; do
            target=$(echo "$text" | sed 's/.*"\(.*\)".*/\1/')
            used=${target%%/*}
            [ -n "${FLOOR[$used]+set}" ] || continue
            if [ "$used" != "$folder" ] && [ "${FLOOR[$used]}" -ge "${FLOOR[$folder]}" ]; then
                finding "$folder/$(basename "$file"):$line includes $target from floor ${FLOOR[$used]}, not below floor ${FLOOR[$folder]}"
            fi
        done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+/[^"]+"' "$file")
    done
done

# A source named with a folder in it ("../x.cpp", "${PROJECT_SOURCE_DIR}/x/y.cpp")
# comes from another folder; the current folder's own full paths are fine.
# tests/native is a separate host build of the product's pure files and may.
while read -r cmakelists; do
    rel=${cmakelists#"$ROOT"/}
    case "$rel" in tests/native/*) continue ;; esac
    while IFS=: read -r line token; do
        case "$token" in
            '${CMAKE_CURRENT_SOURCE_DIR}'/*/*) ;;
            '${CMAKE_CURRENT_SOURCE_DIR}'/* | '${CMAKE_CURRENT_BINARY_DIR}'/*) continue ;;
        esac
        # The tests folder builds its own support files.
        [ "$rel" = tests/CMakeLists.txt ] && case "$token" in support/*) continue ;; esac
        finding "$rel:$line compiles $token from another folder"
    done < <(grep -noE '[^[:space:]()"]*/[^[:space:]()"]*\.(cpp|c|cc|rc|def)\b' "$cmakelists")
done < <(find "$ROOT" -name CMakeLists.txt -not -path '*/build*' -not -path '*/.git/*')

if [ "$failures" -gt 0 ]; then
    echo "floors: $failures finding(s)"
    exit 1
fi
echo "floors: every include and every source stays on its floor"
