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
#   gige_fake_start SERIAL [ADDRESS]
#                           starts Aravis's GigE Vision fake camera on 127.0.0.1
#                           (or ADDRESS, on lo first) and waits until it
#                           answers; every fake started is killed when the
#                           shell exits
#
# Network faults on purpose, with nftables, inside such a namespace only (they
# refuse to run where any interface but lo exists). Rules sit on the output
# hook: Aravis reads stream packets through a packet socket, which sees them
# before an input-hook rule could drop them. Control packets are UDP to or from
# port 3956 (GVCP); stream packets are every other UDP packet. With ADDRESS,
# only the packets of the camera at that address (127.0.0.2, ...) suffer.
#
#   netns_impair_stream_loss RATIO [ADDRESS]
#                           drops that share (0.01 is 1 %) of stream packets at
#                           random, until cleared
#   netns_impair_control_loss RATIO [ADDRESS]
#                           drops that share of control packets at random (both
#                           ways), until cleared
#   netns_impair_stream_outage SECONDS [ADDRESS]
#                           drops every stream packet for SECONDS (control still
#                           answers), then ends that outage; returns then
#   netns_impair_outage SECONDS [ADDRESS]
#                           drops every packet, control too (a pulled cable),
#                           for SECONDS, then ends that outage; returns then
#   netns_impair_clear      ends every impairment

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

gige_fake_pids=()

# Whether a GigE Vision camera answers at ADDRESS. arv-tool exits with 0 also
# when it cannot connect, so its output tells.
gige_answers() {
    arv-tool-0.8 -a "$1" control DeviceModelName 2>/dev/null | grep -q '^DeviceModelName = '
}

gige_fake_start() {
    local address="${2:-127.0.0.1}"
    arv-fake-gv-camera-0.8 -i "$address" -s "$1" >/dev/null 2>&1 &
    gige_fake_pids+=($!)
    trap '[ "${#gige_fake_pids[@]}" -eq 0 ] || { kill "${gige_fake_pids[@]}" 2>/dev/null; wait "${gige_fake_pids[@]}" 2>/dev/null; } || true' EXIT
    for _ in $(seq 50); do
        gige_answers "$address" && return 0
        sleep 0.1
    done
    echo "$(basename "$0"): the GigE Vision fake camera did not answer on $address" >&2
    return 1
}

# Ends every fake gige_fake_start started, and makes sure none answers any
# more at ADDRESS... (a later step must not measure a fake left running).
gige_fake_stop_all() {
    local address
    if [ "${#gige_fake_pids[@]}" -gt 0 ]; then
        kill "${gige_fake_pids[@]}" 2>/dev/null || true
        wait "${gige_fake_pids[@]}" 2>/dev/null || true
    fi
    gige_fake_pids=()
    for address in "$@"; do
        if gige_answers "$address"; then
            echo "$(basename "$0"): a GigE Vision camera still answers on $address after its fake was ended" >&2
            return 1
        fi
    done
}

netns_impair_table="inet vxcam_impair"

# Refuses (status 1) outside a namespace holding nothing but lo, then makes
# the table and its output chain when missing.
_netns_impair_ready() {
    local others
    others="$(ip -o link show | awk -F': ' '$2 != "lo" { print $2 }')"
    if [ -n "$others" ]; then
        echo "netns.sh: refusing to impair the network outside a loopback-only namespace (found: $others)" >&2
        return 1
    fi
    nft add table $netns_impair_table &&
        nft add chain $netns_impair_table output '{ type filter hook output priority 0; }'
}

# Prints the nftables match of that share of packets (random), or fails.
_netns_impair_share() {
    local share
    share="$(awk -v r="$1" 'BEGIN { if (r !~ /^[0-9]*\.?[0-9]+$/ || r > 1) exit 1; printf "%d", r * 10000 + 0.5 }')" || {
        echo "netns.sh: a loss ratio is a number from 0 to 1 (0.01 is 1 %), not '$1'" >&2
        return 1
    }
    echo "numgen random mod 10000 lt $share"
}

# Adds a rule to the impairment chain and prints its handle.
_netns_impair_rule() {
    nft --echo --handle add rule $netns_impair_table output "$@" | sed -n 's/.*# handle \([0-9]*\)$/\1/p'
}

# Matches of the packets of the camera at $1 (all when empty), one line each.
# Stream packets come from the camera; control packets go both ways.
_netns_impair_stream_match() {
    echo "${1:+ip saddr $1 }udp sport != 3956 udp dport != 3956"
}
_netns_impair_control_matches() {
    echo "${1:+ip daddr $1 }udp dport 3956"
    echo "${1:+ip saddr $1 }udp sport 3956"
}
_netns_impair_all_matches() {
    if [ -n "$1" ]; then
        echo "ip saddr $1"
        echo "ip daddr $1"
    else
        echo "meta nfproto ipv4"
    fi
}

netns_impair_stream_loss() {
    local share
    share="$(_netns_impair_share "$1")" && _netns_impair_ready || return 1
    # shellcheck disable=SC2046 # the match is words for nft
    _netns_impair_rule $(_netns_impair_stream_match "${2:-}") $share drop >/dev/null
}

netns_impair_control_loss() {
    local share match
    share="$(_netns_impair_share "$1")" && _netns_impair_ready || return 1
    while read -r match; do
        # shellcheck disable=SC2086
        _netns_impair_rule $match $share drop >/dev/null || return 1
    done < <(_netns_impair_control_matches "${2:-}")
}

# _netns_impair_for SECONDS MATCHES: drops what the matches (one a line) match
# for SECONDS, then removes those rules only.
_netns_impair_for() {
    local seconds="$1" match handles=() handle
    if ! awk -v s="$seconds" 'BEGIN { exit !(s ~ /^[0-9]*\.?[0-9]+$/) }'; then
        echo "netns.sh: an outage lasts a number of seconds, not '$seconds'" >&2
        return 1
    fi
    _netns_impair_ready || return 1
    while read -r match; do
        # shellcheck disable=SC2086
        handle="$(_netns_impair_rule $match drop)" && [ -n "$handle" ] || return 1
        handles+=("$handle")
    done <<<"$2"
    sleep "$seconds"
    for handle in "${handles[@]}"; do
        nft delete rule $netns_impair_table output handle "$handle"
    done
}

netns_impair_stream_outage() {
    _netns_impair_for "$1" "$(_netns_impair_stream_match "${2:-}")"
}

netns_impair_outage() {
    _netns_impair_for "$1" "$(_netns_impair_all_matches "${2:-}")"
}

netns_impair_clear() {
    _netns_impair_ready || return 1
    nft delete table $netns_impair_table
}
