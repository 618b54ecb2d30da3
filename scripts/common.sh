# Shared by test.sh and demo.sh: installs what is missing, then picks a build
# folder the unprivileged test user can read.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
HARNESS=$ROOT/tests/harness/wine-harness.sh
export HARNESS_USER=${HARNESS_USER:-bramtest}

prepare_machine() {
    "$ROOT/scripts/install-deps.sh" || exit 1
    if [ "$(id -u)" = 0 ]; then
        HARNESS_DIR=/nonexistent "$HARNESS" ensure-user || exit 1
    fi
}

# Prints a build folder for NAME: inside the checkout when the test user can
# read it there, else under /var/tmp (a checkout in a private home folder).
pick_build_dir() {
    local dir=$ROOT/$1
    if [ "$(id -u)" = 0 ]; then
        mkdir -p "$dir"
        if ! runuser -u "$HARNESS_USER" -- test -r "$dir" -a -x "$dir"; then
            dir=/var/tmp/bramcot-$(echo "$ROOT" | md5sum | cut -c1-8)/$1
            mkdir -p "$dir"
            chmod 755 "$(dirname "$dir")"
        fi
    fi
    echo "$dir"
}
