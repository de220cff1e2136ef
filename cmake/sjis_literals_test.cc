#include "cmake/sjis_literals.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

// The tool as the build runs it: the copy points back to its source, and a refused source
// leaves no copy behind.
TEST(SjisLiteralsTest, ToolWritesTheCopyOrNothing) {
  std::string dir = std::filesystem::temp_directory_path().string() + "/sjis-literals-XXXXXX";
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  auto write = [](const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  };
  auto read = [](const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
  };
  auto run = [&](const std::string& in, const std::string& out) {
    std::string command =
        std::string(SJIS_LITERALS_TOOL) + " " + in + " " + out + " 2>" + dir + "/err";
    return WEXITSTATUS(std::system(command.c_str()));
  };

  write(dir + "/good.cc", "// あ\nconst char* k = \"あ\";\n");
  EXPECT_EQ(run(dir + "/good.cc", dir + "/good.out"), 0);
  EXPECT_EQ(read(dir + "/good.out"),
            "#line 1 \"" + dir + "/good.cc\"\n// あ\nconst char* k = \"\\202\\240\";\n");

  write(dir + "/bad.cc", "int a;\nconst char* k = \"µ\";\n");
  EXPECT_EQ(run(dir + "/bad.cc", dir + "/bad.out"), 1);
  EXPECT_FALSE(std::ifstream(dir + "/bad.out").good());
  EXPECT_EQ(read(dir + "/err").rfind(dir + "/bad.cc:2: error:", 0), 0u) << read(dir + "/err");
  std::filesystem::remove_all(dir);
}

}  // namespace
