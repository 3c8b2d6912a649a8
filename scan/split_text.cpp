#include "split_text.h"

namespace veldaro {
namespace {

// In code page 936 a byte of 0x80 or above leads a two-byte character; a lead
// byte that is the last byte of the text stands alone.
std::size_t CharacterLength(std::string_view text, std::size_t at) {
  const auto byte = static_cast<unsigned char>(text[at]);
  return (byte >= 0x80 && at + 1 < text.size()) ? 2 : 1;
}

}  // namespace

std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  if (separator.empty()) {
    // Nothing to cut on; an empty separator would match at every boundary.
    if (!text.empty()) pieces.emplace_back(text);
    return pieces;
  }
  std::size_t piece_start = 0;
  std::size_t at = 0;
  while (at + separator.size() <= text.size()) {
    if (text.compare(at, separator.size(), separator) == 0) {
      pieces.emplace_back(text.substr(piece_start, at - piece_start));
      at += separator.size();
      piece_start = at;
    } else {
      at += CharacterLength(text, at);
    }
  }
  if (piece_start < text.size()) pieces.emplace_back(text.substr(piece_start));
  return pieces;
}

}  // namespace veldaro
