#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/record_format.h"
#include "core/text_codec.h"
#include "core/text_file.h"
#include "tools/data_file.h"

// Narrow literals are compiled to code page 932: "あ" is Shift-JIS, U8(u8"あ") is UTF-8.
namespace {

using rinu_data::Conversion;
using rinu_data::DecodeStored;
using rinu_data::EncodePlain;
using rinu_data::FileKind;

std::string U8(std::u8string_view s) { return std::string(s.begin(), s.end()); }

// The stored form of one Shift-JIS line, without its line end: every byte +3.
std::string Shifted(std::string_view sjis) {
  std::string out(sjis);
  for (char& c : out) c = static_cast<char>(static_cast<unsigned char>(c) + 3);
  return out;
}

struct RoundTripCase {
  const char* name;
  FileKind kind;
  std::string text;
  std::string stored;
};

TEST(DataFileTest, EncodesAndDecodesBack) {
  const FileKind M = FileKind::kMemory;
  const FileKind L = FileKind::kLines;
  const RoundTripCase cases[] = {
      {"empty text", M, "", ""},
      {"one empty line", M, "\n", "\r\n"},
      {"record", M, U8(u8"おはよう%+%NAMEさん、おはよう！\n"),
       Shifted("おはよう%+%NAMEさん、おはよう！") + "\r\n"},
      {"last line without a break", M, "abc\nxyz", "def\r\n{|}"},
      {"comment kept as it is", M, U8(u8"// メモ\nhi%+%yo\n"),
       "// メモ\r\n" + Shifted("hi%+%yo") + "\r\n"},
      {"comment as the last line without a break", M, "a\n//end", "d\r\n//end"},
      {"empty lines between", M, "a\n\n\nb\n", "d\r\n\r\n\r\ne\r\n"},
      {"one slash is a record", M, "/x\n", "2{\r\n"},
      {"boke: slashes are shifted", L, "//x\n", "22{\r\n"},
      {"boke: two commas are stored as slashes", L, ",,x\n", "//{\r\n"},
      {"boke: separator kept", L, "x%+%y\n", "{(.(|\r\n"},
      {"half-width katakana, trail 0x5C, backslash, tilde", M, U8(u8"ｶﾀｶﾅ表\\~\n"),
       Shifted("ｶﾀｶﾅ表\\~") + "\r\n"},
      {"highest bytes", M, U8(u8"髙\n"), "\xFE\xFF\r\n"},
      {"full-width tilde", L, U8(u8"よろしく～\n"), Shifted("よろしく～") + "\r\n"},
  };
  for (const RoundTripCase& c : cases) {
    SCOPED_TRACE(c.name);
    Conversion enc = EncodePlain(c.text, c.kind);
    ASSERT_TRUE(enc.ok) << enc.problem.reason;
    EXPECT_EQ(enc.output, c.stored);
    Conversion dec = DecodeStored(c.stored, c.kind);
    ASSERT_TRUE(dec.ok) << dec.problem.reason;
    EXPECT_EQ(dec.output, c.text);
    EXPECT_TRUE(enc.warnings.empty());
    EXPECT_TRUE(dec.warnings.empty());
  }
}

TEST(DataFileTest, DecodesLfAndCrLfAlike) {
  Conversion dec = DecodeStored("def\n\r\nghi\r\n{|}\n", FileKind::kMemory);
  ASSERT_TRUE(dec.ok);
  EXPECT_EQ(dec.output, "abc\n\ndef\nxyz\n");
  // Text written with CR LF line ends is taken as well.
  Conversion enc = EncodePlain("abc\r\n\r\nxyz", FileKind::kMemory);
  ASSERT_TRUE(enc.ok);
  EXPECT_EQ(enc.output, "def\r\n\r\n{|}");
}

struct RefusalCase {
  const char* name;
  FileKind kind;
  std::string input;
  size_t line;
  const char* reason_part;
};

void ExpectRefused(const Conversion& c, const RefusalCase& r) {
  EXPECT_FALSE(c.ok);
  EXPECT_EQ(c.output, "");
  EXPECT_EQ(c.problem.line, r.line);
  EXPECT_NE(c.problem.reason.find(r.reason_part), std::string::npos) << c.problem.reason;
}

TEST(DataFileTest, EncodeRefusesWhatWouldNotReadBackAsWritten) {
  const FileKind M = FileKind::kMemory;
  const FileKind L = FileKind::kLines;
  const RefusalCase cases[] = {
      {"invalid UTF-8 on line 2", M, "ok\n\xC3\x28\n", 2, "invalid UTF-8"},
      {"overlong UTF-8", L, "\xC0\xAF", 1, "invalid UTF-8"},
      {"emoji", M, "a\nb\n" + U8(u8"やった😀\n"), 3, "U+1F600"},
      {"wave dash look-alike", M, U8(u8"またね〜\n"), 1, "read back as"},
      {"byte order mark", M, U8(u8"\uFEFFhi\n"), 1, "U+FEFF"},
      {"bell byte", M,
       "a\x07"
       "b\n",
       1, "0x07"},
      {"byte 0x17", L, "x\n\x17\n", 2, "0x17"},
      {"NUL", M, std::string("a\0b\n", 4), 1, "NUL"},
      {"CR inside a line", M, "a\rb\n", 1, "CR"},
      {"CR at the very end", L, "abc\r", 1, "CR"},
      {"two commas in memory.dat", M, "ok\n,,x%+%y\n", 2, "comment"},
      {"two commas after a bad byte", L, ",,\x07\n", 1, "0x07"},
      {"comment holding 0x1A", M, "//a\x1A\n", 1, "0x1A"},
      {"348 bytes", M, std::string(348, 'a') + "\n", 1, "347"},
      {"348 bytes of Shift-JIS", L,
       [] {
         std::string s;
         for (int i = 0; i < 174; ++i) s += U8(u8"あ");
         return s;
       }(),
       1, "348 bytes"},
      {"long comment", M, "//" + std::string(346, 'x'), 1, "347"},
  };
  for (const RefusalCase& r : cases) {
    SCOPED_TRACE(r.name);
    ExpectRefused(EncodePlain(r.input, r.kind), r);
  }
}

TEST(DataFileTest, LinesUpTo347BytesAreStored) {
  std::string kana;
  for (int i = 0; i < 173; ++i) kana += U8(u8"あ");
  for (const std::string& text :
       {std::string(347, 'a'), kana + "a", "//" + std::string(345, 'x')}) {
    Conversion enc = EncodePlain(text + "\n", FileKind::kMemory);
    ASSERT_TRUE(enc.ok) << enc.problem.reason;
    EXPECT_EQ(enc.output.size(), 349u);
  }
}

TEST(DataFileTest, DecodeRefusesWhatTheProgramWouldReadOtherwise) {
  const FileKind M = FileKind::kMemory;
  const FileKind L = FileKind::kLines;
  const RefusalCase cases[] = {
      {"unassigned code", M, Shifted("\x85\x40") + "\r\n", 1, "not a Shift-JIS"},
      {"duplicate code", L, "d\r\n" + Shifted("\xED\x40") + "\r\n", 2, "duplicate"},
      {"lead byte cut off by the line end", M, Shifted("a\x82") + "\r\ne\r\n", 1, "cut off"},
      {"stored NUL", M, std::string("de\0\r\n", 5), 1, "NUL"},
      {"stored 0x1A", L,
       "d\x1A"
       "d\r\n",
       1, "0x1A"},
      {"stored 0x03 reads back as NUL", M, "\x03\r\n", 1, "0x03"},
      {"stored 0x10 reads back as CR", M, "d\x10\r\n", 1, "CR"},
      {"lone CR inside a line", M, "de\rfg\r\n", 1, "CR"},
      {"CR at the very end", L, "d\r\ndef\r", 2, "CR"},
      {"record that looks like a comment", M, "22{\r\n", 1, "comment"},
      {"comment not Shift-JIS", M, "//\x85\x40\r\n", 1, "not a Shift-JIS"},
      {"comment holding NUL", M, std::string("//a\0\r\n", 6), 1, "NUL"},
      {"comment holding 0x1A", M, "//\x1A\r\n", 1, "0x1A"},
  };
  for (const RefusalCase& r : cases) {
    SCOPED_TRACE(r.name);
    ExpectRefused(DecodeStored(r.input, r.kind), r);
  }
}

TEST(DataFileTest, LongStoredLineIsDecodedWithAWarning) {
  std::string stored = "d\r\n" + std::string(400, 'd') + "\r\n" + std::string(347, 'd') + "\r\n";
  Conversion dec = DecodeStored(stored, FileKind::kMemory);
  ASSERT_TRUE(dec.ok) << dec.problem.reason;
  EXPECT_EQ(dec.output, "a\n" + std::string(400, 'a') + "\n" + std::string(347, 'a') + "\n");
  ASSERT_EQ(dec.warnings.size(), 1u);
  EXPECT_EQ(dec.warnings[0].line, 2u);
  // Storing it again is refused: the program would take it for two lines.
  EXPECT_FALSE(EncodePlain(dec.output, FileKind::kMemory).ok);
}

// Random texts of characters that are all storable: each one encodes, decodes to itself and
// encodes to the same bytes again. Lines that start with ",," are refused in memory.dat only.
TEST(DataFileTest, RandomTextsRoundTrip) {
  const std::vector<std::string> alphabet = {
      "a", "Z",        " ",        "\t",      "%+%",      "%",        "/",       ",",       "\\",
      "~", U8(u8"あ"), U8(u8"表"), U8(u8"ｶ"), U8(u8"～"), U8(u8"髙"), U8(u8"①"), U8(u8"。")};
  std::mt19937 gen(12345);
  int refused = 0;
  for (int round = 0; round < 500; ++round) {
    FileKind kind = gen() % 2 ? FileKind::kMemory : FileKind::kLines;
    std::string text;
    bool double_comma = false;
    int lines = gen() % 8;
    for (int i = 0; i < lines; ++i) {
      std::string line;
      int start = gen() % 4;
      if (start == 0) line = "//";
      if (start == 1) line = ",,";
      int chars = gen() % 12;
      for (int k = 0; k < chars; ++k) line += alphabet[gen() % alphabet.size()];
      if (line.rfind(",,", 0) == 0) double_comma = true;
      text += line;
      if (i + 1 < lines || gen() % 2) text += "\n";
    }
    SCOPED_TRACE(text);
    Conversion enc = EncodePlain(text, kind);
    bool expect_ok = !(double_comma && kind == FileKind::kMemory);
    ASSERT_EQ(enc.ok, expect_ok) << enc.problem.reason;
    if (!enc.ok) {
      ++refused;
      continue;
    }
    Conversion dec = DecodeStored(enc.output, kind);
    ASSERT_TRUE(dec.ok) << dec.problem.reason;
    EXPECT_EQ(dec.output, text);
    Conversion again = EncodePlain(dec.output, kind);
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(again.output, enc.output);
  }
  EXPECT_GT(refused, 0);
  EXPECT_LT(refused, 400);
}

// Random stored files, garbage included: whatever decodes re-encodes to exactly its bytes.
TEST(DataFileTest, WhatDecodesReEncodesToTheSameBytes) {
  std::mt19937 gen(777);
  auto piece = [&]() -> std::string {
    switch (gen() % 12) {
      case 0: {  // any byte but LF: the files are written with CR LF only
        char b = static_cast<char>(gen() % 256);
        return std::string(1, b == '\n' ? 'd' : b);
      }
      case 1: {
        const char specials[] = {0x00, 0x03, 0x0D, 0x10, 0x1A, 0x1D, '/', '2', '(', '.'};
        return std::string(1, specials[gen() % sizeof specials]);
      }
      case 2: {  // any lead and trail byte pair, shifted: many are no character
        unsigned char lead = gen() % 2 ? 0x81 + gen() % 31 : 0xE0 + gen() % 29;
        unsigned char trail = 0x40 + gen() % 189;
        return Shifted(std::string{static_cast<char>(lead), static_cast<char>(trail)});
      }
      case 3:
        return Shifted("あ");
      case 4:
        return Shifted("%+%");
      default:
        return Shifted(std::string(1, static_cast<char>('a' + gen() % 26)));
    }
  };
  int decoded = 0;
  int refused = 0;
  for (int round = 0; round < 3000; ++round) {
    FileKind kind = gen() % 2 ? FileKind::kMemory : FileKind::kLines;
    std::string stored;
    int lines = 1 + gen() % 4;
    for (int i = 0; i < lines; ++i) {
      if (gen() % 5 == 0) stored += "//";
      int pieces = gen() % 6;
      for (int k = 0; k < pieces; ++k) stored += piece();
      if (i + 1 < lines || gen() % 2) stored += "\r\n";
    }
    Conversion dec = DecodeStored(stored, kind);
    if (!dec.ok) {
      ++refused;
      EXPECT_EQ(dec.output, "");
      EXPECT_GE(dec.problem.line, 1u);
      continue;
    }
    ++decoded;
    Conversion enc = EncodePlain(dec.output, kind);
    ASSERT_TRUE(enc.ok) << enc.problem.reason << " for " << dec.output;
    EXPECT_EQ(enc.output, stored);
  }
  EXPECT_GT(decoded, 300);
  EXPECT_GT(refused, 300);
}

TEST(DataFileTest, KindFollowsTheFileName) {
  const struct {
    const char* path;
    FileKind kind;
  } cases[] = {
      {"boke.dat", FileKind::kLines},       {"no.dat", FileKind::kLines},
      {"data/boke.dat", FileKind::kLines},  {"/tmp/x/No.DAT", FileKind::kLines},
      {"memory.dat", FileKind::kMemory},    {"data/Memory.dat", FileKind::kMemory},
      {"boke.dat.bak", FileKind::kMemory},  {"xno.dat", FileKind::kMemory},
      {"no.dat/memory", FileKind::kMemory},
  };
  for (const auto& c : cases) EXPECT_EQ(rinu_data::KindForPath(c.path), c.kind) << c.path;
}

TEST(DataFileTest, ParsesTheCommandLine) {
  using Command = rinu_data::Options::Command;
  const struct {
    std::vector<std::string> args;
    bool ok = false;
    Command command = Command::kNone;
    FileKind kind = FileKind::kMemory;
    std::string input = "";
    std::string output = "";
  } cases[] = {
      {{"--help"}, true, Command::kHelp, FileKind::kMemory, "", ""},
      {{"decode", "-h"}, true, Command::kHelp, FileKind::kMemory, "", ""},
      {{"decode", "data/boke.dat"}, true, Command::kDecode, FileKind::kLines, "data/boke.dat", ""},
      {{"decode", "memory.dat"}, true, Command::kDecode, FileKind::kMemory, "memory.dat", ""},
      {{"decode", "--lines", "x.dat"}, true, Command::kDecode, FileKind::kLines, "x.dat", ""},
      {{"--memory", "decode", "no.dat"}, true, Command::kDecode, FileKind::kMemory, "no.dat", ""},
      {{"encode"}, true, Command::kEncode, FileKind::kMemory, "", ""},
      {{"encode", "-o", "no.dat"}, true, Command::kEncode, FileKind::kLines, "", "no.dat"},
      {{"encode", "-o", "no.dat", "--memory"},
       true,
       Command::kEncode,
       FileKind::kMemory,
       "",
       "no.dat"},
      {{"encode", "--lines"}, true, Command::kEncode, FileKind::kLines, "", ""},
      {{}, false},
      {{"decode"}, false},
      {{"decode", "a", "b"}, false},
      {{"decode", "a", "-o", "b"}, false},
      {{"encode", "file"}, false},
      {{"encode", "-o"}, false},
      {{"encode", "-o", "a", "-o", "b"}, false},
      {{"encode", "--lines", "--memory"}, false},
      {{"encode", "--verbose"}, false},
      {{"convert", "x"}, false},
  };
  for (const auto& c : cases) {
    std::string joined;
    for (const std::string& a : c.args) joined += a + " ";
    SCOPED_TRACE(joined);
    rinu_data::Options options;
    std::string error;
    ASSERT_EQ(rinu_data::ParseArguments(c.args, &options, &error), c.ok);
    if (!c.ok) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_EQ(options.command, c.command);
    if (c.command == Command::kHelp) continue;
    EXPECT_EQ(options.kind, c.kind);
    EXPECT_EQ(options.input, c.input);
    EXPECT_EQ(options.output, c.output);
  }
}

std::string ReadSourceFile(const std::string& relative) {
  std::ifstream in(std::string(RINU_SOURCE_DIR) + "/" + relative, std::ios::binary);
  EXPECT_TRUE(in.good()) << relative;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

size_t Utf8Chars(std::string_view s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

// The data files a new working folder starts with are generated from data/src by
// scripts/make-data; they must be exactly what the sources say.
TEST(DataFileTest, CommittedDataFilesMatchTheirSources) {
  const struct {
    const char* name;
    FileKind kind;
    size_t min_records;
  } files[] = {
      {"memory", FileKind::kMemory, 150},
      {"boke", FileKind::kLines, 30},
      {"no", FileKind::kLines, 10},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    std::string stored = ReadSourceFile(std::string("data/") + f.name + ".dat");
    std::string text = ReadSourceFile(std::string("data/src/") + f.name + ".txt");
    Conversion dec = DecodeStored(stored, f.kind);
    ASSERT_TRUE(dec.ok) << rinu_data::FormatProblem(f.name, dec.problem);
    EXPECT_EQ(dec.output, text);
    Conversion enc = EncodePlain(text, f.kind);
    ASSERT_TRUE(enc.ok) << rinu_data::FormatProblem(f.name, enc.problem);
    EXPECT_EQ(enc.output, stored);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');

    size_t records = 0;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
      EXPECT_FALSE(line.empty()) << "empty line";
      if (f.kind == FileKind::kMemory) {
        if (line.rfind("//", 0) == 0) continue;
        size_t sep = line.find("%+%");
        ASSERT_NE(sep, std::string::npos) << line;
        EXPECT_GE(Utf8Chars(line.substr(0, sep)), 1u) << line;
        EXPECT_LE(Utf8Chars(line.substr(0, sep)), 6u) << line;
        EXPECT_GT(line.size(), sep + 3) << line;
      } else {
        EXPECT_EQ(line.find("%+%"), std::string::npos) << line;
      }
      // The chat window puts the user's name in place of the first "NAME" only.
      size_t name = line.find("NAME");
      if (name != std::string::npos) {
        EXPECT_EQ(line.find("NAME", name + 1), std::string::npos) << line;
      }
      ++records;
    }
    EXPECT_GE(records, f.min_records);
    std::printf("%s: %zu records\n", f.name, records);
  }
}

// The same files as the program reads them, in its read unit: every line arrives whole, the
// comments are skipped, and every other line unshifts to its source line.
TEST(DataFileTest, CommittedDataFilesReadWholeByTheProgram) {
  for (const char* name : {"memory", "boke", "no"}) {
    SCOPED_TRACE(name);
    std::istringstream source(ReadSourceFile(std::string("data/src/") + name + ".txt"));
    core::Folder data(std::string(RINU_SOURCE_DIR) + "/data");  // outlives the reader
    core::TextReader reader;
    ASSERT_TRUE(reader.Open(data, std::string(name) + ".dat"));
    core::TextReader::Piece piece;
    std::string expected;
    size_t lines = 0;
    while (reader.Next(kReplyReadUnit, &piece)) {
      ++lines;
      ASSERT_TRUE(piece.line_end) << "line " << lines << " arrives in pieces";
      ASSERT_TRUE(std::getline(source, expected));
      std::string line(piece.text);
      if (std::string_view(name) == "memory" && IsCommentLine(line)) {
        EXPECT_EQ(expected.rfind("//", 0), 0u);
        continue;
      }
      ShiftLine(line, ShiftRead);
      EXPECT_EQ(line, core::Utf8ToSjis(expected).text);
    }
    EXPECT_FALSE(reader.failed());
    EXPECT_FALSE(std::getline(source, expected)) << "the program stops before the end";
  }
}

}  // namespace
