#pragma once

#include <string>
#include <vector>

namespace veldaro::lan {

// One host of the simulated LAN as lan-up described it.
struct LanHost {
  std::string name;       // code page 936, as the network neighbourhood gives it
  std::string workgroup;  // code page 936
  std::string ipv4;       // dotted text
  std::string mac;        // "02-00-0A-E7-00-15": how LookUpMacText writes it
  bool in_hosts_file = false;
  bool dead = false;      // listed in the browse list, but answers nothing
  std::string also_in;    // a second workgroup it is listed in, or empty
};

// One line of smbtree's listing: a server and the workgroup it stands in.
struct ListedServer {
  std::string workgroup;  // code page 936
  std::string name;       // code page 936, without the backslashes
};

// Empty when this process runs inside the client namespace of the simulated
// LAN (the marker lan-exec sets, and the LAN's interface as the only one
// besides loopback); otherwise why not. Nothing here sends any traffic.
std::string WhyNotInsideLan();

// The hosts of the running LAN, from the description lan-up wrote.
std::vector<LanHost> ReadLanHosts();

// What Samba's smbtree lists right now, in its order.
std::vector<ListedServer> RunSmbtree();

// The host with this name; aborts the test program when there is none.
const LanHost& HostNamed(const std::vector<LanHost>& hosts, const std::string& name);

}  // namespace veldaro::lan
