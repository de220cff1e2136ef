#include "core/record_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SplitRecord, KeywordAndReplyAtTheFirstSeparator) {
  struct Case {
    std::string text, keyword, reply;
  } cases[] = {
      {"hello%+%world\n", "hello", "world"},
      {"%+%x", "", "x"},
      {"a%+%b%+%c", "a", "b%+%c"},
      {"50%%+%half", "50%", "half"},
      {"100%%+%yes", "100%", "yes"},
      {"k%+%", "k", ""},
      {"k%+%r\nrest", "k", "r"},
      {"no separator\n", "no separator\n", "no separator\n"},
      {"%+", "%+", "%+"},
      {"おはよう%+%元気？", "おはよう", "元気？"},
  };
  for (const Case& c : cases) {
    std::string keyword = c.text, reply = c.text, other = c.text;
    SplitRecord(keyword, RecordKeyword);
    SplitRecord(reply, RecordReply);
    SplitRecord(other, 2);
    EXPECT_EQ(keyword, c.keyword) << c.text;
    EXPECT_EQ(reply, c.reply) << c.text;
    EXPECT_EQ(other, c.text);
  }
}

TEST(FoldNoCase, EqualFoldsAreExactlyTheBytesFindNoCaseMatches) {
  for (int a = 1; a < 256; ++a) {
    for (int b = 1; b < 256; ++b) {
      const char haystack[2] = {static_cast<char>(a), 0}, needle[2] = {static_cast<char>(b), 0};
      EXPECT_EQ(FindNoCase(haystack, needle) != nullptr, FoldNoCase(a) == FoldNoCase(b))
          << a << " " << b;
    }
  }
}

TEST(ShiftLine, ShiftsUpToTheLineBreakOrNulModulo256) {
  struct Case {
    std::string plain, stored;
  } cases[] = {
      {"abc", "def"},
      {"ab\ncd", "de\ncd"},
      {std::string("ab\0cd", 5), std::string("de\0cd", 5)},
      {"\xfe\xff", "\x01\x02"},
      {",,x", "//{"},
      {"%+%", "(.("},
  };
  for (const Case& c : cases) {
    std::string text = c.plain;
    ShiftLine(text, ShiftStore);
    EXPECT_EQ(text, c.stored);
    ShiftLine(text, ShiftRead);
    EXPECT_EQ(text, c.plain);
    ShiftLine(text, 7);
    EXPECT_EQ(text, c.plain);
  }
  // A stored 0x03 reads back as a NUL inside the text, which CutAtNul then ends it at.
  std::string text = "de\x03gh";
  ShiftLine(text, ShiftRead);
  EXPECT_EQ(text, std::string("ab\0de", 5));
  CutAtNul(text);
  EXPECT_EQ(text, "ab");
}

TEST(FindNoCase, FoldsAsciiLettersOnly) {
  struct Case {
    const char* haystack;
    const char* needle;
    int at;  // -1: not found
  } cases[] = {
      {"Hello World", "WORLD", 6},
      {"abc", "", 0},
      {"", "", -1},
      {"", "a", -1},
      {"ab", "abc", -1},
      {"xaB", "Ab", 1},
      {"@", "`", -1},  // 0x40 and 0x60 differ by 32 but are not letters
      {"[", "{", -1},  // 0x5B and 0x7B likewise
      {"Z", "z", 0},
      {"\x82\x61", "\x82\x41", 0},  // a trail byte in the letter range folds like a letter
      {"\x82\x61", "A", 1},         // and a match may begin inside a character
      {"\xe0", "\xc0", -1},         // bytes above 0x7F only match themselves
      {"aaab", "aab", 1},
  };
  for (const Case& c : cases) {
    const char* found = FindNoCase(c.haystack, c.needle);
    EXPECT_EQ(found ? found - c.haystack : -1, c.at) << c.haystack << " / " << c.needle;
  }
}

TEST(RecordFormat, CommentLinesAndStorableRecords) {
  EXPECT_EQ(IsCommentLine("//note\n"), 1);
  EXPECT_EQ(IsCommentLine("/x//"), 0);
  EXPECT_EQ(IsCommentLine("/"), 0);
  EXPECT_EQ(IsCommentLine(StoredLine(",,comma")), 1);  // stored as "//"

  struct Case {
    std::string plain;
    StoreProblem problem;
  } cases[] = {
      {"hi%+%there", StoreProblem::kNone},
      {"", StoreProblem::kNone},
      {std::string(347, 'x'), StoreProblem::kNone},
      {std::string(348, 'x'), StoreProblem::kTooLong},
      {",x%+%y", StoreProblem::kNone},
      {"a\x07%+%b", StoreProblem::kBadByte},
      {"a%+%\x17", StoreProblem::kBadByte},
      {"\xfd", StoreProblem::kBadByte},
      {"a%+%b\nc", StoreProblem::kLineBreak},
      {std::string("a%+%\0b", 6), StoreProblem::kLineBreak},
      {",,%+%y", StoreProblem::kReadsAsComment},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckStorable(c.plain), c.problem) << c.plain;
    if (c.problem != StoreProblem::kNone) continue;
    // A storable line reads back as itself.
    std::string stored = StoredLine(c.plain);
    ASSERT_GE(stored.size(), 2u);
    EXPECT_EQ(stored.substr(stored.size() - 2), "\r\n");
    std::string back = stored.substr(0, stored.size() - 2);
    EXPECT_EQ(back.find_first_of(std::string("\n\r\x1a\0", 4)), std::string::npos);
    ShiftLine(back, ShiftRead);
    EXPECT_EQ(back, c.plain);
  }
}

}  // namespace
