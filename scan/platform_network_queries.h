#pragma once

#include <memory>

#include "network_queries.h"

namespace veldaro {

// The real network back-end of the platform this is built for. Only the app's
// start-up and the LAN tests make one: its queries send traffic.
std::shared_ptr<NetworkQueries> MakePlatformNetworkQueries();

}  // namespace veldaro
