#include "private_namespace_guard.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace veldaro::testing_support {
namespace {

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first{}, second{};
  if (stat(a.c_str(), &first) != 0 || stat(b.c_str(), &second) != 0) return false;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace

bool InsidePrivateNamespace(const char* variable, std::string_view prefix) {
  const char* value = std::getenv(variable);
  if (value == nullptr) return false;
  const std::string_view name(value);
  if (!name.starts_with(prefix) || name.find('/') != std::string_view::npos) return false;
  return SameFile("/proc/self/ns/net", "/run/netns/" + std::string(name)) &&
         !SameFile("/proc/self/ns/net", "/proc/1/ns/net");
}

}  // namespace veldaro::testing_support
