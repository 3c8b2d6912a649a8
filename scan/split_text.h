#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veldaro {

// Cuts a code page 936 text at every occurrence of `separator` (non-empty) that
// starts on a character boundary: a byte of 0x80 or above begins a two-byte
// character, so its trail byte is never taken for a separator. Empty pieces
// before and between separators are kept, an empty last piece is not; the
// empty text gives no pieces.
std::vector<std::string> SplitText(std::string_view text, std::string_view separator);

}  // namespace veldaro
