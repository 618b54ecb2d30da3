#!/bin/bash
# Builds the release configuration and writes what a maker ships: the
# install CD's tree of our own files, an ISO 9660 image of it with Joliet
# names, and SHA256SUMS of the deliverables and the image.
#
#   scripts/release.sh [--out FOLDER]      (default: release/)
#
# Reproducible: the PE time stamps, the files' and the image's dates come
# from SOURCE_DATE_EPOCH, by default the last commit's time, so two builds of
# one commit give the same bytes wherever and whenever they run.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

OUT=$ROOT/release
while [ $# -gt 0 ]; do
    case "$1" in
        --out) [ $# -ge 2 ] || { echo "usage: $0 [--out FOLDER]" >&2; exit 2; }; OUT=$2; shift 2 ;;
        *) echo "usage: $0 [--out FOLDER]" >&2; exit 2 ;;
    esac
done

prepare_machine
if ! command -v xorriso >/dev/null; then
    [ "$(id -u)" = 0 ] || { echo "release: xorriso is missing; as root: apt-get install xorriso" >&2; exit 1; }
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq xorriso >/dev/null || exit 1
fi
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$ROOT" log -1 --format=%ct)}
BUILD=$ROOT/build-release
rm -rf "$BUILD"
echo "release: building the release configuration (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH)"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DBRAMCOT_TESTS=OFF >/dev/null || exit 1
cmake --build "$BUILD" >/dev/null || { cmake --build "$BUILD"; exit 1; }

rm -rf "$OUT"
CD=$OUT/cd
mkdir -p "$CD" || exit 1
cp "$BUILD/bin/Bramcot.exe" "$BUILD/bin/Coldrune.dll" "$BUILD/bin/RTL2831UBDA.inf" \
   "$BUILD/bin/RTL2831UBDA.sys" "$BUILD/bin/RTL2831UUSB.sys" "$CD/" || exit 1
printf '%s\r\n' \
    "Tarnvik DVB-T Driver Installer, the install CD's own files." \
    "" \
    "Bramcot.exe     the installer: stages the driver package and installs it" \
    "Coldrune.dll    the co-installer the driver package names" \
    "RTL2831U*.*     the driver package" \
    "" \
    "The maker adds its third-party software before pressing the CD:" \
    "Zovodav\\setup.exe (the CD's marker), Zovodav\\DirectX\\ (the DirectX" \
    "setup) and _exec\\ (Tollet.exe and the VaskDT*.exe programs)." > "$CD/README.txt"
# As on a pressed CD: read-only, one date for everything.
find "$CD" -type f -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} + -exec chmod 0444 {} +
touch -d "@$SOURCE_DATE_EPOCH" "$CD"

# xorriso takes its dates from SOURCE_DATE_EPOCH; files go in name order.
IMAGE=$OUT/bramcot-cd.iso
log=$(xorriso -as mkisofs -o "$IMAGE" -V TARNVIK_DVBT -J -joliet-long -r \
    --modification-date="$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y%m%d%H%M%S00)" "$CD" 2>&1) || { echo "$log"; exit 1; }

( cd "$OUT" && sha256sum cd/Bramcot.exe cd/Coldrune.dll "$(basename "$IMAGE")" > SHA256SUMS ) || exit 1
echo "release: written to $OUT"
cat "$OUT/SHA256SUMS"
