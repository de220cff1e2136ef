#include "core/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>
#include <string>
#include <vector>

#include "testing/work_folder.h"

namespace {

using testing_support::Path;
using testing_support::ReadFile;
using testing_support::TestFolder;
using testing_support::TextModeStream;
using testing_support::WriteFile;

// fgets with a buffer of unit + 1 bytes, over and over: each piece ends after a line break
// or at `unit` bytes.
std::vector<std::string> FgetsPieces(const std::string& stream, size_t unit) {
  std::vector<std::string> pieces;
  size_t pos = 0;
  while (pos < stream.size()) {
    std::string piece;
    while (pos < stream.size() && piece.size() < unit) {
      piece.push_back(stream[pos++]);
      if (piece.back() == '\n') break;
    }
    pieces.push_back(piece);
  }
  return pieces;
}

std::vector<std::string> ReaderPieces(const std::string& name, size_t unit) {
  core::TextReader reader;
  EXPECT_TRUE(reader.Open(TestFolder(), name));
  std::vector<std::string> pieces;
  std::string line;
  while (reader.ReadLine(unit, &line)) pieces.push_back(line);
  EXPECT_FALSE(reader.failed());
  return pieces;
}

class TextFileTest : public testing_support::WorkFolderTest {};

TEST_F(TextFileTest, PiecesAtReadUnitBoundaries) {
  const std::string a347(347, 'a'), a348(348, 'a');
  struct Case {
    std::string raw;
    size_t unit;
    std::vector<std::string> pieces;
  } cases[] = {
      {std::string(400, 'x') + "\r\n", 348, {std::string(348, 'x'), std::string(52, 'x') + "\n"}},
      {a347 + "\r\n", 348, {a347 + "\n"}},
      {a347 + "\n", 348, {a347 + "\n"}},
      {a348 + "\r\n", 348, {a348, "\n"}},
      {a348 + "\r\n", 349, {a348 + "\n"}},
      {a347 + "\r\r\n", 348, {a347 + "\r", "\n"}},  // the CR at the boundary stays a CR
      {a347 + "\rb\n", 348, {a347 + "\r", "b\n"}},
      {"a\rb\r\n\r\n", 348, {"a\rb\n", "\n"}},  // a lone CR is a byte, an empty line a piece
      {"ab\x1a"
       "cd\r\n",
       348,
       {"ab"}},  // Ctrl-Z ends the file
      {"ab\r\x1a\n", 348, {"ab\r"}},
      {std::string("a\0b\r\n", 5), 348, {std::string("a\0b\n", 4)}},  // NULs are bytes
      {"last", 348, {"last"}},                                        // a truncated last line
      {"ab\r", 348, {"ab\r"}},
      {std::string(397, 'c') + "\r\n" + std::string(398, 'd') + "\r\n",
       398,
       {std::string(397, 'c') + "\n", std::string(398, 'd'), "\n"}},
  };
  for (const Case& c : cases) {
    WriteFile("f", c.raw);
    EXPECT_EQ(ReaderPieces("f", c.unit), c.pieces)
        << "unit " << c.unit << " raw size " << c.raw.size();
  }
}

// Random files against the reference: every mixture of line ends, lone CRs, Ctrl-Z and NULs,
// with lines around the read units and a file larger than the reader's block.
TEST_F(TextFileTest, PiecesMatchTextModeFgetsOnRandomFiles) {
  std::mt19937 rng(20240601);
  const char bytes[] = {'a', 'b', '\r', '\n', '\0', '\x1a', '\xfd'};
  const size_t lengths[] = {0, 1, 2, 346, 347, 348, 349, 350, 397, 398, 399, 700};
  for (int file = 0; file < 60; ++file) {
    std::string raw;
    const size_t target = file == 0 ? (3u << 20) : rng() % 4000;
    while (raw.size() < target) {
      size_t len = rng() % 3 ? lengths[rng() % std::size(lengths)] : rng() % 60;
      for (size_t i = 0; i < len; ++i) {
        int roll = rng() % 100;
        raw.push_back(roll < 96 ? 'a' + rng() % 26 : bytes[rng() % std::size(bytes)]);
      }
      const char* ends[] = {"\r\n", "\n", "\r", "\r\r\n", ""};
      raw += ends[rng() % std::size(ends)];
    }
    // Ctrl-Z only now and then, or the files would mostly end early.
    if (file != 0 && rng() % 8 != 0) {
      for (char& c : raw) {
        if (c == '\x1a') c = 'z';
      }
    }
    WriteFile("f", raw);
    for (size_t unit : {1u, 2u, 348u, 349u, 398u}) {
      ASSERT_EQ(ReaderPieces("f", unit), FgetsPieces(TextModeStream(raw), unit))
          << "file " << file << " unit " << unit;
    }
  }
}

TEST_F(TextFileTest, NextLineGivesWholeLinesAndCanKeepCtrlZ) {
  std::string long_line(5000, 'q');
  WriteFile("f", long_line + "\r\nx\x1ay\r\r\n" + "end");
  for (bool ctrl_z_ends : {true, false}) {
    core::TextReader reader;
    ASSERT_TRUE(reader.Open(persona.folder(), "f", ctrl_z_ends));
    std::vector<std::string> lines;
    core::TextReader::Piece piece;
    while (reader.NextLine(&piece)) {
      lines.push_back(std::string(piece.text) + (piece.line_end ? "|" : ""));
    }
    std::vector<std::string> want = {long_line + "|", "x"};
    if (!ctrl_z_ends) want = {long_line + "|", "x\x1ay\r|", "end"};
    EXPECT_EQ(lines, want) << ctrl_z_ends;
  }
}

TEST_F(TextFileTest, OpenAndCanReadRefuseMissingFilesFoldersAndPipes) {
  ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
  WriteFile("locked", "x");
  ASSERT_EQ(chmod(Path("locked").c_str(), 0), 0);
  // A named pipe with nobody at its other end would block every open: it is no data file.
  ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0644), 0);
  core::TextReader reader;
  for (const char* name : {"missing", "folder", "locked", "pipe"}) {
    EXPECT_FALSE(reader.Open(persona.folder(), name)) << name;
    EXPECT_FALSE(core::CanRead(persona.folder(), name)) << name;
  }
  EXPECT_EQ(core::AppendToFile(persona.folder(), "pipe", "x\r\n"), core::AppendResult::kOpenFailed);
  EXPECT_FALSE(core::ReplaceFile(persona.folder(), "pipe", "x\r\n"));
  WriteFile("file", "");
  EXPECT_TRUE(core::CanRead(persona.folder(), "file"));
}

