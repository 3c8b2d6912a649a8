#include "netbios_packet.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace veldaro::linux_net {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Address = std::array<std::uint8_t, 4>;

NetBiosName NameOf(std::string_view text) { return MakeNetBiosName(text).value(); }

TEST(MakeNetBiosNameTest, UpperCasesAsciiLettersOnlyAndPadsToFifteenBytes) {
  struct Case {
    const char* label;
    std::string input;
    std::string expected_first_bytes;  // then spaces up to 15 bytes
  };
  const Case cases[] = {
      {"ascii lower case", "pc-1a", "PC-1A"},
      {"already upper case", "NBHOST1", "NBHOST1"},
      {"exactly fifteen bytes", "abcdefghijklmno", "ABCDEFGHIJKLMNO"},
      // 测试机 in code page 936: no letters, every byte kept.
      {"chinese", "\xB2\xE2\xCA\xD4\xBB\xFA", "\xB2\xE2\xCA\xD4\xBB\xFA"},
      // 0x81 0x61 is one two-byte character whose trail byte looks like 'a':
      // it must not become 'A', yet the 'b' after it is a letter of its own.
      {"trail byte that looks like a letter", "\x81\x61" "b", "\x81\x61" "B"},
      {"letter after a character ending in a high byte", "\x81\x81" "x", "\x81\x81" "X"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const auto name = MakeNetBiosName(c.input);
    ASSERT_TRUE(name.has_value());
    std::string expected = c.expected_first_bytes;
    expected.resize(15, ' ');
    EXPECT_EQ(std::string(name->begin(), name->begin() + 15), expected);
    EXPECT_EQ((*name)[15], 0x00);
  }
}

TEST(MakeNetBiosNameTest, RefusesNamesNoComputerCanOwn) {
  EXPECT_FALSE(MakeNetBiosName(""));
  EXPECT_FALSE(MakeNetBiosName("abcdefghijklmnop"));  // sixteen bytes
  // 测试机测试机测试: eight two-byte characters, sixteen bytes.
  EXPECT_FALSE(MakeNetBiosName("\xB2\xE2\xCA\xD4\xBB\xFA\xB2\xE2\xCA\xD4\xBB\xFA\xB2\xE2\xCA\xD4"));
}

TEST(MakeNetBiosNameTest, PutsTheSuffixLast) {
  EXPECT_EQ(MakeNetBiosName("wg", 0x1D).value()[15], 0x1D);
}

TEST(BuildNameQueryTest, MatchesTheWireFormat) {
  const Bytes expected = {
      0xBE, 0xEF,  // NAME_TRN_ID
      0x01, 0x10,  // flags: request, opcode 0 (query), RD, B
      0x00, 0x01,  // QDCOUNT
      0x00, 0x00,  // ANCOUNT
      0x00, 0x00,  // NSCOUNT
      0x00, 0x00,  // ARCOUNT
      0x20,        // label length: 32 letters encode 16 bytes
      'F', 'A',    // 'P' = 0x50
      'E', 'D',    // 'C' = 0x43
      'D', 'B',    // '1' = 0x31
      'C', 'A', 'C', 'A', 'C', 'A', 'C', 'A', 'C', 'A', 'C', 'A',  // twelve spaces
      'C', 'A', 'C', 'A', 'C', 'A', 'C', 'A', 'C', 'A', 'C', 'A',
      'A', 'A',    // suffix 0x00
      0x00,        // end of name: empty scope
      0x00, 0x20,  // QUESTION_TYPE NB
      0x00, 0x01,  // QUESTION_CLASS IN
  };
  EXPECT_EQ(BuildNameQuery(0xBEEF, NameOf("pc1"), /*broadcast=*/true), expected);

  Bytes unicast = expected;
  unicast[3] = 0x00;  // the same without the B flag
  EXPECT_EQ(BuildNameQuery(0xBEEF, NameOf("pc1"), /*broadcast=*/false), unicast);
}

TEST(BuildNodeStatusQueryTest, MatchesTheWireFormat) {
  Bytes expected = {
      0x00, 0x07,  // NAME_TRN_ID
      0x00, 0x00,  // flags: request, opcode 0 (query), no RD, no B
      0x00, 0x01,  // QDCOUNT
      0x00, 0x00,  // ANCOUNT
      0x00, 0x00,  // NSCOUNT
      0x00, 0x00,  // ARCOUNT
      0x20,        // label length
      'C', 'K',    // '*' = 0x2A
  };
  for (int i = 0; i < 15; ++i) {  // fifteen zero bytes
    expected.push_back('A');
    expected.push_back('A');
  }
  expected.insert(expected.end(), {
                                      0x00,        // empty scope
                                      0x00, 0x21,  // QUESTION_TYPE NBSTAT
                                      0x00, 0x01,  // QUESTION_CLASS IN
                                  });
  EXPECT_EQ(BuildNodeStatusQuery(0x0007), expected);
}

// nmbd's (Samba 4.17) answer to a broadcast query with id 0x1234 for NBHOST1,
// which holds 10.231.250.1. nmbd sends it twice.
const Bytes kNbhost1Answer = {
    0x12, 0x34, 0x85, 0x80, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x20, 0x45, 0x4F, 0x45,
    0x43, 0x45, 0x49, 0x45, 0x50, 0x46, 0x44, 0x46, 0x45, 0x44, 0x42, 0x43, 0x41, 0x43, 0x41, 0x43,
    0x41, 0x43, 0x41, 0x43, 0x41, 0x43, 0x41, 0x43, 0x41, 0x43, 0x41, 0x41, 0x41, 0x00, 0x00, 0x20,
    0x00, 0x01, 0x00, 0x03, 0xF4, 0x80, 0x00, 0x06, 0x00, 0x00, 0x0A, 0xE7, 0xFA, 0x01,
};
// nmbd's answer for 测试机 (code page 936 on the wire) at 10.231.250.2.
const Bytes kChineseHostAnswer = {
    0x12, 0x34, 0x85, 0x80, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x20, 0x4C, 0x43, 0x4F,
    0x43, 0x4D, 0x4B, 0x4E, 0x45, 0x4C, 0x4C, 0x50, 0x4B, 0x43, 0x41, 0x43, 0x41, 0x43, 0x41, 0x43,
    0x41, 0x43, 0x41, 0x43, 0x41, 0x43, 0x41, 0x43, 0x41, 0x43, 0x41, 0x41, 0x41, 0x00, 0x00, 0x20,
    0x00, 0x01, 0x00, 0x03, 0xF4, 0x80, 0x00, 0x06, 0x00, 0x00, 0x0A, 0xE7, 0xFA, 0x02,
};
constexpr std::size_t kFlagsOffset = 2;
constexpr std::size_t kAnswerTypeOffset = 46;
constexpr std::size_t kRdLengthOffset = 54;

Bytes With(Bytes bytes, std::size_t offset, std::initializer_list<std::uint8_t> replacement) {
  std::copy(replacement.begin(), replacement.end(), bytes.begin() + offset);
  return bytes;
}

// The NBHOST1 answer with its name moved into an echoed question and the
// answer naming it by a label pointer (0xC00C: offset 12).
Bytes WithCompressedAnswerName() {
  Bytes bytes(kNbhost1Answer.begin(), kNbhost1Answer.begin() + 12);
  bytes[5] = 0x01;  // QDCOUNT 1
  bytes.insert(bytes.end(), kNbhost1Answer.begin() + 12, kNbhost1Answer.begin() + 46);  // name
  bytes.insert(bytes.end(), {0x00, 0x20, 0x00, 0x01});  // question type and class
  bytes.insert(bytes.end(), {0xC0, 0x0C});              // answer name: the question's
  bytes.insert(bytes.end(), kNbhost1Answer.begin() + 46, kNbhost1Answer.end());
  return bytes;
}

TEST(ParseNameQueryResponseTest, AcceptsOnlyAPositiveAnswerToThisQuery) {
  struct Case {
    const char* label;
    Bytes packet;
    std::uint16_t id;
    NetBiosName name;
    std::optional<Address> expected;
  };
  const Case cases[] = {
      {"nmbd's answer", kNbhost1Answer, 0x1234, NameOf("nbhost1"), Address{10, 231, 250, 1}},
      {"chinese name", kChineseHostAnswer, 0x1234, NameOf("\xB2\xE2\xCA\xD4\xBB\xFA"),
       Address{10, 231, 250, 2}},
      {"compressed answer name", WithCompressedAnswerName(), 0x1234, NameOf("nbhost1"),
       Address{10, 231, 250, 1}},
      {"two addresses: the first wins",
       [] {
         Bytes b = With(kNbhost1Answer, kRdLengthOffset, {0x00, 0x0C});
         b.insert(b.end(), {0x00, 0x00, 10, 231, 250, 9});
         return b;
       }(),
       0x1234, NameOf("nbhost1"), Address{10, 231, 250, 1}},
      {"wrong transaction id", kNbhost1Answer, 0x1235, NameOf("nbhost1"), std::nullopt},
      {"wrong name", kNbhost1Answer, 0x1234, NameOf("nbhost2"), std::nullopt},
      {"wrong suffix", kNbhost1Answer, 0x1234, MakeNetBiosName("nbhost1", 0x20).value(), std::nullopt},
      {"negative answer (rcode 3, no such name)",
       With(kNbhost1Answer, kFlagsOffset, {0x85, 0x83}), 0x1234, NameOf("nbhost1"), std::nullopt},
      {"a query, not an answer", With(kNbhost1Answer, kFlagsOffset, {0x05, 0x80}), 0x1234,
       NameOf("nbhost1"), std::nullopt},
      {"registration answer (opcode 5)", With(kNbhost1Answer, kFlagsOffset, {0xAD, 0x80}),
       0x1234, NameOf("nbhost1"), std::nullopt},
      {"node status record", With(kNbhost1Answer, kAnswerTypeOffset, {0x00, 0x21}), 0x1234,
       NameOf("nbhost1"), std::nullopt},
      {"no answer record", With(kNbhost1Answer, 6, {0x00, 0x00}), 0x1234, NameOf("nbhost1"),
       std::nullopt},
      {"empty address list", With(kNbhost1Answer, kRdLengthOffset, {0x00, 0x00}), 0x1234,
       NameOf("nbhost1"), std::nullopt},
      {"address list longer than the packet", With(kNbhost1Answer, kRdLengthOffset, {0x00, 0x0C}),
       0x1234, NameOf("nbhost1"), std::nullopt},
      {"name with a scope",
       [] {
         Bytes b(kNbhost1Answer.begin(), kNbhost1Answer.begin() + 45);
         b.insert(b.end(), {0x03, 'l', 'a', 'n', 0x00});
         b.insert(b.end(), kNbhost1Answer.begin() + 46, kNbhost1Answer.end());
         return b;
       }(),
       0x1234, NameOf("nbhost1"), std::nullopt},
      {"letter outside A..P in the name", With(kNbhost1Answer, 13, {'Q'}), 0x1234, NameOf("nbhost1"),
       std::nullopt},
      {"label pointer to itself", With(kNbhost1Answer, 12, {0xC0, 0x0C}), 0x1234, NameOf("nbhost1"),
       std::nullopt},
      {"label pointer forward", With(kNbhost1Answer, 12, {0xC0, 0x30}), 0x1234, NameOf("nbhost1"),
       std::nullopt},
      {"reserved label type", With(kNbhost1Answer, 12, {0x60}), 0x1234, NameOf("nbhost1"), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(ParseNameQueryResponse(c.packet, c.id, c.name), c.expected);
  }
}

// Every shorter prefix of a valid answer lacks part of what the answer needs.
TEST(ParseNameQueryResponseTest, EveryTruncationGivesNothing) {
  for (const Bytes& full : {kNbhost1Answer, WithCompressedAnswerName()}) {
    ASSERT_TRUE(ParseNameQueryResponse(full, 0x1234, NameOf("nbhost1")));
    for (std::size_t length = 0; length < full.size(); ++length) {
      SCOPED_TRACE(length);
      const std::span<const std::uint8_t> cut(full.data(), length);
      EXPECT_FALSE(ParseNameQueryResponse(cut, 0x1234, NameOf("nbhost1")));
    }
  }
}

// Hostile answers: every byte of a valid (compressed) answer set to every
// value. Each must be read within the packet's bounds and give either nothing
// or an address; the sanitizer builds catch any read outside it.
TEST(ParseNameQueryResponseTest, SurvivesEverySingleByteCorruption) {
  const Bytes valid = WithCompressedAnswerName();
  for (std::size_t offset = 0; offset < valid.size(); ++offset) {
    for (int value = 0; value < 256; ++value) {
      Bytes corrupt = valid;
      corrupt[offset] = static_cast<std::uint8_t>(value);
      (void)ParseNameQueryResponse(corrupt, 0x1234, NameOf("nbhost1"));
      (void)ParseNodeStatusResponse(corrupt, 0x1234);
    }
  }
}

// nmbd's answer to a node-status query with id 0x1234 from NBHOST1 of
// workgroup VWG: five names, then the statistics (a zero MAC).
const Bytes kNodeStatusAnswer = {
    0x12, 0x34, 0x84, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x20, 0x43, 0x4B, 0x41,
    0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41,
    0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x00, 0x00, 0x21,
    0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x89, 0x05, 0x4E, 0x42, 0x48, 0x4F, 0x53, 0x54, 0x31,
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x00, 0x04, 0x00, 0x4E, 0x42, 0x48, 0x4F, 0x53,
    0x54, 0x31, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x03, 0x04, 0x00, 0x4E, 0x42, 0x48,
    0x4F, 0x53, 0x54, 0x31, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x04, 0x00, 0x56,
    0x57, 0x47, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x00, 0x84,
    0x00, 0x56, 0x57, 0x47, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    0x1E, 0x84, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00,
};
constexpr std::size_t kNameCountOffset = 56;

TEST(ParseNodeStatusResponseTest, ReadsTheNameTableOfNmbdsAnswer) {
  using ::testing::ElementsAre;
  const auto names = ParseNodeStatusResponse(kNodeStatusAnswer, 0x1234);
  ASSERT_TRUE(names.has_value());
  EXPECT_THAT(*names, ElementsAre(NodeStatusName{"NBHOST1", 0x00, 0x0400},
                                  NodeStatusName{"NBHOST1", 0x03, 0x0400},
                                  NodeStatusName{"NBHOST1", 0x20, 0x0400},
                                  NodeStatusName{"VWG", 0x00, 0x8400},
                                  NodeStatusName{"VWG", 0x1E, 0x8400}));
}

TEST(ParseNodeStatusResponseTest, RefusesWhatIsNoAnswerToThisQuery) {
  struct Case {
    const char* label;
    Bytes packet;
    std::uint16_t id;
    bool expect_names;
  };
  // The answer cut right after its name table: statistics are optional.
  Bytes without_statistics(kNodeStatusAnswer.begin(), kNodeStatusAnswer.begin() + 57 + 5 * 18);
  without_statistics[kRdLengthOffset + 1] = 1 + 5 * 18;
  const Case cases[] = {
      {"without statistics", without_statistics, 0x1234, true},
      {"wrong transaction id", kNodeStatusAnswer, 0x4321, false},
      {"negative answer", With(kNodeStatusAnswer, kFlagsOffset, {0x84, 0x01}), 0x1234, false},
      {"name record instead", With(kNodeStatusAnswer, kAnswerTypeOffset, {0x00, 0x20}), 0x1234,
       false},
      {"more names than the record holds", With(kNodeStatusAnswer, kNameCountOffset, {0x08}),
       0x1234, false},
      {"a query, not an answer", With(kNodeStatusAnswer, kFlagsOffset, {0x04, 0x00}), 0x1234,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(ParseNodeStatusResponse(c.packet, c.id).has_value(), c.expect_names);
  }
}

TEST(ParseNodeStatusResponseTest, AnEmptyTableIsAnEmptyList) {
  Bytes empty_table(kNodeStatusAnswer.begin(), kNodeStatusAnswer.begin() + kNameCountOffset + 1);
  empty_table[kRdLengthOffset + 1] = 1;
  empty_table[kNameCountOffset] = 0;
  const auto names = ParseNodeStatusResponse(empty_table, 0x1234);
  ASSERT_TRUE(names.has_value());
  EXPECT_TRUE(names->empty());
}

TEST(ParseNodeStatusResponseTest, EveryTruncationGivesNothing) {
  ASSERT_TRUE(ParseNodeStatusResponse(kNodeStatusAnswer, 0x1234));
  for (std::size_t length = 0; length < kNodeStatusAnswer.size(); ++length) {
    SCOPED_TRACE(length);
    const std::span<const std::uint8_t> cut(kNodeStatusAnswer.data(), length);
    EXPECT_FALSE(ParseNodeStatusResponse(cut, 0x1234));
  }
}

}  // namespace
}  // namespace veldaro::linux_net
