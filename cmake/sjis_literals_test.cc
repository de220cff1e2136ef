#include "cmake/sjis_literals.h"

#include <gtest/gtest.h>

namespace {

using sjis_literals::ConvertSource;

// This file is compiled as it stands: its narrow literals are UTF-8.
TEST(SjisLiteralsTest, RewritesOnlyOrdinaryLiterals) {
  const struct {
    const char* source;
    const char* converted;
  } cases[] = {
      {"f(\"あ\");", "f(\"\\202\\240\");"},
      {"'あ'", "'\\202\\240'"},
      // Three octal digits always, so a following digit cannot join the escape.
      {"\"ｱ1\"", "\"\\2611\""},
      {"\"\\x41あ\\\"い\"", "\"\\x41\\202\\240\\\"\\202\\242\""},
      {"\"\\u3042\\U00003044\"", "\"\\202\\240\\202\\242\""},
      {"return\"あ\";", "return\"\\202\\240\";"},
      {"\"あ\"_s", "\"\\202\\240\"_s"},
      // GCC's iconv table: look-alikes take the one code page 932 form.
      {"\"～〜−－¥\"", "\"\\201\\140\\201\\140\\201\\174\\201\\174\\134\""},
      // Left alone: comments, other encodings, raw literals of other encodings, text outside.
      {"// \"あ\" it's\nx", "// \"あ\" it's\nx"},
      {"/* 'あ */ \"い\"", "/* 'あ */ \"\\202\\242\""},
      {"// a \\\n\"あ\"", "// a \\\n\"あ\""},
      {"u8\"あ\" u\"あ\" U'あ' L\"あ\"", "u8\"あ\" u\"あ\" U'あ' L\"あ\""},
      {"u8R\"x(あ\")x\" \"い\"", "u8R\"x(あ\")x\" \"\\202\\242\""},
      {"R\"(a\"b)\" \"あ\"", "R\"(a\"b)\" \"\\202\\240\""},
      {"int n = 1'000; \"あ\"", "int n = 1'000; \"\\202\\240\""},
      // An unterminated literal ends at its line.
      {"\"あ\n\"い\"", "\"\\202\\240\n\"\\202\\242\""},
  };
  for (const auto& c : cases) {
    sjis_literals::Conversion result = ConvertSource(c.source);
    ASSERT_TRUE(result.ok) << c.source << ": " << result.error;
    EXPECT_EQ(result.text, c.converted) << c.source;
  }
}

TEST(SjisLiteralsTest, RefusesWhatItCannotWrite) {
  const struct {
    const char* source;
    size_t line;
    const char* error;  // a part of the message
  } cases[] = {
      {"\"µ\"", 1, "no code page 932 form"},        {"a\n\"\\u00b5\"", 2, "no code page 932 form"},
      {"\n\nR\"(あ)\"", 3, "raw string"},           {"\"\\あ\"", 1, "backslash"},
      {"\"\\u30\"", 1, "universal character name"}, {"\"\xE3\x81\"", 1, "invalid UTF-8"},
  };
  for (const auto& c : cases) {
    sjis_literals::Conversion result = ConvertSource(c.source);
    EXPECT_FALSE(result.ok) << c.source;
    EXPECT_EQ(result.line, c.line) << c.source;
    EXPECT_NE(result.error.find(c.error), std::string::npos) << c.source << ": " << result.error;
  }
}

}  // namespace
