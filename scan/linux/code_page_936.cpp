#include "code_page_936.h"

#include <iconv.h>

#include <cerrno>

namespace veldaro::linux_net {
namespace {

// glibc's GB18030 covers GBK's two-byte characters and the four-byte rest.
constexpr const char kCp936Charset[] = "GB18030";
constexpr const char kUtf8Charset[] = "UTF-8";
// Output room per input byte: a UTF-8 byte never needs more than 4 GB18030
// bytes, a GB18030 byte never more than 3 UTF-8 bytes.
constexpr std::size_t kMaxGrowth = 4;

class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (ok()) iconv_close(handle_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return handle_; }

 private:
  iconv_t handle_;
};

// Converts as far as the input is valid. On an invalid or incomplete sequence
// `on_invalid` decides: a replacement to append (and the one byte skipped), or
// nothing to give up.
template <typename OnInvalid>
std::optional<std::string> Convert(const char* to, const char* from, std::string_view input,
                                   OnInvalid on_invalid) {
  // A handle per call: iconv handles carry shift state and are not to be
  // shared between threads.
  IconvHandle cd(to, from);
  if (!cd.ok()) return std::nullopt;
  std::string output(input.size() * kMaxGrowth + kMaxGrowth, '\0');
  char* in = const_cast<char*>(input.data());
  std::size_t in_left = input.size();
  char* out = output.data();
  std::size_t out_left = output.size();
  while (in_left > 0) {
    if (iconv(cd.get(), &in, &in_left, &out, &out_left) != static_cast<std::size_t>(-1)) break;
    if (errno != EILSEQ && errno != EINVAL) return std::nullopt;
    const std::optional<char> replacement = on_invalid();
    if (!replacement || out_left == 0) return std::nullopt;
    *out++ = *replacement;
    --out_left;
    ++in;
    --in_left;
  }
  output.resize(output.size() - out_left);
  return output;
}

}  // namespace

std::string Utf8ToCp936(std::string_view utf8) {
  return Convert(kCp936Charset, kUtf8Charset, utf8, [] { return std::optional<char>('?'); })
      .value_or(std::string());
}

std::optional<std::string> Cp936ToUtf8(std::string_view cp936) {
  return Convert(kUtf8Charset, kCp936Charset, cp936, [] { return std::optional<char>(); });
}

}  // namespace veldaro::linux_net
