#!/usr/bin/env bash
# What Veldaro does on the wire, seen from outside the app while it scans the
# simulated LAN:
# - it runs as an unprivileged user (nobody) and still fills its list with
#   every listed server's name, address and MAC, in walk order;
# - it never listens: no TCP socket in LISTEN state, no UDP socket on a fixed
#   (service) port, sampled from the client namespace throughout the scan;
# - a capture of the client's port on the LAN's switch holds only what the
#   queries need: NetBIOS name/datagram service (UDP 137/138) to the LAN, SMB
#   (TCP 139/445) to the listed servers (the master browsers among them), the
#   discard datagram (UDP 9) to resolved addresses, and ARP. No DNS, mDNS or
#   LLMNR, no IPv6, nothing off the LAN's subnet.
#
#   wire_lan_test.sh STATE_DIR LAN_APP_PROBE
#
# Runs as root outside the LAN's namespaces (it captures in the switch
# namespace and starts the app in the client namespace); exits 77 (skipped)
# where that cannot be done. Sends nothing itself: only the app, inside the
# client namespace, talks to the LAN.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
. "$here/lan-common.sh"

readonly SKIP=77
# The probe bounds the scan itself (180 s); this only catches a probe that
# never ends.
readonly APP_TIMEOUT_S=240
# How long tcpdump gets to open the port before the app starts.
readonly CAPTURE_START_TIMEOUT_S=10
# Pause between two looks at the app's sockets: short beside a scan of the
# default LAN (seconds), so every phase of it is seen.
readonly SOCKET_POLL_INTERVAL_S=0.05
# Ports below this are service ports: a client only ever binds above them.
readonly FIRST_EPHEMERAL_PORT=1024
# The unprivileged user the app runs as.
readonly APP_USER=nobody

skip() { echo "SKIPPED: $*" >&2; exit "$SKIP"; }
fail() { echo "FAILED: $*" >&2; failed=1; }

