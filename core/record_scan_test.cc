// RecordScan: its pieces are the text-mode reader's pieces, whatever the size of its reads,
// and its copy is the file byte for byte without the dropped lines.
#include "core/record_scan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/record_format.h"
#include "core/text_file.h"
#include "testing/work_folder.h"

namespace core {
namespace {

using namespace testing_support;
using Pieces = std::vector<std::pair<std::string, bool>>;

class RecordScanTest : public WorkFolderTest {};

Pieces ReaderPieces(const std::string& path) {
  Pieces pieces;
  TextReader reader;
  EXPECT_TRUE(reader.Open(path));
  TextReader::Piece piece;
  while (reader.Next(kForgetReadUnit, &piece)) pieces.emplace_back(piece.text, piece.line_end);
  return pieces;
}

Pieces ScanPieces(const std::string& path, size_t read_size) {
  Pieces pieces;
  RecordScan scan("", kForgetRules, read_size);
  EXPECT_TRUE(scan.Open(path));
  RecordScan::Piece piece;
  while (scan.Next(&piece)) pieces.emplace_back(piece.text, piece.line_end);
  EXPECT_FALSE(scan.failed());
  return pieces;
}

// The file with its `line`-th line (0-based, counted in the text before a Ctrl-Z, the last
// one possibly without a line break) taken out.
std::string WithoutLine(const std::string& file, size_t line) {
  size_t text_end = file.find('\x1A');
  if (text_end == std::string::npos) text_end = file.size();
  size_t start = 0;
  for (size_t i = 0; i < line; ++i) start = file.find('\n', start) + 1;
  size_t end = file.find('\n', start);
  end = (end == std::string::npos || end >= text_end) ? text_end : end + 1;
  return file.substr(0, start) + file.substr(end);
}

// Copies memory.dat to copy.out, dropping the line of the `drop`-th piece (0-based; none
// when past the end). Returns the line number of that piece.
size_t CopyDropping(size_t drop, size_t read_size) {
  int out = ::open("copy.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  EXPECT_GE(out, 0);
  RecordScan scan("", kForgetRules, read_size);
  EXPECT_TRUE(scan.Open("memory.dat"));
  scan.CopyTo(out);
  RecordScan::Piece piece;
  size_t line = 0, dropped_line = 0;
  for (size_t i = 0; scan.Next(&piece); ++i) {
    if (i == drop) {
      scan.DropLine();
      dropped_line = line;
    }
    if (piece.line_end) ++line;
  }
  EXPECT_TRUE(scan.Finish());
  ::close(out);
  return dropped_line;
}

// Files full of the cases that move a piece's end: lines around the read unit, CR LF and
// lone LF and lone CR, CR at the very end of a unit, NULs, Ctrl-Z with a tail.
std::vector<std::string> TrickyFiles() {
  std::vector<std::string> files = {
      "",
      "a",
      "\n",
      "\r\n",
      "\r",
      "\r\r\n",
      "abc\r\ndef\nghi",
      "abc\x1A"
      "def\r\nghi",
      std::string(347, 'a') + "\r\n" + std::string(348, 'b') + "\r\n" + std::string(349, 'c') +
          "\r\n" + std::string(350, 'd') + "\n" + std::string(348, 'e') + "\n" +
          std::string(349, 'f') + "\n",
      std::string(348, 'a') + "\r\r\n" + std::string(1200, 'b'),
      std::string(349, 'a') + "\r" + std::string(10, 'b') + "\r\n",
      std::string(5, '\0') + "\r\n" + std::string(700, '\r') + "\n",
  };
  std::mt19937 rng(7);
  const char alphabet[] = {'a', 'b', '/', '\r', '\n', '\0', '(', '.', '\x03'};
  for (int f = 0; f < 20; ++f) {
    std::string file;
    size_t size = rng() % 5000;
    while (file.size() < size) {
      if (rng() % 8 == 0) {
        file.append(rng() % 800, 'x');  // long runs make long lines
      } else {
        file.push_back(alphabet[rng() % sizeof alphabet]);
      }
    }
    if (f % 5 == 4)
      file +=
          "\x1A"
          "tail\r\n\x1A";
    files.push_back(file);
  }
  return files;
}

TEST_F(RecordScanTest, PiecesAreTheTextReadersForEveryReadSize) {
  for (const std::string& file : TrickyFiles()) {
    WriteFile("memory.dat", file);
    Pieces expected = ReaderPieces("memory.dat");
    for (size_t read_size : {1, 2, 7, 350, 351, 4096, 1 << 20}) {
      EXPECT_EQ(ScanPieces("memory.dat", read_size), expected)
          << "file of " << file.size() << " bytes, reads of " << read_size;
    }
  }
}

TEST_F(RecordScanTest, CopyIsByteForByteWithoutTheDroppedLine) {
  for (const std::string& file : TrickyFiles()) {
    WriteFile("memory.dat", file);
    size_t pieces = ReaderPieces("memory.dat").size();
    for (size_t read_size : {3, 352, 1 << 20}) {
      CopyDropping(pieces, read_size);  // nothing dropped
      ASSERT_EQ(ReadFile("copy.out"), file) << file.size() << " bytes, reads of " << read_size;
      for (size_t drop : {size_t{0}, pieces / 2, pieces - 1}) {
        if (drop >= pieces) continue;
        size_t line = CopyDropping(drop, read_size);
        ASSERT_EQ(ReadFile("copy.out"), WithoutLine(file, line))
            << file.size() << " bytes, reads of " << read_size << ", piece " << drop;
      }
    }
  }
}

TEST_F(RecordScanTest, LineLongerThanTheBufferIsKeptWholeUntilItsEnd) {
  const std::string file = "a\r\n" + std::string(100000, 'x') + "\r\nb\r\n";
  WriteFile("memory.dat", file);
  size_t pieces = ReaderPieces("memory.dat").size();
  ASSERT_GT(pieces, 200u);
  EXPECT_EQ(CopyDropping(pieces / 2, 512), 1u);
  EXPECT_EQ(ReadFile("copy.out"), "a\r\nb\r\n");
}

TEST_F(RecordScanTest, PlainTextOfAPieceAsTheListShowsIt) {
  const struct {
    std::string stored;
    bool line_end;
    std::string plain;
  } cases[] = {
      {"def", true, "abc\n"},
      {"def", false, "abc"},
      {std::string("de\0f", 4), true, "ab"},  // a NUL ends the text and its line break
      {"de\x03"
       "f",
       true, "ab"},  // so does a byte that reads back as NUL
      {"", true, "\n"},
      {"\x01", false, "\xFE"},
  };
  for (const auto& c : cases) {
    std::string out = "> ";
    RecordScan::AppendPlain(RecordScan::Piece{c.stored, c.line_end, false, false}, &out);
    EXPECT_EQ(out, "> " + c.plain);
  }
}

TEST_F(RecordScanTest, KeywordPartEndsAtTheSeparatorOrAtAStoredNul) {
  const struct {
    std::string keyword;
    std::string stored;  // one line, as stored
    bool matches;
  } cases[] = {
      {"abc", Stored({"b%+%x"}), true},
      {"abc",
       "e\x03"
       "zz\r\n",
       true},                                        // reads back as "b", NUL, ...
      {"abc", "\x03\r\n", true},                     // an empty keyword part
      {"abc", std::string("\0", 1) + "\r\n", true},  // empty text
      {"abc", "\r\n", false},                        // the line break alone
      {"a\nb", "\r\n", true},
      {"a\nb", Stored({"a"}), true},  // "a" and its line break
      {"", Stored({"%+%x"}), false},  // an empty entered text calls up nothing
      {std::string("x\0abc", 5), Stored({"a%+%x"}), false},  // the entered text ends at a NUL
      {"abc", "/" + Stored({"b%+%x"}), false},               // a record, but its "b" is "/b"
      {"hi", "/kl//\r\n", false},                            // a comment
  };
  for (const auto& c : cases) {
    WriteFile("memory.dat", c.stored);
    RecordScan scan(c.keyword, kForgetRules);
    ASSERT_TRUE(scan.Open("memory.dat"));
    RecordScan::Piece piece;
    ASSERT_TRUE(scan.Next(&piece));
    EXPECT_EQ(piece.matches, c.matches) << c.keyword << " / " << c.stored;
  }
}

}  // namespace
}  // namespace core
