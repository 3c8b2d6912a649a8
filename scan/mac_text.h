#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace veldaro {

using MacAddress = std::array<std::uint8_t, 6>;

// "00-1A-2B-3C-4D-5E": two upper-case hex digits per byte, first byte first.
std::string FormatMacText(const MacAddress& mac);

}  // namespace veldaro
