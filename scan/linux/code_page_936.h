#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veldaro::linux_net {

// Our texts are code page 936 (GBK) byte strings; libsmbclient and the system
// resolver speak UTF-8. Characters outside code page 936 travel in GB18030's
// four-byte form, which keeps every GBK character's bytes and never contains
// the byte 0x5C, so no name is lost and splitting on a backslash stays sound.

// UTF-8 to GB18030. Bytes that are not valid UTF-8 become '?'.
std::string Utf8ToCp936(std::string_view utf8);

// GB18030 to UTF-8; nothing when the bytes are not valid GB18030.
std::optional<std::string> Cp936ToUtf8(std::string_view cp936);

}  // namespace veldaro::linux_net
