// The scan on the simulated LAN, from inside its client namespace:
// - the neighbourhood walk (EnumerateServers of the real back-end) against
//   Samba's smbtree walking the same LAN, alternately, in the same run;
// - where the walk's time goes, level by level (one instrumented walk);
// - the per-host queries as a scan makes them (ResolveIPv4Text, then
//   LookUpMacText), and the two halves of LookUpMacText (the reverse-name gate
//   and the adapter address) on their own.
// It sends traffic, so it refuses to run anywhere but inside the LAN; run it
// through tests/lan/lan-exec (tools/bench does).
//
//   lan_scan_bench [--runs N] [--label TEXT]
//   lan_scan_bench --walk-once [by-name]   (one walk in this process; prints
//       the count; by-name leaves every server's address to libsmbclient)
#include <arpa/inet.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "adapter_address.h"
#include "bench_options.h"
#include "bench_stats.h"
#include "child_process.h"
#include "enumerate_servers.h"
#include "ipv4_text.h"
#include "lan_environment.h"
#include "mac_text.h"
#include "monotonic_clock.h"
#include "platform_network_queries.h"
#include "resource_enumerator.h"
#include "reverse_name_gate.h"
#include "smb_resource_enumerator.h"

namespace veldaro::bench {
namespace {

constexpr int kDefaultRuns = 3;
constexpr double kWalkRatioTarget = 0.5;
constexpr double kPerHostTargetMs = 20;

// --- the walk, level by level

enum Depth { kRootLevel, kWorkgroupsLevel, kServersLevel, kSharesLevel, kOtherLevel, kDepths };
const char* const kDepthNames[kDepths] = {"root (the network entry)", "smb:// (workgroups)",
                                          "smb://WORKGROUP (servers)", "smb://SERVER (shares)", "other"};

struct LevelTimes {
  std::vector<double> open_ms[kDepths];
  std::vector<double> read_ms[kDepths];
  std::vector<std::string> failed_opens;
};

Depth DepthBelow(const ResourceEntry* parent) {
  if (parent == nullptr) return kRootLevel;
  switch (parent->display_type) {
    case DisplayType::kNetwork: return kWorkgroupsLevel;
    case DisplayType::kDomain: return kServersLevel;
    case DisplayType::kServer: return kSharesLevel;
    default: return kOtherLevel;
  }
}

class TimedLevel final : public ResourceLevel {
 public:
  TimedLevel(std::unique_ptr<ResourceLevel> inner, std::vector<double>& reads)
      : inner_(std::move(inner)), reads_(reads) {}
  ReadResult ReadBatch(std::vector<ResourceEntry>& batch) override {
    const std::int64_t start = MonotonicNs();
    const ReadResult result = inner_->ReadBatch(batch);
    reads_.push_back(NsToMs(MonotonicNs() - start));
    return result;
  }

 private:
  std::unique_ptr<ResourceLevel> inner_;
  std::vector<double>& reads_;
};

// Times every level the walk opens and reads, by depth.
class TimedEnumerator final : public ResourceEnumerator {
 public:
  TimedEnumerator(ResourceEnumerator& inner, LevelTimes& times) : inner_(inner), times_(times) {}
  std::unique_ptr<ResourceLevel> OpenLevel(const ResourceEntry* parent) override {
    const Depth depth = DepthBelow(parent);
    const std::int64_t start = MonotonicNs();
    std::unique_ptr<ResourceLevel> level = inner_.OpenLevel(parent);
    times_.open_ms[depth].push_back(NsToMs(MonotonicNs() - start));
    if (!level) {
      times_.failed_opens.push_back(parent != nullptr ? parent->location : "(root)");
      return nullptr;
    }
    return std::make_unique<TimedLevel>(std::move(level), times_.read_ms[depth]);
  }

