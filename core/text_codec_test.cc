#include "core/text_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

// The sources are UTF-8 and narrow literals are compiled to code page 932, so "あ" below is
// the Shift-JIS bytes 0x82 0xA0 and U8(u8"あ") the UTF-8 bytes of the same character.
namespace {

std::string U8(std::u8string_view s) { return std::string(s.begin(), s.end()); }

struct RoundTrip {
  const char* name;
  std::string utf8;
  std::string sjis;
};

TEST(TextCodecTest, ConvertsBothWaysAndBack) {
  const RoundTrip cases[] = {
      {"empty", "", ""},
      {"ascii", "hello, world 123", "hello, world 123"},
      {"backslash and tilde stay ascii", "a\\b~c", "a\\b~c"},
      {"hiragana", U8(u8"こんにちは"), "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD"},
      {"kanji", U8(u8"漢字"), "\x8A\xBF\x8E\x9A"},
      {"trail byte 0x5C", U8(u8"ソ表"), "\x83\x5C\x95\x5C"},
      {"half-width katakana", U8(u8"ｶﾀｶﾅ"), "\xB6\xC0\xB6\xC5"},
      {"full-width tilde", U8(u8"～"), "\x81\x60"},
      {"NEC special row", U8(u8"①"), "\x87\x40"},
      {"IBM extension", U8(u8"髙"), "\xFB\xFC"},
      {"mixed", U8(u8"NAMEさん、おはよう～♪"), "NAMEさん、おはよう～♪"},
  };
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(c.name);
    core::CodecResult to = core::Utf8ToSjis(c.utf8);
    ASSERT_TRUE(to.ok) << to.reason;
    EXPECT_EQ(to.text, c.sjis);
    core::CodecResult exact = core::Utf8ToSjisExact(c.utf8);
    ASSERT_TRUE(exact.ok) << exact.reason;
    EXPECT_EQ(exact.text, c.sjis);
    core::CodecResult back = core::SjisToUtf8(c.sjis);
    ASSERT_TRUE(back.ok) << back.reason;
    EXPECT_EQ(back.text, c.utf8);
  }
}

struct Refusal {
  const char* name;
  std::string input;
  size_t offset;
  std::string error_char;
  const char* reason_part;
};

TEST(TextCodecTest, RefusesBytesThatAreNotShiftJis) {
  const Refusal cases[] = {
      {"lead byte cut off", "ab\x82", 2, "\x82", "cut off"},
      {"unassigned double-byte code", "\x85\x40", 0, "\x85\x40", "not a Shift-JIS"},
      {"lead byte with a bad trail", "x\x81\x0A", 1, "\x81\x0A", "not a Shift-JIS"},
      {"single 0x80", "\x80", 0, "\x80", "not a Shift-JIS"},
      {"single 0xA0", "a\xA0", 1, "\xA0", "not a Shift-JIS"},
      {"single 0xFD", "\xFD", 0, "\xFD", "not a Shift-JIS"},
      {"single 0xFF", "ok\xFF", 2, "\xFF", "not a Shift-JIS"},
      {"NEC-selected IBM duplicate", "あ\xED\x40", 2, "\xED\x40", "duplicate"},
      {"IBM duplicate of a NEC special", "\xFA\x4A", 0, "\xFA\x4A", "duplicate"},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.name);
    core::CodecResult r = core::SjisToUtf8(c.input);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.text, "");
    EXPECT_EQ(r.error_offset, c.offset);
    EXPECT_EQ(r.error_char, c.error_char);
    EXPECT_NE(r.reason.find(c.reason_part), std::string::npos) << r.reason;
  }
}

