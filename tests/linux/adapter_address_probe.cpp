// Looks up the adapter address of each address given, printing one line per
// lookup: "<address> <MAC or -> <milliseconds>". Sends ARP requests and UDP
// datagrams, so it runs only inside a network namespace made for the purpose:
// the one named by VELDARO_NEIGH_NETNS ("vng-..."), never the host's own.
#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "adapter_address.h"
#include "mac_text.h"
#include "private_namespace_guard.h"

namespace {

bool InsidePrivateNamespace() {
  return veldaro::testing_support::InsidePrivateNamespace("VELDARO_NEIGH_NETNS", "vng-");
}

std::string Lookup(const in_addr& address) {
  const auto mac = veldaro::linux_net::FindAdapterAddress(address);
  return mac ? veldaro::FormatMacText(*mac) : "-";
}

}  // namespace

int main(int argc, char** argv) {
  if (!InsidePrivateNamespace()) {
    std::fprintf(stderr, "refusing to run: not inside the private vng- network namespace\n");
    return 2;
  }
  // "-jN ADDRESS": N lookups of one address from N threads at once; all must agree.
  for (int i = 1; i < argc; ++i) {
    int threads = 1;
    std::string text = argv[i];
    if (text.rfind("-j", 0) == 0 && i + 1 < argc) {
      threads = std::atoi(text.c_str() + 2);
      text = argv[++i];
    }
    in_addr address{};
    if (threads < 1 || inet_pton(AF_INET, text.c_str(), &address) != 1) {
      std::fprintf(stderr, "bad argument %s\n", text.c_str());
      return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> results(static_cast<std::size_t>(threads));
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
      workers.emplace_back([&results, t, address] { results[static_cast<std::size_t>(t)] = Lookup(address); });
    }
    for (auto& worker : workers) worker.join();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    for (const auto& result : results) {
      if (result != results[0]) {
        std::printf("%s DISAGREE %.3f\n", text.c_str(), ms);
        return 1;
      }
    }
    std::printf("%s %s %.3f\n", text.c_str(), results[0].c_str(), ms);
    std::fflush(stdout);
  }
  return 0;
}
