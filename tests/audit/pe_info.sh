# Readers of Windows binaries, shared by audit.sh and scripts/bench.sh (source
# this file). OBJDUMP, STRIP and OBJCOPY name the mingw-w64 tools.
OBJDUMP=${OBJDUMP:-i686-w64-mingw32-objdump}
STRIP=${STRIP:-i686-w64-mingw32-strip}
OBJCOPY=${OBJCOPY:-i686-w64-mingw32-objcopy}

# Prints "dll function" for every import, one per line, DLL in lower case;
# each DLL first appears once as "dll -".
imports_of() {
    "$OBJDUMP" -p "$1" | awk '
        /^\tDLL Name: / { dll = tolower($3); print dll " -"; next }
        /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ && dll != "" { print dll " " $3; next }
        /^$/ { }'
}

# Prints the imported DLL names of FILE, each followed by a blank.
imported_dlls() { imports_of "$1" | awk '$2 == "-" { printf "%s ", $1 }'; }

# Prints "STRIPPED BARE": the size in bytes of FILE stripped, and stripped
# without its resource section. FILE itself is left as it is.
stripped_sizes() {
    local tmp status
    tmp=$(mktemp -d) || return 1
    "$STRIP" -o "$tmp/stripped" "$1" && "$OBJCOPY" --remove-section=.rsrc "$tmp/stripped" "$tmp/bare" &&
        echo "$(stat -c %s "$tmp/stripped") $(stat -c %s "$tmp/bare")"
    status=$?
    rm -rf "$tmp"
    return $status
}
