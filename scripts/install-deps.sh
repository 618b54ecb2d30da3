#!/bin/bash
# Installs the Debian packages the build, the tests and the demo need.
# Quick when everything is there. Run by a user who is not root, it installs
# nothing: it names what is missing and fails.
set -u

PACKAGES="cmake ninja-build g++-mingw-w64-i686 googletest wine wine32:i386 fonts-wine
xvfb xdotool imagemagick python3 g++ xorriso lldb"

missing=()
for pkg in $PACKAGES; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null)
    [ "$status" = "install ok installed" ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" != 0 ]; then
    echo "missing packages: ${missing[*]}" >&2
    echo "run this script as root once, or: apt-get install ${missing[*]}" >&2
    exit 1
fi

echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
fi
apt-get update -qq || exit 1
apt-get install -y -qq "${missing[@]}" >/dev/null || exit 1
echo "installed"
