#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "lan_environment.h"

// These tests send traffic. They run only inside the simulated LAN's client
// namespace and fail loudly anywhere else, before anything is sent.
int main(int argc, char** argv) {
  const std::string why_not = veldaro::lan::WhyNotInsideLan();
  if (!why_not.empty()) {
    std::fprintf(stderr, "REFUSING to run outside the simulated LAN: %s\n", why_not.c_str());
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