 private:
  ResourceEnumerator& inner_;
  LevelTimes& times_;
};

// --- smbtree

// Samba's own walk of the whole neighbourhood, shares included, as a user
// would run it; browse lists need SMB1 and the hosts speak code page 936.
// Returns the servers it listed, or -1 when it failed.
int RunSmbtree() {
  const ChildOutcome outcome =
      RunChild({"smbtree", "-U", "guest%", "--option=client min protocol=NT1",
                "--option=client max protocol=NT1", "--option=dos charset=CP936"},
               {}, true);
  if (!outcome.exited || outcome.exit_code != 0) return -1;
  int servers = 0;
  std::size_t at = 0;
  // A server line: one tab, then the two backslashes (shares have two tabs).
  for (std::size_t line = 0; line < outcome.output.size(); line = at + 1) {
    at = outcome.output.find('\n', line);
    if (at == std::string::npos) at = outcome.output.size();
    if (outcome.output.compare(line, 3, "\t\\\\") == 0) ++servers;
  }
  return servers;
}

// Forgets every neighbour of the client's interface, so that each round of
// MAC lookups starts from an empty table (the first scan after a while).
void FlushNeighbours() {
  const char* iface = std::getenv("VELDARO_LAN_IFACE");
  RunChild({"ip", "-4", "neigh", "flush", "dev", iface != nullptr ? iface : "veldaro0"}, {}, true);
}

// One walk in a process of its own, as the app's first scan makes it: nothing
// of libsmbclient's connection cache is left from an earlier walk, just as
// smbtree starts afresh. Returns the servers found, or -1.
int RunFreshWalk(bool by_name) {
  std::vector<std::string> argv = {"/proc/self/exe", "--walk-once"};
  if (by_name) argv.push_back("by-name");
  const ChildOutcome outcome = RunChild(argv, {}, true);
  if (!outcome.exited || outcome.exit_code != 0) return -1;
  return std::atoi(outcome.output.c_str());
}

double TimeMs(const std::function<void()>& work) {
  const std::int64_t start = MonotonicNs();
  work();
  return NsToMs(MonotonicNs() - start);
}

void PrintSummaryRow(const char* what, const std::vector<double>& ms, const char* target = "") {
  const Summary s = Summarise(ms);
  std::printf("| %s | %zu | %.2f | %.2f | %s |\n", what, s.count, s.median, s.max, target);
}

}  // namespace
}  // namespace veldaro::bench

