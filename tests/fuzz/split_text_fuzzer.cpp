// SplitText on any bytes: the pieces joined with the separator give back the
// text (but for an empty last piece, which is dropped), and no piece ends inside
// a two-byte character.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "split_text.h"

namespace {

void Check(std::string_view text, std::string_view separator) {
  const std::vector<std::string> pieces = veldaro::SplitText(text, separator);

  std::string joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) joined += separator;
    joined += pieces[i];
  }
  if (joined != text && joined + std::string(separator) != text) std::abort();
  if (text.empty() != pieces.empty()) std::abort();

  // Character boundaries: a byte of 0x80 or above starts a two-byte character
  // unless it is the last byte. (A separator holding such bytes moves the
  // boundaries after it, so the check is for separators of one-byte characters,
  // which is what names are split on.)
  for (char c : separator) {
    if (static_cast<unsigned char>(c) >= 0x80) return;
  }
  std::set<std::size_t> boundaries;
  for (std::size_t at = 0; at < text.size();) {
    boundaries.insert(at);
    at += (static_cast<unsigned char>(text[at]) >= 0x80 && at + 1 < text.size()) ? 2 : 1;
  }
  boundaries.insert(text.size());
  std::size_t offset = 0;
  for (const std::string& piece : pieces) {
    if (!boundaries.count(offset) || !boundaries.count(offset + piece.size())) std::abort();
    offset += piece.size() + separator.size();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Check(bytes, "\\");
  // The first byte chooses a separator length of 1 to 3 taken from the input.
  if (size >= 2) {
    const std::size_t length = 1 + data[0] % 3;
    if (size > length) Check(bytes.substr(1 + length), bytes.substr(1, length));
  }
  return 0;
}
