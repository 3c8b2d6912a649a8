#pragma once

#include <memory>

#include "network_queries.h"

namespace veldaro {

// The whole life of the program: builds the main window hidden (button, then
// list with its columns), raises its created event (which starts the first
// scan), shows and activates it, and runs the event loop until it is closed.
// The program then ends at once with exit code 0, without waiting for scans
// still running: this call does not return in that case. Returns 255 when the
// window cannot be made (no display: a message on stderr; otherwise a message
// box too).
int RunVeldaro(int argc, char** argv, std::shared_ptr<NetworkQueries> queries);

}  // namespace veldaro
