#include "split_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace veldaro {
namespace {

using Pieces = std::vector<std::string>;

struct SplitCase {
  const char* what;
  std::string text;
  Pieces pieces;
};

TEST(SplitTextTest, CutsOnBackslashAtCharacterBoundaries) {
  const std::vector<SplitCase> cases = {
      {"empty text", "", {}},
      {"server name", "\\\\PC-01", {"", "", "PC-01"}},
      {"trailing separator adds no empty piece", "\\\\PC-01\\", {"", "", "PC-01"}},
      {"no separator", "PC-01", {"PC-01"}},
      {"single backslash", "\\", {""}},
      {"name, two separators, name", "A\\\\B", {"A", "", "B"}},
      {"share path", "\\\\PC\\share", {"", "", "PC", "share"}},
      // 0x95 0x5C is one two-byte character: its trail byte is no separator.
      {"trail byte 0x5C stays in its piece", "\\\\\x95\x5C" "A", {"", "", "\x95\x5C" "A"}},
      {"trail byte 0x5C before a real separator", "\x95\x5C\\B", {"\x95\x5C", "B"}},
      {"lone lead byte at the end", "\\\\AB\x81", {"", "", "AB\x81"}},
      {"lone lead byte just before the end after a separator", "A\\\xFE", {"A", "\xFE"}},
      {"Chinese name", "\\\\\xB2\xE2\xCA\xD4\xBB\xFA", {"", "", "\xB2\xE2\xCA\xD4\xBB\xFA"}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(SplitText(c.text, "\\"), c.pieces);
  }
}

TEST(SplitTextTest, MultiByteSeparatorIsMatchedOnlyWhereItFits) {
  EXPECT_EQ(SplitText("a--b--", "--"), (Pieces{"a", "b"}));
  EXPECT_EQ(SplitText("a-", "--"), (Pieces{"a-"}));
  // The separator's first byte equals a lead byte's trail: no match inside a character.
  EXPECT_EQ(SplitText("\x81-\x2DZ", "-"), (Pieces{"\x81-", "Z"}));
}

TEST(SplitTextTest, EmptyPiecesBetweenAdjacentSeparatorsAreKept) {
  EXPECT_EQ(SplitText("\\\\\\\\", "\\"), (Pieces{"", "", "", ""}));
}

}  // namespace
}  // namespace veldaro
