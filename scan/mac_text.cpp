#include "mac_text.h"

#include <cstdio>

namespace veldaro {

std::string FormatMacText(const MacAddress& mac) {
  char text[18];  // 6 × "XX" + 5 hyphens + the terminating zero
  std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2], mac[3],
                mac[4], mac[5]);
  return text;
}

}  // namespace veldaro