TEST(TextCodecTest, RefusesInvalidUtf8AndCharactersWithoutAForm) {
  const Refusal cases[] = {
      {"overlong two-byte slash", "a\xC0\xAF", 1, "\xC0", "invalid UTF-8"},
      {"overlong three-byte slash", "\xE0\x80\xAF", 0, "\xE0", "invalid UTF-8"},
      {"overlong four-byte", "\xF0\x80\x80\xAF", 0, "\xF0", "invalid UTF-8"},
      {"surrogate", "ab\xED\xA0\x80", 2, "\xED", "invalid UTF-8"},
      {"truncated at the end", U8(u8"あ") + "\xE3\x81", 3, "\xE3", "invalid UTF-8"},
      {"truncated before ascii", std::string("\xE3\x81") + "a", 0, "\xE3", "invalid UTF-8"},
      {"lone continuation byte", "\x80", 0, "\x80", "invalid UTF-8"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", 0, "\xF4", "invalid UTF-8"},
      {"byte 0xFF", "\xFF", 0, "\xFF", "invalid UTF-8"},
      {"emoji", U8(u8"おはよう😀"), 12, U8(u8"😀"), "U+1F600"},
      {"euro sign", "5" + U8(u8"€"), 1, U8(u8"€"), "no Shift-JIS"},
      {"byte order mark", U8(u8"\uFEFFabc"), 0, U8(u8"\uFEFF"), "U+FEFF"},
      {"control character U+0080", "\xC2\x80", 0, "\xC2\x80", "no Shift-JIS"},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool exact : {false, true}) {
      core::CodecResult r = exact ? core::Utf8ToSjisExact(c.input) : core::Utf8ToSjis(c.input);
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.text, "");
      EXPECT_EQ(r.error_offset, c.offset);
      EXPECT_EQ(r.error_char, c.error_char);
      EXPECT_NE(r.reason.find(c.reason_part), std::string::npos) << r.reason;
    }
  }
}

// Characters the code page holds only as a look-alike: the lenient conversion (what a user
// types) takes the look-alike; the exact one refuses, since the text would come back changed.
TEST(TextCodecTest, LookAlikesAreTakenOrRefused) {
  const struct {
    std::string utf8;
    std::string sjis;
    std::string reads_back;
  } cases[] = {
      {U8(u8"〜"), "\x81\x60", U8(u8"～")},  // wave dash U+301C
      {U8(u8"¥"), "\x5C", "\\"},
      {U8(u8"‾"), "\x7E", "~"},
      {U8(u8"−"), "\x81\x7C", U8(u8"－")},  // minus sign U+2212
      {U8(u8"‖"), "\x81\x61", U8(u8"∥")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    std::string text = "ab" + c.utf8;
    core::CodecResult lenient = core::Utf8ToSjis(text);
    ASSERT_TRUE(lenient.ok) << lenient.reason;
    EXPECT_EQ(lenient.text, "ab" + c.sjis);
    core::CodecResult back = core::SjisToUtf8(lenient.text);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.text, "ab" + c.reads_back);

    core::CodecResult exact = core::Utf8ToSjisExact(text);
    EXPECT_FALSE(exact.ok);
    EXPECT_EQ(exact.text, "");
    EXPECT_EQ(exact.error_offset, 2u);
    EXPECT_EQ(exact.error_char, c.utf8);
    EXPECT_NE(exact.reason.find("read back as"), std::string::npos) << exact.reason;
  }
}

TEST(TextCodecTest, CutToBytesKeepsWholeCharacters) {
  const struct {
    std::string text;
    size_t max;
    std::string cut;
  } cases[] = {
      {"abc", 10, "abc"},
      {"aあ", 2, "a"},
      {"ソ", 1, ""},                    // the trail byte 0x5C is not a character of its own
      {"\xB6\xC0\xB6", 2, "\xB6\xC0"},  // half-width katakana are one byte each
  };
  for (const auto& c : cases) EXPECT_EQ(core::CutToBytes(c.text, c.max), c.cut) << c.max;
}

// Random texts of known characters: every cut ends on a character boundary and leaves off
// less than one character.
TEST(TextCodecTest, CutToBytesNeverSplitsACharacterOnRandomText) {
  const std::vector<std::string> alphabet = {"a", "\\", "\xB6", "あ", "ソ", "表", "～", "①"};
  std::mt19937 gen(7);
  for (int round = 0; round < 200; ++round) {
    std::string text;
    std::vector<size_t> boundaries = {0};
    int chars = gen() % 20;
    for (int i = 0; i < chars; ++i) {
      text += alphabet[gen() % alphabet.size()];
      boundaries.push_back(text.size());
    }
    for (size_t max = 0; max <= text.size() + 1; ++max) {
      size_t expected = 0;
      for (size_t b : boundaries)
        if (b <= max) expected = b;
      EXPECT_EQ(core::CutToBytes(text, max).size(), expected) << text << " " << max;
    }
  }
}

}  // namespace
