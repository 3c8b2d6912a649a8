# Shared by the LAN scripts: names and addresses of the simulated LAN.
# Everything lives on a private subnet inside network namespaces that are
# linked only to one another, never to this machine's own interfaces.

readonly LAN_SUBNET_PREFIX=10.231.0
readonly LAN_PREFIX_LENGTH=24
readonly LAN_CLIENT_ADDRESS=${LAN_SUBNET_PREFIX}.10
readonly LAN_CLIENT_MAC=02:00:0a:e7:00:0a
# Hosts take addresses from .21 on, in the order of the LAN file.
readonly LAN_FIRST_HOST_OCTET=21
# The client's one interface: the network tests look for it to make sure
# they run inside the LAN.
readonly LAN_CLIENT_IFACE=veldaro0

lan_die() {
  echo "lan: $*" >&2
  exit 1
}

# Reads STATE_DIR/lan.env, written by lan-up.
lan_load_state() {
  local state_dir=$1
  [ -f "$state_dir/lan.env" ] || lan_die "no LAN state in $state_dir"
  # shellcheck disable=SC1091
  . "$state_dir/lan.env"
}
