// Code page conversion on any bytes: never a crash; valid code page 936 text
// survives the trip to UTF-8 and back, and valid UTF-8 the trip the other way.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "code_page_936.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using veldaro::linux_net::Cp936ToUtf8;
  using veldaro::linux_net::Utf8ToCp936;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  if (const std::optional<std::string> utf8 = Cp936ToUtf8(bytes)) {
    if (Utf8ToCp936(*utf8) != bytes) std::abort();
  }

  const std::string cp936 = Utf8ToCp936(bytes);
  const std::optional<std::string> back = Cp936ToUtf8(cp936);
  if (!back) std::abort();  // whatever we make must be readable again
  // A backslash in the result is always a real backslash of the input.
  std::size_t backslashes_in = 0, backslashes_out = 0;
  for (char c : bytes) backslashes_in += c == '\\';
  for (char c : *back) backslashes_out += c == '\\';
  if (backslashes_in != backslashes_out) std::abort();
  return 0;
}