int main(int argc, char** argv) {
  using namespace veldaro;
  using namespace veldaro::bench;
  const std::string why_not = lan::WhyNotInsideLan();
  if (!why_not.empty()) {
    std::fprintf(stderr, "REFUSING to run outside the simulated LAN: %s\n", why_not.c_str());
    return 1;
  }
  if (argc >= 2 && std::string(argv[1]) == "--walk-once") {
    // by-name: every server opened as smb://NAME, as before the provider
    // resolved servers itself; the yardstick for what that saves.
    const bool by_name = argc == 3 && std::string(argv[2]) == "by-name";
    linux_net::SmbResourceEnumerator enumerator;
    linux_net::SmbResourceEnumerator name_only([](const std::string&) { return std::string(); });
    std::printf("%zu\n", EnumerateServers(by_name ? name_only : enumerator).size());
    return 0;
  }
  const BenchOptions options = ParseBenchOptions(argc, argv, kDefaultRuns, "simulated LAN");
  const std::vector<lan::LanHost> hosts = lan::ReadLanHosts();
  const std::shared_ptr<NetworkQueries> queries = MakePlatformNetworkQueries();

  // --- one walk of each first, not counted: right after the LAN came up its
  // hosts are still busy announcing themselves, and whichever walk goes first
  // pays for it (measured: 66 s against 25 s for the same 50-host walk).
  const double first_walk_ms = TimeMs([&] { queries->EnumerateServers(); });
  const double first_smbtree_ms = TimeMs([] { RunSmbtree(); });

  // --- the walk against smbtree, alternately
  std::vector<double> walk_ms, smbtree_ms, paired, fresh_ms, fresh_paired, by_name_ms, by_name_paired;
  std::vector<std::size_t> walk_servers;
  std::vector<int> smbtree_servers, fresh_servers, by_name_servers;
  for (int run = 0; run < options.runs; ++run) {
    double walk = 0, tree = 0, fresh = 0, by_name = 0;
    const auto do_fresh = [&] {
      int found = 0;
      fresh = TimeMs([&] { found = RunFreshWalk(false); });
      fresh_servers.push_back(found);
      by_name = TimeMs([&] { found = RunFreshWalk(true); });
      by_name_servers.push_back(found);
    };
    const auto do_walk = [&] {
      std::size_t found = 0;
      walk = TimeMs([&] { found = queries->EnumerateServers().size(); });
      walk_servers.push_back(found);
    };
    const auto do_tree = [&] {
      int found = 0;
      tree = TimeMs([&] { found = RunSmbtree(); });
      smbtree_servers.push_back(found);
    };
    if (run % 2 == 0) { do_fresh(); do_walk(); do_tree(); } else { do_tree(); do_walk(); do_fresh(); }
    fresh_ms.push_back(fresh);
    fresh_paired.push_back(fresh / tree);
    by_name_ms.push_back(by_name);
    by_name_paired.push_back(by_name / tree);
    walk_ms.push_back(walk);
    smbtree_ms.push_back(tree);
    paired.push_back(walk / tree);
    std::fprintf(stderr,
                 "lan_scan_bench: run %d: fresh walk %.0f ms (%d servers), walk %.0f ms (%zu servers), "
                 "smbtree %.0f ms (%d servers)\n",
                 run + 1, fresh, fresh_servers.back(), walk, walk_servers.back(), tree, smbtree_servers.back());
  }

  // --- one walk, timed level by level
  LevelTimes levels;
  double instrumented_ms = 0;
  {
    linux_net::SmbResourceEnumerator real;
    TimedEnumerator timed(real, levels);
    instrumented_ms = TimeMs([&] { EnumerateServers(timed); });
  }

  // --- the queries per host, as a scan makes them, from an empty neighbour table
  std::vector<double> resolve_hosts_file, resolve_netbios, lookup_mac, per_host;
  std::vector<double> gate_ms, adapter_ms;
  int wrong_address = 0, wrong_mac = 0, live = 0;
  for (int run = 0; run < options.runs; ++run) {
    FlushNeighbours();
    for (const lan::LanHost& host : hosts) {
      if (host.dead) continue;
      ++live;
      std::string address, mac;
      const double resolve = TimeMs([&] { address = queries->ResolveIPv4Text(host.name); });
      const double lookup = TimeMs([&] { mac = queries->LookUpMacText(address); });
      (host.in_hosts_file ? resolve_hosts_file : resolve_netbios).push_back(resolve);
      lookup_mac.push_back(lookup);
      per_host.push_back(resolve + lookup);
      wrong_address += address != host.ipv4;
      wrong_mac += mac != host.mac;
    }
    // The two halves of LookUpMacText on their own, again from an empty table.
    FlushNeighbours();
    for (const lan::LanHost& host : hosts) {
      if (host.dead) continue;
      const std::optional<in_addr> address = linux_net::ParseHostIPv4Text(host.ipv4);
      if (!address) continue;
      gate_ms.push_back(TimeMs([&] { linux_net::HasReverseName(*address); }));
      adapter_ms.push_back(TimeMs([&] { linux_net::FindAdapterAddress(*address); }));
    }
  }

  // --- tables
  const Summary walk = Summarise(walk_ms);
  const Summary tree = Summarise(smbtree_ms);
  const double ratio = walk.median / tree.median;
  std::printf("\n### 3. The scan on the simulated LAN — %s (%zu described), %d runs\n\n", options.label.c_str(),
              hosts.size(), options.runs);
  std::printf("| walk | runs | servers found | median (ms) | max (ms) |\n|---|---|---|---|---|\n");
  const Summary fresh = Summarise(fresh_ms);
  std::printf("| EnumerateServers, a fresh process each (the app's first scan) | %zu | %d | %.0f | %.0f |\n",
              fresh.count, fresh_servers.empty() ? 0 : fresh_servers.back(), fresh.median, fresh.max);
  const Summary by_name_walk = Summarise(by_name_ms);
  std::printf("| the same, servers opened by name (libsmbclient resolves) | %zu | %d | %.0f | %.0f |\n",
              by_name_walk.count, by_name_servers.empty() ? 0 : by_name_servers.back(), by_name_walk.median,
              by_name_walk.max);
  std::printf("| EnumerateServers, again in one process (a refresh) | %zu | %zu | %.0f | %.0f |\n", walk.count,
              walk_servers.empty() ? 0 : walk_servers.back(), walk.median, walk.max);
  std::printf("| smbtree -U guest%% | %zu | %d | %.0f | %.0f |\n", tree.count,
              smbtree_servers.empty() ? 0 : smbtree_servers.back(), tree.median, tree.max);
  std::printf("\nNot counted, the first of each after the LAN came up: EnumerateServers %.0f ms, then smbtree %.0f ms.\n",
              first_walk_ms, first_smbtree_ms);
  std::printf("\n| ratio EnumerateServers / smbtree | of medians | median of paired runs | target | |\n");
  std::printf("|---|---|---|---|---|\n");
  const double fresh_ratio = fresh.median / tree.median;
  std::printf("| walk, fresh process | %.2f× | %.2f× | ≤ %.1f× | %s |\n", fresh_ratio,
              Summarise(fresh_paired).median, kWalkRatioTarget, Verdict(fresh_ratio <= kWalkRatioTarget));
  std::printf("| walk, fresh process, servers by name | %.2f× | %.2f× | | |\n", by_name_walk.median / tree.median,
              Summarise(by_name_paired).median);
  std::printf("| walk, again in one process | %.2f× | %.2f× | ≤ %.1f× | %s |\n", ratio, Summarise(paired).median,
              kWalkRatioTarget, Verdict(ratio <= kWalkRatioTarget));

  std::printf("\nWhere one walk's time goes (%.0f ms in all):\n\n", instrumented_ms);
  std::printf("| level | opened | open total (ms) | open median (ms) | open max (ms) | reads total (ms) |\n");
  std::printf("|---|---|---|---|---|---|\n");
  for (int d = 0; d < kDepths; ++d) {
    if (levels.open_ms[d].empty()) continue;
    double open_total = 0, read_total = 0;
    for (double v : levels.open_ms[d]) open_total += v;
    for (double v : levels.read_ms[d]) read_total += v;
    const Summary s = Summarise(levels.open_ms[d]);
    std::printf("| %s | %zu | %.0f | %.1f | %.1f | %.1f |\n", kDepthNames[d], s.count, open_total, s.median,
                s.max, read_total);
  }
  if (!levels.failed_opens.empty()) {
    std::printf("\n%zu levels could not be opened, e.g. %s\n", levels.failed_opens.size(),
                levels.failed_opens.front().c_str());
  }

  char target[64];
  std::snprintf(target, sizeof target, "≤ %.0f ms: %s", kPerHostTargetMs,
                Verdict(Summarise(per_host).max <= kPerHostTargetMs));
  std::printf("\nQueries per live host (%d host lookups; %d wrong addresses, %d wrong MACs), "
              "neighbour table emptied before each round:\n\n", live, wrong_address, wrong_mac);
  std::printf("| query | calls | median (ms) | max (ms) | target |\n|---|---|---|---|---|\n");
  PrintSummaryRow("ResolveIPv4Text, name in hosts file", resolve_hosts_file);
  PrintSummaryRow("ResolveIPv4Text, NetBIOS broadcast", resolve_netbios);
  PrintSummaryRow("LookUpMacText (reverse gate + MAC)", lookup_mac);
  PrintSummaryRow("reverse-name gate alone", gate_ms);
  PrintSummaryRow("adapter address alone", adapter_ms);
  PrintSummaryRow("resolve + LookUpMacText, per host", per_host, target);
  return 0;
}
