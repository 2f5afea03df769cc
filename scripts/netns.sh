# Private network namespaces for everything here that speaks GigE Vision, so
# that no packet (a discovery broadcast included) ever leaves loopback.
# Sourced by the demo's and the benchmark's Aravis steps and by the launcher
# of the GigE Vision tests.
#
#   netns_flags             prints the unshare flags that make a private network
#                           and PID namespace here (-npf as root, -rnpf in a user
#                           namespace otherwise); fails when neither works
#   netns_loopback_only     inside one: brings lo up, and exits 1 when any
#                           other interface is up
#   netns_add_loopback ADDRESS...
#                           inside one: puts more addresses (127.0.0.2, ...) on
#                           lo, so that several GigE Vision fakes can serve side
#                           by side (each finds its interface by its address)
#   gige_fake_start SERIAL  starts Aravis's GigE Vision fake camera on 127.0.0.1
#                           and waits until it answers; it is killed when the
#                           shell exits

netns_flags() {
    if [ "$(id -u)" -eq 0 ]; then
        unshare -npf true 2>/dev/null && echo "-npf"
    else
        unshare -rnpf true 2>/dev/null && echo "-rnpf"
    fi
}

netns_loopback_only() {
    ip link set lo up
    # Asked over netlink: sysfs still shows the namespace it was mounted in.
    local up
    up="$(ip -o link show up | awk -F': ' '$2 != "lo" { print $2 }')"
    if [ -n "$up" ]; then
        echo "$(basename "$0"): refusing to run: interface(s) up inside the namespace: $up" >&2
        exit 1
    fi
}

netns_add_loopback() {
    local address
    for address in "$@"; do
        ip addr add "$address/8" dev lo
    done
}

gige_fake_start() {
    arv-fake-gv-camera-0.8 -i 127.0.0.1 -s "$1" >/dev/null 2>&1 &
    gige_fake_pid=$!
    trap 'kill $gige_fake_pid 2>/dev/null; wait $gige_fake_pid 2>/dev/null || true' EXIT
    for _ in $(seq 50); do
        arv-tool-0.8 -a 127.0.0.1 control DeviceModelName >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "$(basename "$0"): the GigE Vision fake camera did not answer on 127.0.0.1" >&2
    return 1
}
