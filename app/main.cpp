#include "platform_network_queries.h"
#include "run_veldaro.h"

int main(int argc, char** argv) {
  return veldaro::RunVeldaro(argc, argv, veldaro::MakePlatformNetworkQueries());
}
