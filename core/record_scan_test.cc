// RecordScan: its pieces are the text-mode reader's pieces, whatever the size of its reads,
// its copy is the file byte for byte without the dropped lines, and its fast path finds
// exactly the matches of a plain record-by-record search.
#include "core/record_scan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
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
  EXPECT_TRUE(reader.Open(TestFolder(), path));
  TextReader::Piece piece;
  while (reader.Next(kForgetReadUnit, &piece)) pieces.emplace_back(piece.text, piece.line_end);
  return pieces;
}

Pieces ScanPieces(const std::string& path, size_t read_size) {
  Pieces pieces;
  RecordScan scan("", kForgetRules, read_size);
  EXPECT_TRUE(scan.Open(TestFolder(), path));
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
  int out = ::open(Path("copy.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  EXPECT_GE(out, 0);
  RecordScan scan("", kForgetRules, read_size);
  EXPECT_TRUE(scan.Open(TestFolder(), "memory.dat"));
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
    ASSERT_TRUE(scan.Open(persona.folder(), "memory.dat"));
    RecordScan::Piece piece;
    ASSERT_TRUE(scan.Next(&piece));
    EXPECT_EQ(piece.matches, c.matches) << c.keyword << " / " << c.stored;
  }
}

// ---- The fast path against a plain record-by-record search ----

struct RefPiece {
  std::string text;  // as stored, without the line break
  bool line_end;
  size_t line;  // 0-based line of the file
  bool comment;
  bool matches;
};

// Each piece of `raw` cut as reads of at most `rules.read_unit` bytes from the text-mode
// stream, then judged step by step: the comment rule, the empty rule, the line read back
// and cut at its NUL, its keyword by SplitRecord, and FindNoCase in `text`.
std::vector<RefPiece> ReferencePieces(const std::string& raw, const std::string& text,
                                      const ScanRules& rules) {
  const std::string stream = TextModeStream(raw);
  std::vector<RefPiece> pieces;
  size_t line = 0;
  bool line_comment = false, line_start = true;
  for (size_t pos = 0; pos < stream.size();) {
    size_t lf = stream.find('\n', pos);
    size_t n = std::min((lf == std::string::npos ? stream.size() : lf + 1) - pos, rules.read_unit);
    RefPiece p{stream.substr(pos, n), false, line, false, false};
    pos += n;
    p.line_end = p.text.back() == '\n';
    if (p.line_end) p.text.pop_back();
    if (rules.comment == CommentRule::kPieceStartsWithSlashes) {
      p.comment = p.text.rfind("//", 0) == 0;
    } else {
      std::string z = p.text.c_str();
      bool own = z.rfind('/', 0) == 0 && z.find("//") != std::string::npos;
      if (line_start) line_comment = own;
      p.comment = line_comment || own;
    }
    std::string keyword = p.text + (p.line_end ? "\n" : "");
    ShiftLine(keyword, ShiftRead);
    CutAtNul(keyword);
    SplitRecord(keyword, RecordKeyword);
    bool passed_over = !rules.empty_piece_is_record && (p.text.empty() || p.text[0] == '\0');
    p.matches = !p.comment && !passed_over && FindNoCase(text.c_str(), keyword.c_str());
    line_start = p.line_end;
    if (p.line_end) ++line;
    pieces.push_back(p);
  }
  return pieces;
}

std::string Describe(const std::string& text, bool line_end, bool comment, bool matches) {
  return text + (line_end ? "|end" : "|") + (comment ? "|comment" : "|") +
         (matches ? "|match" : "|");
}

// Plain bytes that fold (letters) and that do not (their neighbours 32 apart, double-byte
// text), the separator's bytes, and what the line starts hold.
std::string RandomPlain(std::mt19937& rng, size_t max_len) {
  static const std::string alphabet("aAbB@`[{%+ \x82\xa0/,", 15);
  std::string s;
  for (size_t len = rng() % (max_len + 1); len > 0; --len) s += alphabet[rng() % alphabet.size()];
  return s;
}

std::string Shifted(std::string plain) {
  for (char& c : plain) c = static_cast<char>(c + 3);
  return plain;
}

// A file with every kind of line: records, comments of both rules, lines without separator,
// lines of about a piece and longer, empty lines; CR LF, LF, lone CR and no line break; and,
// in some lines, a NUL, a stored 0x03 (read back: NUL) or a Ctrl-Z (the end of the text).
// `keywords` gets the plain keywords of its records.
std::string RandomMemory(std::mt19937& rng, std::vector<std::string>* keywords) {
  std::string raw;
  for (int lines = rng() % 40; lines > 0; --lines) {
    std::string line, keyword = RandomPlain(rng, 4);
    switch (rng() % 8) {
      case 0:
        line = "//" + Shifted(keyword);
        break;
      case 1:
        line = "/" + Shifted(keyword) + "//" + Shifted(RandomPlain(rng, 3));
        break;
      case 2:
        line = Shifted(keyword);
        break;
      case 3:  // around the read units, without a separator
        line = std::string(kReplyReadUnit - 3 + rng() % 5, 'y');
        break;
      case 4:
        line = Shifted(keyword + "%+%" + std::string(300 + rng() % 500, 'y') +
                       (rng() % 2 ? "%+%" : "") + RandomPlain(rng, 4));
        break;
      case 5:
        break;
      default:
        line = Shifted(keyword + "%+%" + RandomPlain(rng, 8));
    }
    keywords->push_back(keyword);
    if (rng() % 6 == 0) {
      static const char odd[] = {'\0', '\x03', '\r', '\x1a'};
      line.insert(rng() % (line.size() + 1), 1, odd[rng() % 4]);
    }
    static const char* ends[] = {"\r\n", "\r\n", "\n", "\r", ""};
    raw += line + ends[rng() % 5];
  }
  return raw;
}

// A text for the search: random, or a keyword of the file with its letters' case swapped
// at random, alone or among other bytes, sometimes with a line break, ",," or a NUL.
std::string RandomText(std::mt19937& rng, const std::vector<std::string>& keywords) {
  std::string text = RandomPlain(rng, 12);
  if (!keywords.empty() && rng() % 2) {
    std::string keyword = keywords[rng() % keywords.size()];
    for (char& c : keyword) {
      if (std::isalpha(static_cast<unsigned char>(c)) && rng() % 2) c ^= 0x20;
    }
    text = rng() % 2 ? keyword : text.insert(rng() % (text.size() + 1), keyword);
  }
  if (rng() % 4 == 0) text.insert(rng() % (text.size() + 1), rng() % 2 ? "\n" : ",,");
  if (rng() % 8 == 0) text += std::string("\0a", 2);
  return text;
}

TEST_F(RecordScanTest, FastPathFindsThePlainSearchsMatches) {
  std::mt19937 rng(14);
  for (int file = 0; file < 150; ++file) {
    std::vector<std::string> keywords;
    const std::string raw = RandomMemory(rng, &keywords);
    WriteFile("memory.dat", raw);
    for (const ScanRules& rules : {kReplySearchRules, kForgetRules}) {
      const std::string text = RandomText(rng, keywords);
      const std::vector<RefPiece> ref = ReferencePieces(raw, text, rules);
      std::vector<std::string> want_all, want_matches;
      std::vector<size_t> match_lines;
      for (const RefPiece& p : ref) {
        want_all.push_back(Describe(p.text, p.line_end, p.comment, p.matches));
        if (!p.matches) continue;
        want_matches.push_back(want_all.back());
        match_lines.push_back(p.line);
      }
      const std::string where = "file " + std::to_string(file) + " unit " +
                                std::to_string(rules.read_unit) + " text '" + text + "'";

      std::vector<std::string> all;
      RecordScan exact(text, rules);
      ASSERT_TRUE(exact.Open(persona.folder(), "memory.dat"));
      RecordScan::Piece piece;
      while (exact.Next(&piece)) {
        all.push_back(
            Describe(std::string(piece.text), piece.line_end, piece.comment, piece.matches));
      }
      ASSERT_EQ(all, want_all) << where;

      for (size_t read_size : {size_t{61}, size_t{1} << 18}) {
        // The copy leaves out the line of the middle match, or nothing.
        const size_t drop = want_matches.empty() ? 0 : want_matches.size() / 2;
        int out = ::open(Path("copy.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(out, 0);
        RecordScan fast(text, rules, read_size);
        ASSERT_TRUE(fast.Open(persona.folder(), "memory.dat"));
        fast.CopyTo(out);
        std::vector<std::string> matches;
        while (fast.NextMatch(&piece)) {
          if (matches.size() == drop) fast.DropLine();
          matches.push_back(
              Describe(std::string(piece.text), piece.line_end, piece.comment, piece.matches));
        }
        EXPECT_TRUE(fast.Finish());
        ::close(out);
        ASSERT_EQ(matches, want_matches) << where << " reads of " << read_size;
        ASSERT_EQ(ReadFile("copy.out"),
                  want_matches.empty() ? raw : WithoutLine(raw, match_lines[drop]))
            << where << " reads of " << read_size;
      }
    }
  }
}

}  // namespace
}  // namespace core