TEST_F(TextFileTest, AppendRollsBackAFailedWrite) {
  WriteFile("m", "head\r\n");
  {
    testing_support::ScopedFileSizeLimit limit(10);
    EXPECT_EQ(core::AppendToFile(persona.folder(), "m", "0123456789\r\n"),
              core::AppendResult::kWriteFailed);
    EXPECT_EQ(core::AppendLine(persona.folder(), "m", "0123456789\r\n"),
              core::AppendResult::kWriteFailed);
  }
  EXPECT_EQ(ReadFile("m"), "head\r\n");
  EXPECT_EQ(core::AppendToFile(persona.folder(), "m", "next\r\n"), core::AppendResult::kOk);
  EXPECT_EQ(ReadFile("m"), "head\r\nnext\r\n");

  testing_support::MakeReadOnly("m");
  EXPECT_EQ(core::AppendToFile(persona.folder(), "m", "x"), core::AppendResult::kOpenFailed);
  EXPECT_EQ(core::AppendLine(persona.folder(), "m", "x"), core::AppendResult::kOpenFailed);
  EXPECT_EQ(ReadFile("m"), "head\r\nnext\r\n");
}

TEST_F(TextFileTest, AppendLineStartsOnANewLine) {
  struct Case {
    std::string before, after;
  } cases[] = {
      {"", "r\r\n"},       {"a\r\n", "a\r\nr\r\n"}, {"a\n", "a\nr\r\n"},
      {"a", "a\r\nr\r\n"}, {"a\r", "a\r\r\nr\r\n"},
  };
  for (const Case& c : cases) {
    WriteFile("m", c.before);
    EXPECT_EQ(core::AppendLine(persona.folder(), "m", "r\r\n"), core::AppendResult::kOk);
    EXPECT_EQ(ReadFile("m"), c.after) << c.before;
  }
  core::RemoveFile(persona.folder(), "m");
  EXPECT_EQ(core::AppendLine(persona.folder(), "m", "new\r\n"),
            core::AppendResult::kOk);  // created if missing
  EXPECT_EQ(ReadFile("m"), "new\r\n");
}

TEST_F(TextFileTest, ReplaceFileKeepsOldFileOnFailureAndKeepsPermissions) {
  WriteFile("s", "old");
  ASSERT_EQ(chmod(Path("s").c_str(), 0640), 0);
  EXPECT_TRUE(core::ReplaceFile(persona.folder(), "s", "new"));
  EXPECT_EQ(ReadFile("s"), "new");
  struct stat st;
  ASSERT_EQ(stat(Path("s").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  {
    testing_support::ScopedFileSizeLimit limit(4);
    EXPECT_FALSE(core::ReplaceFile(persona.folder(), "s", "much longer"));
  }
  EXPECT_EQ(ReadFile("s"), "new");
  testing_support::MakeReadOnly("s");
  EXPECT_FALSE(core::ReplaceFile(persona.folder(), "s", "other"));
  EXPECT_EQ(ReadFile("s"), "new");
  EXPECT_EQ(testing_support::ListFolder(), std::vector<std::string>{"s"});  // no leftovers
}

TEST_F(TextFileTest, ReadWholeFileAndItsStamp) {
  ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
  ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0644), 0);
  std::string buffer;
  auto place = [&](size_t size) {
    buffer.assign(size, '?');
    return buffer.data();
  };
  size_t read = 7;
  core::FileStamp stamp;
  for (const char* name : {"missing", "folder", "pipe"}) {
    EXPECT_FALSE(core::ReadWholeFile(persona.folder(), name, place, &read, &stamp)) << name;
    EXPECT_EQ(read, 0u) << name;
  }
  EXPECT_FALSE(core::StampOf(persona.folder(), "missing").exists);
  const std::string bytes("a\r\n\x1a\0b", 6);  // raw: no text-mode reading
  WriteFile("m", bytes);
  ASSERT_TRUE(core::ReadWholeFile(persona.folder(), "m", place, &read, &stamp));
  EXPECT_EQ(buffer.substr(0, read), bytes);
  EXPECT_TRUE(stamp.exists);
  EXPECT_EQ(stamp, core::StampOf(persona.folder(), "m"));
  // A change in place and a rewrite by rename both give another stamp.
  WriteFile("m", bytes + "x");
  EXPECT_NE(core::StampOf(persona.folder(), "m"), stamp);
  stamp = core::StampOf(persona.folder(), "m");
  ASSERT_TRUE(core::ReplaceFile(persona.folder(), "m", bytes + "x"));
  EXPECT_NE(core::StampOf(persona.folder(), "m"), stamp);
}

TEST(TextFileConversion, CrLf) {
  EXPECT_EQ(core::ToCrLf("a\nb\n\n"), "a\r\nb\r\n\r\n");
  EXPECT_EQ(core::FromCrLf("a\r\nb\r\r\n\r"), "a\nb\r\n\r");
}

}  // namespace
