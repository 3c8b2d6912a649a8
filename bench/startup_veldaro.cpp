// Veldaro's real start-up (RunVeldaro: display check, window built hidden,
// frame extents, first scan, show) over a network that answers nothing, for
// the start-up benchmark. first_paint_hook.cpp reports and ends it.
#include <memory>

#include "run_veldaro.h"
#include "silent_network.h"

int main(int argc, char** argv) {
  return veldaro::RunVeldaro(argc, argv, std::make_shared<veldaro::bench::SilentNetwork>());
}
