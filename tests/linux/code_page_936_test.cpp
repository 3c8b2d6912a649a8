#include "code_page_936.h"

#include <gtest/gtest.h>

#include <string>

namespace veldaro::linux_net {
namespace {

TEST(CodePage936Test, ConvertsBothWaysWithoutLoss) {
  struct Case {
    const char* label;
    std::string utf8;
    std::string cp936;
  };
  const Case cases[] = {
      {"empty", "", ""},
      {"ascii", "PC-1", "PC-1"},
      {"chinese", "测试机", "\xB2\xE2\xCA\xD4\xBB\xFA"},
      // 乗's trail byte is 0x5C, the byte of a backslash.
      {"trail byte 0x5C", "乗1", "\x81\x5C" "1"},
      // Outside code page 936: GB18030's four-byte form, which has no 0x5C.
      {"outside code page 936", "a😀", "a\x94\x39\xFC\x36"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(Utf8ToCp936(c.utf8), c.cp936);
    EXPECT_EQ(Cp936ToUtf8(c.cp936), c.utf8);
  }
}

TEST(CodePage936Test, InvalidUtf8BecomesQuestionMarks) {
  EXPECT_EQ(Utf8ToCp936("a\xFF" "b"), "a?b");
  EXPECT_EQ(Utf8ToCp936("a\xE6\xB5"), "a??");  // a three-byte character cut short
}

TEST(CodePage936Test, InvalidCodePage936GivesNothing) {
  EXPECT_FALSE(Cp936ToUtf8("\xB2"));            // lead byte without its trail
  EXPECT_FALSE(Cp936ToUtf8("ab\x81\x30"));      // four-byte form cut short
  EXPECT_FALSE(Cp936ToUtf8("\xFF\xFF"));        // no character at all
}

}  // namespace
}  // namespace veldaro::linux_net
