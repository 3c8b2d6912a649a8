#pragma once

#include <QString>
#include <string_view>

namespace veldaro {

// Turns one of our texts (code page 936 bytes; characters outside it in
// GB18030's four-byte form) into what the list shows. The text ends at its
// first zero byte. Each call stands alone: a broken character at the end of
// one cell never leaks into the next.
QString DecodeTextForDisplay(std::string_view text);

}  // namespace veldaro
