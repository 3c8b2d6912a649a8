// Runs the NetBIOS-backed queries and prints one line per query:
//   resolve NAME      -> "resolve <address or -> <milliseconds>"
//   gate ADDRESS      -> "gate <pass|fail> <milliseconds>"
// A "-jN" before a query runs it from N threads at once; all must agree.
// Names are given in UTF-8 and handed on in code page 936, as a scan does.
// Sends broadcasts and unicast queries, so it runs only inside a network
// namespace made for the purpose: the one named by VELDARO_NETBIOS_NETNS
// ("vnb-..."), never the host's own.
#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "code_page_936.h"
#include "ipv4_resolver.h"
#include "reverse_name_gate.h"
#include "private_namespace_guard.h"

namespace {

bool InsidePrivateNamespace() {
  return veldaro::testing_support::InsidePrivateNamespace("VELDARO_NETBIOS_NETNS", "vnb-");
}

std::string Run(const std::string& query, const std::string& argument) {
  using namespace veldaro::linux_net;
  if (query == "resolve") {
    const std::string address = ResolveIPv4Text(Utf8ToCp936(argument));
    return address.empty() ? "-" : address;
  }
  in_addr address{};
  if (inet_pton(AF_INET, argument.c_str(), &address) != 1) return "bad-address";
  return HasReverseName(address) ? "pass" : "fail";
}

}  // namespace

int main(int argc, char** argv) {
  if (!InsidePrivateNamespace()) {
    std::fprintf(stderr, "refusing to run: not inside the private vnb- network namespace\n");
    return 2;
  }
  for (int i = 1; i < argc; ++i) {
    int threads = 1;
    if (std::strncmp(argv[i], "-j", 2) == 0) threads = std::atoi(argv[i++] + 2);
    if (threads < 1 || i + 1 >= argc) {
      std::fprintf(stderr, "usage: %s [-jN] resolve NAME | [-jN] gate ADDRESS ...\n", argv[0]);
      return 2;
    }
    const std::string query = argv[i];
    const std::string argument = argv[++i];
    if (query != "resolve" && query != "gate") {
      std::fprintf(stderr, "unknown query %s\n", query.c_str());
      return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> results(static_cast<std::size_t>(threads));
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
      workers.emplace_back([&, t] { results[static_cast<std::size_t>(t)] = Run(query, argument); });
    }
    for (auto& worker : workers) worker.join();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    for (const auto& result : results) {
      if (result != results[0]) {
        std::printf("%s DISAGREE %.3f\n", query.c_str(), ms);
        return 1;
      }
    }
    std::printf("%s %s %.3f\n", query.c_str(), results[0].c_str(), ms);
    std::fflush(stdout);
  }
  return 0;
}
