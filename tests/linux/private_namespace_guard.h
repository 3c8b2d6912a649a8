#pragma once

#include <string_view>

namespace veldaro::testing_support {

// True only when this process runs inside the network namespace that the
// environment variable `variable` names, that name begins with `prefix` (the
// namespaces a test script makes for itself), and it is not the namespace of
// process 1: a probe that sends traffic checks this before anything else.
bool InsidePrivateNamespace(const char* variable, std::string_view prefix);

}  // namespace veldaro::testing_support
