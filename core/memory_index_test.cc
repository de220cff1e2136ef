// MemoryIndex against RecordScan: for random files and lines the index finds exactly the
// pieces the scan finds, in the same order, also after another program changed the file
// between two calls: appended to it, replaced it by rename, cut it short, edited it in place.
#include "core/memory_index.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "testing/work_folder.h"

namespace core {
namespace {

using namespace testing_support;
using Pieces = std::vector<std::pair<std::string, bool>>;
using Rng = std::mt19937;

class MemoryIndexTest : public WorkFolderTest {
 protected:
  // The matches of `text`, by the scan or by the index.
  Pieces Find(const std::string& text, bool by_index = true) {
    Pieces pieces;
    auto add = [&](const RecordScan::Piece& p) { pieces.emplace_back(p.text, p.line_end); };
    RecordScan scan(text, kReplySearchRules);
    RecordScan::Piece piece;
    if (by_index ? !persona.memory_index().Find(text, add)
                 : !scan.Open(persona.folder(), "memory.dat")) {
      return {{"cannot be opened", false}};
    }
    while (!by_index && scan.NextMatch(&piece)) add(piece);
    return pieces;
  }
};

// Plain text of keywords: letters of both cases, double-byte characters (two whose trail
// byte is a letter), the bytes of the separator and of a comment.
std::string Plain(Rng& rng, size_t max) {
  static const char* const kBits[] = {"a",   "B",        "b",        "A",        "z",
                                      "%",   "+",        "/",        ",",        " ",
                                      "%+%", "\x82\xa0", "\x83\x41", "\x83\x61", "\x82\xa2"};
  std::string s;
  for (size_t n = rng() % (max + 1); n > 0; --n) s += kBits[rng() % std::size(kBits)];
  return s;
}

std::string Shifted(std::string plain) {
  for (char& c : plain) c = static_cast<char>(c + 3);
  return plain;
}

// One stored line of any kind, with any line end or none. Its keyword goes to `keywords`.
std::string Line(Rng& rng, std::vector<std::string>* keywords) {
  const std::string keyword = Plain(rng, 4);
  keywords->push_back(keyword);
  std::string line;
  switch (rng() % 8) {
    case 0:
      line = "//" + Shifted(keyword);
      break;
    case 1:  // no reply: the line break belongs to the keyword
      line = Shifted(keyword);
      break;
    case 2:  // longer than a piece: its later pieces are records of their own
      line = Shifted(keyword + "%+%" + std::string(250 + rng() % 900, 'y') + Plain(rng, 6));
      break;
    case 3:
      break;
    case 4:
      line = Shifted("%+%" + Plain(rng, 3));  // the empty keyword
      break;
    default:
      line = Shifted(keyword + "%+%" + Plain(rng, 8));
  }
  if (rng() % 6 == 0) {
    static const char kOdd[] = {'\0', '\x03', '\r', '\n'};
    line.insert(rng() % (line.size() + 1), 1, kOdd[rng() % std::size(kOdd)]);
  }
  if (rng() % 150 == 0) line.insert(rng() % (line.size() + 1), 1, '\x1a');  // ends the text
  static const char* const kEnds[] = {"\r\n", "\r\n", "\r\n", "\n", "\r", ""};
  return line + kEnds[rng() % std::size(kEnds)];
}

std::string File(Rng& rng, std::vector<std::string>* keywords) {
  std::string file;
  for (int n = rng() % 40; n > 0; --n) file += Line(rng, keywords);
  return file;
}

// Random bytes, often with a keyword of the file in any letter case, sometimes with a line
// break or a NUL, a run of the long lines' letter, or so long that the scan is cheaper.
std::string Text(Rng& rng, const std::vector<std::string>& keywords) {
  std::string text = Plain(rng, 6);
  if (!keywords.empty() && rng() % 4 != 0) {
    std::string keyword = keywords[rng() % keywords.size()];
    for (char& c : keyword) {
      if (std::isalpha(static_cast<unsigned char>(c)) && rng() % 2) c ^= 0x20;
    }
    text.insert(rng() % (text.size() + 1), keyword);
  }
  if (rng() % 6 == 0) text.insert(rng() % (text.size() + 1), 1, rng() % 2 ? '\n' : '\0');
  if (rng() % 8 == 0) text += std::string(300 + rng() % 100, rng() % 2 ? 'y' : 'Y');
  if (rng() % 60 == 0) text += std::string(4000, 'y');
  return text;
}

void Append(const std::string& bytes) {
  const int fd = ::open(Path("memory.dat").c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ::close(fd);
}

// Changes memory.dat as another program would.
void ChangeFromOutside(Rng& rng, std::vector<std::string>* keywords) {
  const std::string now = ReadFile("memory.dat");
  const std::string path = Path("memory.dat");
  switch (Exists("memory.dat") ? rng() % 6 : 0) {
    case 0:
    case 1:
      Append(Line(rng, keywords) + (rng() % 2 ? Line(rng, keywords) : ""));
      break;
    case 2:
      WriteFile("memory.new", File(rng, keywords));
      ASSERT_EQ(std::rename(Path("memory.new").c_str(), path.c_str()), 0);
      break;
    case 3: {
      // Cut short in place, and sometimes written longer than before.
      const size_t kept = rng() % (now.size() + 1);
      ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(kept)), 0);
      std::string more;
      for (bool longer = rng() % 2; longer && kept + more.size() <= now.size();)
        more += Line(rng, keywords);
      Append(more);
      break;
    }
    case 4: {
      // The same size and time of modification.
      if (now.empty()) break;
      struct stat st;
      const int fd = ::open(path.c_str(), O_WRONLY);
      ASSERT_EQ(::fstat(fd, &st), 0);
      const std::string bytes = Shifted(Plain(rng, 3)).substr(0, now.size());
      ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), rng() % (now.size() - bytes.size() + 1)),
                static_cast<ssize_t>(bytes.size()));
      const timespec times[2] = {st.st_atim, st.st_mtim};
      ::futimens(fd, times);
      ::close(fd);
      break;
    }
    default:
      ::unlink(path.c_str());
  }
}

