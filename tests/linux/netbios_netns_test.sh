#!/bin/bash
# Checks name resolution and the reverse-name gate against real nmbd hosts:
# private network namespaces on 10.231.250.0/24, a client holding a bridge and
# two hosts running nmbd (one with an ASCII name, one with a Chinese name sent
# in code page 936), and the probe run in the client. Nothing is created in,
# or sent from, the host's own namespace; everything is removed on exit.
# Usage: netbios_netns_test.sh <netbios_probe>
# Exit 77 (skipped) when network namespaces or nmbd are not available here.
set -euo pipefail

probe=${1:?usage: $0 <netbios_probe>}
if [[ $EUID -ne 0 ]] || ! command -v ip >/dev/null; then
  echo "skipped: making network namespaces needs root and iproute2"
  exit 77
fi
nmbd=$(command -v nmbd || echo /usr/sbin/nmbd)
if [[ ! -x $nmbd ]]; then
  echo "skipped: nmbd (Samba) is not installed"
  exit 77
fi

prefix="vnb-$(od -An -N4 -tx1 /dev/urandom | tr -d ' \n')"
client="$prefix-c"
readonly subnet=10.231.250
readonly client_address=$subnet.10
# name | address: the hosts that run nmbd.
readonly host_names=(NBHOST1 测试机)
readonly host_addresses=($subnet.21 $subnet.22)
# In the client's hosts file only, no machine behind it.
readonly file_host=FILEHOST file_host_address=$subnet.50

work=$(mktemp -d /tmp/veldaro-netbios.XXXXXX)
pids=()
namespaces=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  for ns in "${namespaces[@]}"; do ip netns del "$ns" 2>/dev/null || true; done
  rm -rf "/etc/netns/$client" "$work"
}
trap cleanup EXIT

if ! ip netns add "$client" 2>/dev/null; then
  echo "skipped: cannot make network namespaces here"
  exit 77
fi
namespaces+=("$client")
# The client's own resolver files: a hosts file, and no DNS server at all.
mkdir -p "/etc/netns/$client"
printf '127.0.0.1 localhost\n%s %s\n' "$file_host_address" "$file_host" >"/etc/netns/$client/hosts"
: >"/etc/netns/$client/resolv.conf"

ip netns exec "$client" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
ip -n "$client" link set lo up
ip -n "$client" link add vnb0 type bridge
ip -n "$client" addr add "$client_address/24" brd + dev vnb0
ip -n "$client" link set vnb0 up

for i in "${!host_names[@]}"; do
  ns="$prefix-$i"
  ip netns add "$ns"
  namespaces+=("$ns")
  ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
  ip -n "$ns" link set lo up
  # Made inside the client with its peer placed straight into the host: no
  # end ever exists in the host's own namespace.
  ip -n "$client" link add "vnbp$i" type veth peer name vnb0 netns "$ns"
  ip -n "$client" link set "vnbp$i" master vnb0 up
  ip -n "$ns" addr add "${host_addresses[$i]}/24" brd + dev vnb0
  ip -n "$ns" link set vnb0 up

  dir="$work/$i"
  mkdir -p "$dir"/{pid,lock,state,cache,private,ncalrpc,nmbd,log}
  # Everything private: nmbd's default directories are shared by every namespace.
  cat >"$dir/smb.conf" <<CONF
[global]
netbios name = ${host_names[$i]}
workgroup = VNBWG
interfaces = vnb0
bind interfaces only = yes
disable netbios = no
dos charset = CP936
name resolve order = bcast
local master = no
os level = 0
pid directory = $dir/pid
lock directory = $dir/lock
state directory = $dir/state
cache directory = $dir/cache
private dir = $dir/private
ncalrpc dir = $dir/ncalrpc
nmbd:socket dir = $dir/nmbd
log file = $dir/log/nmbd.log
load printers = no
printcap name = /dev/null
CONF
  ip netns exec "$ns" "$nmbd" -F -s "$dir/smb.conf" >"$dir/nmbd.out" 2>&1 &
  pids+=($!)
done

run_probe() {
  VELDARO_NETBIOS_NETNS="$client" ip netns exec "$client" "$probe" "$@"
}

# nmbd answers once it has registered its names; give it a bounded while.
for name in "${host_names[@]}"; do
  for _ in $(seq 20); do
    read -r _ address _ < <(run_probe resolve "$name")
    [[ $address != - ]] && break
  done
done

failures=0
expect() {  # expect <line> <query> <result>
  local query result ms
  read -r query result ms <<<"$1"
  if [[ $result != "$3" ]]; then
    echo "FAIL: $2: expected $3, got '$1'"
    failures=$((failures + 1))
  else
    echo "ok: $2 -> $3 in $ms ms"
  fi
  # Not a speed target: a query that outlives its tries by this much is hanging.
  if [[ ${ms%.*} -ge 10000 ]]; then
    echo "FAIL: $2 took $ms ms"
    failures=$((failures + 1))
  fi
}

mapfile -t lines < <(run_probe resolve nbhost1 resolve 测试机 resolve "$file_host" resolve nobody \
  resolve "" resolve averyverylongname)
expect "${lines[0]:-}" "resolve nbhost1 (NetBIOS, upper-cased)" "${host_addresses[0]}"
expect "${lines[1]:-}" "resolve 测试机 (code page 936 on the wire)" "${host_addresses[1]}"
expect "${lines[2]:-}" "resolve $file_host (hosts file)" "$file_host_address"
expect "${lines[3]:-}" "resolve nobody (no answer)" -
expect "${lines[4]:-}" "resolve the empty name (this computer)" "$client_address"
expect "${lines[5]:-}" "resolve a name too long for NetBIOS" -

mapfile -t lines < <(run_probe gate "${host_addresses[0]}" gate "${host_addresses[1]}" \
  gate "$file_host_address" gate "$client_address" gate $subnet.99)
expect "${lines[0]:-}" "gate ${host_addresses[0]} (node status)" pass
expect "${lines[1]:-}" "gate ${host_addresses[1]} (node status)" pass
expect "${lines[2]:-}" "gate $file_host_address (hosts file)" pass
expect "${lines[3]:-}" "gate $client_address (no name service there)" fail
expect "${lines[4]:-}" "gate $subnet.99 (nobody there)" fail

# Several threads at once.
mapfile -t lines < <(run_probe -j4 resolve nbhost1 -j4 resolve nobody -j4 gate "${host_addresses[1]}")
expect "${lines[0]:-}" "4 threads resolve nbhost1" "${host_addresses[0]}"
expect "${lines[1]:-}" "4 threads resolve nobody" -
expect "${lines[2]:-}" "4 threads gate ${host_addresses[1]}" pass

# The probe refuses to run outside its namespace. Given no query, it could
# send nothing even if that check were broken.
if VELDARO_NETBIOS_NETNS="$client" "$probe" >/dev/null 2>&1; then
  echo "FAIL: the probe ran outside its namespace"
  failures=$((failures + 1))
fi

exit $((failures > 0))