[ $# -eq 2 ] || { echo "usage: wire_lan_test.sh STATE_DIR LAN_APP_PROBE" >&2; exit 2; }
state_dir=$1
probe=$2
[ "$(id -u)" -eq 0 ] || skip "needs root to capture in the LAN's switch namespace"
[ -f "$state_dir/lan.env" ] || skip "the simulated LAN is not up (its set-up was skipped or failed)"
for tool in tcpdump ss setpriv iconv; do
  command -v "$tool" > /dev/null || skip "$tool is not installed"
done
id "$APP_USER" > /dev/null 2>&1 || skip "no user $APP_USER to run the app as"
[ -x "$probe" ] || skip "no app probe at $probe"
lan_load_state "$state_dir"

work=$(mktemp -d /tmp/veldaro-wire.XXXXXX)
tcpdump_pid=""
app_pid=""
cleanup() {
  if [ -n "$app_pid" ]; then kill -KILL "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true; fi
  if [ -n "$tcpdump_pid" ]; then kill -TERM "$tcpdump_pid" 2>/dev/null || true; wait "$tcpdump_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
failed=0

# --- a home of the app's own user: its libsmbclient configuration with
# private lock and cache directories, as the LAN's client has
chmod 755 "$work"
home=$work/home
mkdir -p "$home/.smb" "$work/runtime"
for d in lock state cache private pid ncalrpc; do mkdir -p "$home/samba/$d"; done
cat > "$home/.smb/smb.conf" <<CONF
[global]
  lock directory = $home/samba/lock
  state directory = $home/samba/state
  cache directory = $home/samba/cache
  private dir = $home/samba/private
  pid directory = $home/samba/pid
  ncalrpc dir = $home/samba/ncalrpc
  log file = $home/samba/log.%m
CONF
chown -R "$APP_USER" "$home" "$work/runtime"
chmod 700 "$work/runtime"
# The probe must be reachable by the app's user, wherever the build tree is.
setpriv --reuid="$APP_USER" --regid="$(id -g "$APP_USER")" --clear-groups test -x "$probe" ||
  skip "$APP_USER cannot run $probe (a directory on its way is closed to others)"

# --- the capture: the client's own port on the switch, so it sees every
# frame the client sends and nothing of the host-to-host chatter
ip netns exec "$LAN_SWITCH_NS" tcpdump -i pc -n -U -Z root -w "$work/wire.pcap" 2> "$work/tcpdump.err" &
tcpdump_pid=$!
deadline=$(( $(date +%s) + CAPTURE_START_TIMEOUT_S ))
until grep -q 'listening on' "$work/tcpdump.err"; do
  kill -0 "$tcpdump_pid" 2>/dev/null || { cat "$work/tcpdump.err" >&2; skip "tcpdump cannot capture here"; }
  [ "$(date +%s)" -lt "$deadline" ] || skip "tcpdump did not start"
  sleep 0.1
done

# --- the app, unprivileged, in the client namespace. ip netns exec, setpriv
# and env each exec the next, so $! is the app itself.
ip netns exec "$LAN_CLIENT_NS" setpriv --reuid="$APP_USER" --regid="$(id -g "$APP_USER")" --clear-groups \
  env -i HOME="$home" XDG_RUNTIME_DIR="$work/runtime" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen \
  VELDARO_LAN_CLIENT="$LAN_CLIENT_NS" VELDARO_LAN_IFACE="$LAN_CLIENT_IFACE" \
  "$probe" > "$work/rows" 2> "$work/app.err" &
app_pid=$!

# Its sockets, looked at until it ends: "state local-address:port" per line.
deadline=$(( $(date +%s) + APP_TIMEOUT_S ))
saw_uid=""
# The kernel keeps 15 characters of a command's name.
probe_comm=$(basename "$probe" | cut -c1-15)
: > "$work/sockets"
while kill -0 "$app_pid" 2>/dev/null; do
  # Until the exec chain reaches the probe, the PID still runs ip or setpriv
  # (as root): only the probe's own credentials count.
  if [ "$(cat "/proc/$app_pid/comm" 2>/dev/null)" = "$probe_comm" ]; then
    saw_uid=$(awk '/^Uid:/ { print $3 }' "/proc/$app_pid/status" 2>/dev/null || true)
  fi
  ip netns exec "$LAN_CLIENT_NS" ss -H -a -n -p -t -u -w 2>/dev/null |
    awk -v pid="pid=$app_pid," 'index($0, pid) { print $1, $2, $5 }' >> "$work/sockets" || true
  if [ "$(date +%s)" -ge "$deadline" ]; then fail "the app did not finish within ${APP_TIMEOUT_S}s"; break; fi
  sleep "$SOCKET_POLL_INTERVAL_S"
done
app_status=0
wait "$app_pid" || app_status=$?
app_pid=""
kill -TERM "$tcpdump_pid" 2>/dev/null || true
wait "$tcpdump_pid" 2>/dev/null || true
tcpdump_pid=""

# --- it ran unprivileged, and its list filled
[ "$saw_uid" = "$(id -u "$APP_USER")" ] || fail "the app ran as uid '${saw_uid}', not as $APP_USER"
[ "$app_status" -eq 0 ] || { fail "the app probe exited with $app_status"; cat "$work/app.err" >&2; }
# Expected: every server smbtree lists, in its order, with the address and MAC
# of its host (none for a dead host).
"$here/lan-smbtree" "$state_dir" 2> /dev/null | cut -f2 > "$work/listed"
awk -F '\t' '
  NR == FNR { mac = toupper($4); gsub(":", "-", mac)
              row[$1] = $6 == "dead" ? $1 "\t\t" : $1 "\t" $3 "\t" mac; next }
  { print ($1 in row) ? row[$1] : $1 "\t?\t?" }' "$LAN_STATE_DIR/describe.tsv" "$work/listed" > "$work/expected"
# The app's cells are code page 936 (GB18030 beyond it); the description is UTF-8.
iconv -f GB18030 -t UTF-8 "$work/rows" > "$work/rows.utf8" || fail "the app's rows are not code page 936 text"
[ -s "$work/expected" ] || fail "smbtree lists no servers: nothing to compare the app's list with"
if ! diff -u "$work/expected" "$work/rows.utf8" >&2; then fail "the app's list (+) is not what the LAN holds (-)"; fi

# --- it never listened
sort -u "$work/sockets" > "$work/sockets.seen"
echo "sockets the app held during the scan (state, netid, local address):" >&2
sed 's/^/  /' "$work/sockets.seen" >&2
awk '$1 == "tcp" && $2 == "LISTEN"' "$work/sockets.seen" > "$work/listening"
# A UDP socket the app binds to a service port (137, 138, ...) would make it
# answer the LAN; its queries' sockets take ephemeral ports.
awk -v first="$FIRST_EPHEMERAL_PORT" \
  '$1 == "udp" { n = split($3, a, ":"); if (a[n] != "*" && a[n] + 0 < first) print }' \
  "$work/sockets.seen" >> "$work/listening"
# Raw sockets would need privileges the app must not rely on.
awk '$1 == "raw"' "$work/sockets.seen" >> "$work/listening"
if [ -s "$work/listening" ]; then fail "the app listened: $(tr '\n' ';' < "$work/listening")"; fi
grep -q . "$work/sockets.seen" || fail "no socket of the app was ever seen: the look at its sockets is blind"

# --- the wire: count frames of the capture that match a filter
count() { tcpdump -r "$work/wire.pcap" -n "$1" 2> /dev/null | wc -l; }
show() { tcpdump -r "$work/wire.pcap" -n -e "$1" 2> /dev/null | head -n 10 | sed 's/^/  /' >&2; }
expect_none() {
  local what=$1 filter=$2 n
  n=$(count "$filter")
  if [ "$n" -ne 0 ]; then fail "$n frames of $what"; show "$filter"; fi
}
expect_some() {
  local what=$1 filter=$2
  [ "$(count "$filter")" -gt 0 ] || fail "no $what in the capture: it did not see the scan"
}

from_client="ether src $LAN_CLIENT_MAC"
subnet="${LAN_SUBNET_PREFIX}.0/${LAN_PREFIX_LENGTH}"
listed_hosts=""
resolved_hosts=""
while IFS=$'\t' read -r _ _ address _ _ state _; do
  listed_hosts+="${listed_hosts:+ or }dst host $address"
  [ "$state" = dead ] || resolved_hosts+="${resolved_hosts:+ or }dst host $address"
done < "$LAN_STATE_DIR/describe.tsv"
[ -n "$resolved_hosts" ] || resolved_hosts="dst host 0.0.0.0"

netbios="udp and (dst port 137 or dst port 138) and dst net $subnet"
smb="tcp and (dst port 139 or dst port 445) and ($listed_hosts)"
discard="udp and dst port 9 and ($resolved_hosts)"
# The kernel's port-unreachable answer to a late datagram for a query socket
# already closed (nmbd answers a broadcast query twice).
unreachable="icmp and icmp[icmptype] == icmp-unreach and dst net $subnet"
needed="arp or (ip and src host $LAN_CLIENT_ADDRESS and (($netbios) or ($smb) or ($discard) or ($unreachable)))"

expect_none "IPv6 on the client's port" "ip6"
expect_none "DNS, mDNS or LLMNR from the client" "$from_client and (port 53 or port 5353 or port 5355)"
expect_none "traffic from the client off the LAN's subnet" "$from_client and ip and not dst net $subnet"
expect_none "traffic from the client that no query needs" "$from_client and not ($needed)"
expect_some "NetBIOS name query from the client" "$from_client and udp dst port 137"
expect_some "SMB from the client" "$from_client and tcp and (dst port 139 or dst port 445)"
echo "frames from the client: $(count "$from_client") (NetBIOS $(count "$from_client and $netbios")," \
  "SMB $(count "$from_client and tcp and ($smb)"), discard $(count "$from_client and $discard")," \
  "ARP $(count "$from_client and arp"))" >&2

[ "$failed" -eq 0 ] || exit 1
echo "wire_lan_test: passed" >&2
