#include "lan_environment.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "code_page_936.h"

namespace veldaro::lan {
namespace {

// The client's address on the LAN, as lan-common.sh gives it.
constexpr const char kClientAddress[] = "10.231.0.10";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, '\t')) fields.push_back(field);
  return fields;
}

// "02:00:0a:e7:00:15" -> "02-00-0A-E7-00-15"
std::string MacText(std::string mac) {
  for (char& c : mac) c = c == ':' ? '-' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return mac;
}

}  // namespace

std::string WhyNotInsideLan() {
  const std::string client = Env("VELDARO_LAN_CLIENT");
  const std::string iface = Env("VELDARO_LAN_IFACE");
  if (client.empty() || iface.empty()) return "the LAN's marker is not set: run me through tests/lan/lan-exec";
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return "cannot list the network interfaces";
  const std::unique_ptr<ifaddrs, decltype(&freeifaddrs)> owner(list, freeifaddrs);
  bool found = false;
  for (const ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
    if (a->ifa_name == nullptr || (a->ifa_flags & IFF_LOOPBACK) != 0) continue;
    if (iface != a->ifa_name) return std::string("interface ") + a->ifa_name + " is not the LAN's";
    if (a->ifa_addr != nullptr && a->ifa_addr->sa_family == AF_INET) {
      char text[INET_ADDRSTRLEN] = {};
      inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr, text, sizeof text);
      found = found || std::string(text) == kClientAddress;
    }
  }
  if (!found) return "no interface " + iface + " with address " + kClientAddress;
  return "";
}

std::vector<LanHost> ReadLanHosts() {
  std::ifstream in(Env("VELDARO_LAN_DESCRIBE"));
  std::vector<LanHost> hosts;
  std::string line;
  while (std::getline(in, line)) {
    const std::vector<std::string> f = SplitTabs(line);
    if (f.size() != 7) continue;
    LanHost host;
    host.name = linux_net::Utf8ToCp936(f[0]);
    host.workgroup = linux_net::Utf8ToCp936(f[1]);
    host.ipv4 = f[2];
    host.mac = MacText(f[3]);
    host.in_hosts_file = f[4] == "yes";
    host.dead = f[5] == "dead";
    if (f[6] != "-") host.also_in = linux_net::Utf8ToCp936(f[6]);
    hosts.push_back(host);
  }
  return hosts;
}

std::vector<ListedServer> RunSmbtree() {
  // Browse lists are SMB1 only; names on the wire are code page 936.
  const std::unique_ptr<FILE, decltype(&pclose)> pipe(
      popen("smbtree -S -U guest% --option='client min protocol=NT1' "
            "--option='client max protocol=NT1' --option='dos charset=CP936' 2>/dev/null",
            "r"),
      pclose);
  std::vector<ListedServer> servers;
  if (!pipe) return servers;
  std::string output;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) output.append(buffer, n);
  // A workgroup line, then "\t\\NAME<spaces><tabs>comment" per server.
  std::istringstream in(output);
  std::string line;
  std::string workgroup;
  while (std::getline(in, line)) {
    if (line.rfind("\t\\\\", 0) == 0) {
      const std::string rest = line.substr(3);
      const std::string name = rest.substr(0, rest.find_first_of(" \t"));
      servers.push_back({workgroup, linux_net::Utf8ToCp936(name)});
    } else if (!line.empty() && line[0] != '\t') {
      workgroup = linux_net::Utf8ToCp936(line.substr(0, line.find_last_not_of(" \t") + 1));
    }
  }
  return servers;
}

const LanHost& HostNamed(const std::vector<LanHost>& hosts, const std::string& name) {
  for (const LanHost& host : hosts) {
    if (host.name == name) return host;
  }
  std::fprintf(stderr, "the LAN has no host named %s\n", name.c_str());
  std::abort();
}

}  // namespace veldaro::lan