TEST_F(MemoryIndexTest, FindsWhatTheScanFindsWhileOthersChangeTheFile) {
  Rng rng(27);
  std::map<MemoryIndex::Sync, int> ways;
  for (int round = 0; round < 60; ++round) {
    std::vector<std::string> keywords;
    WriteFile("memory.dat", File(rng, &keywords));
    for (int step = 0; step < 12; ++step) {
      if (step > 0) ChangeFromOutside(rng, &keywords);
      for (int n = 0; n < 4; ++n) {
        const std::string text = Text(rng, keywords);
        ASSERT_EQ(Find(text), Find(text, false))
            << "round " << round << " step " << step << " text '" << text << "'";
        ++ways[persona.memory_index().last_sync()];
      }
    }
  }
  // Each way of taking a change in was taken.
  EXPECT_GT(ways[MemoryIndex::Sync::kExtended], 50);
  EXPECT_GT(ways[MemoryIndex::Sync::kRebuilt], 50);
  EXPECT_GT(ways[MemoryIndex::Sync::kChecked] + ways[MemoryIndex::Sync::kUnchanged], 50);
}

// Larger than what the check reads whole: an edit that keeps the size and the time of
// modification is told by the time of change, a file cut and written longer by the last
// bytes before its old end.
TEST_F(MemoryIndexTest, ChangesToALargeFile) {
  std::string file;
  for (int i = 0; i < 100000; ++i)
    file += Shifted("k" + std::to_string(100000 + i) + "%+%r") + "\r\n";
  WriteFile("memory.dat", file);
  ASSERT_EQ(Find("zz51234"), Pieces{});
  // Past the tick of the file system's clock, then a record far from the ends changes its
  // keyword, and the time of modification is put back.
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  struct stat st;
  const int fd = ::open(Path("memory.dat").c_str(), O_WRONLY);
  ASSERT_EQ(::fstat(fd, &st), 0);
  ASSERT_EQ(::pwrite(fd, Shifted("zz").data(), 2, file.find(Shifted("k151234"))), 2);
  const timespec times[2] = {st.st_atim, st.st_mtim};
  ASSERT_EQ(::futimens(fd, times), 0);
  ::close(fd);
  EXPECT_EQ(Find("zz51234"), Find("zz51234", false));
  EXPECT_EQ(Find("zz51234").size(), 1u);
  // Appended to: only the new line is read. Cut within the last bytes and written longer:
  // built anew.
  Append(Shifted("zz5%+%new") + "\r\n");
  EXPECT_EQ(Find("zz51234").size(), 2u);
  EXPECT_EQ(persona.memory_index().last_sync(), MemoryIndex::Sync::kExtended);
  ASSERT_EQ(::truncate(Path("memory.dat").c_str(), static_cast<off_t>(file.size() - 100)), 0);
  Append("\r\n" + Stored({"zz51%+%x", "zz512%+%y", "zz5123%+%z", "zz512345%+%w",
                          "longer than what was cut off%+%" + std::string(100, 'x')}));
  const Pieces found = Find("zz51234");
  EXPECT_EQ(persona.memory_index().last_sync(), MemoryIndex::Sync::kRebuilt);
  EXPECT_EQ(found, Find("zz51234", false));
  EXPECT_EQ(found.size(), 4u);
}

TEST_F(MemoryIndexTest, ContainsOnlyWholeLinesByteForByte) {
  const std::string file = Stored({"hi%+%one", "%+%empty", "alone"}) + "//hi\r\n" +
                           Shifted("mid%+%x") + "\n" + std::string(kReplyReadUnit, 'q') +
                           Shifted("tail%+%y") + "\r\n" + Shifted("last%+%z");
  WriteFile("memory.dat", file + "\x1a" + Stored({"gone%+%w"}));
  const struct {
    const char* plain;
    bool stored;
  } cases[] = {
      {"hi%+%one", true}, {"HI%+%one", false}, {"hi%+%on", false}, {"%+%empty", true},
      {"alone", true},    {"alon", false},     {"mid%+%x", true},  {"tail%+%y", false},
      {"last%+%z", true}, {"gone%+%w", false}, {",,hi", false},    {"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(persona.memory_index().Contains(c.plain), c.stored) << c.plain;
  // Another program adds it: the next look sees it.
  EXPECT_FALSE(persona.memory_index().Contains("new%+%one"));
  WriteFile("memory.dat", file + "\r\n" + Stored({"new%+%one"}));
  EXPECT_TRUE(persona.memory_index().Contains("new%+%one"));
  EXPECT_TRUE(persona.memory_index().Contains("last%+%z"));
}

}  // namespace
}  // namespace core
