#pragma once

#include <string>
#include <vector>

namespace veldaro {

// The three questions a scan asks the network. Texts are code page 936 byte
// strings; the empty text (or the empty list) means "nothing found" and is the
// only way a query reports failure. Implementations are called from several
// scan threads at once and must allow that. Each call blocks until answered.
class NetworkQueries {
 public:
  virtual ~NetworkQueries() = default;

  // Remote names of every server of the network neighbourhood, in walk order,
  // duplicates kept (`\\NAME` for a server the SMB browser lists).
  virtual std::vector<std::string> EnumerateServers() = 0;

  // Dotted IPv4 text of the computer's first address, or the empty text.
  virtual std::string ResolveIPv4Text(const std::string& name) = 0;

  // "00-1A-2B-3C-4D-5E" for the adapter that owns the address, or the empty text.
  virtual std::string LookUpMacText(const std::string& ipv4_text) = 0;
};

}  // namespace veldaro
