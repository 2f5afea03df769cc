#!/usr/bin/env bash
# Runs a test program inside a private network namespace that holds nothing
# but loopback, so that GigE Vision traffic (and any discovery broadcast)
# never leaves the machine. CTest uses it as the test program's launcher.
#
#   root:       unshare -npf   (must work; when it cannot, the test fails)
#   not root:   unshare -rnpf  (in a user namespace); skipped (exit 77, with
#                              a message) only where no namespace can be made
# The test is the first process of a private PID namespace too, so a fake
# camera server it started dies with it, even when the test is killed.
# Refuses to run (exit 1) when any interface other than lo is up inside.
# lo carries 127.0.0.2 and 127.0.0.3 too, for tests with several fake cameras.
#
# A Windows test program (.exe, the cross build) runs under Wine with a Wine
# prefix of its own, $VXCAM_WINEPREFIX-netns: Wine's server creates the
# program's sockets, so it must be started inside the namespace too, and the
# PID namespace ends it with the test. Such tests run one at a time. A script
# that starts Windows programs itself gets the same with VXCAM_NETNS_WINE=1.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

run=("$@")
case "${1:-}" in
*.exe) run=("$here/../../scripts/wine_run.sh" "$@") ;;
esac

for arg in "$@"; do
    # Listing the tests needs no camera and no network.
    if [ "$arg" = "--gtest_list_tests" ]; then
        exec "${run[@]}"
    fi
done

source "$(dirname "$0")/../../scripts/netns.sh"
if [ "${VXCAM_IN_NETNS:-0}" != 1 ]; then
    if flags="$(netns_flags)"; then
        VXCAM_IN_NETNS=1 exec unshare "$flags" --kill-child "$0" "$@"
    fi
    if [ "$(id -u)" -eq 0 ]; then
        echo "in_netns.sh: running as root but 'unshare -npf' fails here; cannot run the GigE Vision tests" >&2
        exit 1
    fi
    echo "SKIPPED: no private network namespace can be made here (not root, and user namespaces are" \
        "not allowed); the GigE Vision tests need one" >&2
    exit 77
fi

netns_loopback_only
netns_add_loopback 127.0.0.2 127.0.0.3
if [ "${run[0]}" != "$1" ] || [ "${VXCAM_NETNS_WINE:-0}" = 1 ]; then
    . "$here/../../scripts/windows_env.sh"
    export VXCAM_WINEPREFIX="$VXCAM_WINEPREFIX-netns"
    # A server of this prefix left running elsewhere would hold the sockets
    # outside the namespace: end it, so that ours starts here.
    WINEPREFIX="$VXCAM_WINEPREFIX" "$(dirname "$(command -v wine64 || echo /usr/lib/wine/wine64)")/wineserver" -k \
        2>/dev/null || true
fi
exec "${run[@]}"
