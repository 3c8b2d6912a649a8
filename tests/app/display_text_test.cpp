#include "display_text.h"

#include <gtest/gtest.h>
#include <string>

namespace veldaro {
namespace {

TEST(DisplayTextTest, DecodesCodePage936AndGb18030FourByteForms) {
  struct Case {
    const char* what;
    std::string bytes;
    std::u16string shown;
  };
  const Case cases[] = {
      {"ASCII", "PC-01", u"PC-01"},
      {"empty", "", u""},
      // A two-byte character whose trail byte is 0x5C (a backslash in ASCII)
      // stays one character.
      {"trail byte 0x5C", "\x95\x5C" "A", u"\u661E" "A"},
      {"two-byte GBK", "\xBC\xC6\xCB\xE3\xBB\xFA", u"计算机"},
      // U+0080 lies outside GBK; GB18030 writes it as 81 30 81 30.
      {"four-byte form", std::string("\x81\x30\x81\x30", 4) + "x", u"\u0080x"},
      {"cut at the first zero byte", std::string("AB\0CD", 5), u"AB"},
      {"zero byte first", std::string("\0AB", 3), u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DecodeTextForDisplay(c.bytes), QString::fromStdU16String(c.shown));
  }
}

TEST(DisplayTextTest, BrokenBytesNeverLeakIntoTheNextText) {
  // A lone lead byte at the end of one text must not swallow the first byte
  // of the next: each text is decoded on its own.
  const QString broken = DecodeTextForDisplay("AB\x95");
  EXPECT_TRUE(broken.startsWith(QStringLiteral("AB")));
  EXPECT_FALSE(broken.contains(QChar('C')));
  EXPECT_EQ(DecodeTextForDisplay("CD"), QStringLiteral("CD"));

  // Hostile bytes give some text, never a crash.
  std::string every_byte;
  for (int b = 1; b < 256; ++b) every_byte.push_back(static_cast<char>(b));
  EXPECT_FALSE(DecodeTextForDisplay(every_byte).isEmpty());
}

}  // namespace
}  // namespace veldaro
