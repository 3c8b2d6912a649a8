#!/bin/bash
# Checks the adapter-address lookup against a real kernel: two private network
# namespaces joined by a veth pair on 10.231.251.0/24 with fixed MACs, and the
# probe run in one of them. Nothing is created in, or sent from, the host's
# own namespace; everything is removed on exit.
# Usage: neighbour_netns_test.sh <adapter_address_probe>
# Exit 77 (skipped) when network namespaces cannot be made here.
set -euo pipefail

probe=${1:?usage: $0 <adapter_address_probe>}
if [[ $EUID -ne 0 ]] || ! command -v ip >/dev/null; then
  echo "skipped: making network namespaces needs root and iproute2"
  exit 77
fi

prefix="vng-$(od -An -N4 -tx1 /dev/urandom | tr -d ' \n')"
client="$prefix-a"
host="$prefix-b"
readonly client_mac=02:00:0a:e7:fb:01 host_mac=02:00:0a:e7:fb:02

cleanup() {
  ip netns del "$client" 2>/dev/null || true
  ip netns del "$host" 2>/dev/null || true
}
trap cleanup EXIT

if ! ip netns add "$client" 2>/dev/null; then
  echo "skipped: cannot make network namespaces here"
  exit 77
fi
ip netns add "$host"
for ns in "$client" "$host"; do
  # No IPv6 chatter (router solicitations, DAD) on the private link.
  ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
  ip -n "$ns" link set lo up
done
# The pair is made inside the client namespace with its peer placed straight
# into the host namespace: neither end ever exists in the host's own namespace.
ip -n "$client" link add vng0 address "$client_mac" type veth peer name vng0 netns "$host" address "$host_mac"
ip -n "$client" addr add 10.231.251.1/24 dev vng0
ip -n "$host" addr add 10.231.251.2/24 dev vng0
ip -n "$client" link set vng0 up
ip -n "$host" link set vng0 up
# A default route through the host: a datagram wrongly sent to an off-subnet
# address would reach it and show in its counters.
ip -n "$client" route add default via 10.231.251.2

run_probe() {
  VELDARO_NEIGH_NETNS="$client" ip netns exec "$client" "$probe" "$@"
}
host_rx_packets() {
  ip netns exec "$host" cat /sys/class/net/vng0/statistics/rx_packets
}

failures=0
expect() {  # expect <line> <address> <mac or ->
  local address mac ms
  read -r address mac ms <<<"$1"
  if [[ $address != "$2" || $mac != "$3" ]]; then
    echo "FAIL: $2: expected $3, got '$1'"
    failures=$((failures + 1))
  else
    echo "ok: $2 -> $3 in $ms ms"
  fi
  # Not a speed target: a lookup that outlives the kernel's own resolution
  # time by this much is hanging.
  if [[ ${ms%.*} -ge 10000 ]]; then
    echo "FAIL: $2 took $ms ms"
    failures=$((failures + 1))
  fi
}

mapfile -t lines < <(run_probe 10.231.251.2 10.231.251.2 10.231.251.1 10.231.251.99 10.231.251.255 10.231.251.0)
expect "${lines[0]:-}" 10.231.251.2 02-00-0A-E7-FB-02    # cold: resolved by the datagram
expect "${lines[1]:-}" 10.231.251.2 02-00-0A-E7-FB-02    # warm: from the table
expect "${lines[2]:-}" 10.231.251.1 02-00-0A-E7-FB-01    # this computer's own
expect "${lines[3]:-}" 10.231.251.99 -                   # nobody answers
expect "${lines[4]:-}" 10.231.251.255 -                  # the subnet's broadcast address
expect "${lines[5]:-}" 10.231.251.0 -                    # the subnet's network address

# Several threads at once, on a cold and on an unused address.
ip -n "$client" neigh flush dev vng0
mapfile -t lines < <(run_probe -j4 10.231.251.2 -j4 10.231.251.98)
expect "${lines[0]:-}" 10.231.251.2 02-00-0A-E7-FB-02
expect "${lines[1]:-}" 10.231.251.98 -

# A host that did not answer once (its entry FAILED) is resolved anew later.
ip -n "$client" neigh flush dev vng0
ip netns exec "$host" sysctl -qw net.ipv4.conf.all.arp_ignore=8   # answer no ARP at all
mapfile -t lines < <(run_probe 10.231.251.2)
expect "${lines[0]:-}" 10.231.251.2 -
ip netns exec "$host" sysctl -qw net.ipv4.conf.all.arp_ignore=0
mapfile -t lines < <(run_probe 10.231.251.2)
expect "${lines[0]:-}" 10.231.251.2 02-00-0A-E7-FB-02

# An entry set by hand is used as it stands.
ip -n "$client" neigh add 10.231.251.50 lladdr 02:00:00:00:00:50 nud permanent dev vng0
mapfile -t lines < <(run_probe 10.231.251.50)
expect "${lines[0]:-}" 10.231.251.50 02-00-00-00-00-50

# Off the subnet: nothing, and not a packet to the gateway.
before=$(host_rx_packets)
mapfile -t lines < <(run_probe 192.0.2.1 127.0.0.1)
after=$(host_rx_packets)
expect "${lines[0]:-}" 192.0.2.1 -
expect "${lines[1]:-}" 127.0.0.1 -    # loopback has no adapter address
if [[ $before != "$after" ]]; then
  echo "FAIL: the gateway received $((after - before)) packet(s) during the off-subnet lookup"
  failures=$((failures + 1))
fi

# The probe refuses to run outside its namespace. Given no address, it could
# send nothing even if that check were broken.
if VELDARO_NEIGH_NETNS="$client" "$probe" >/dev/null 2>&1; then
  echo "FAIL: the probe ran outside its namespace"
  failures=$((failures + 1))
fi

exit $((failures > 0))
