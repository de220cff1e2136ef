#include "engine/reply_engine.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/record_format.h"
#include "core/text_file.h"
#include "engine/engine_test_support.h"
#include "core/links.h"
#include "testing/work_folder.h"

namespace {

using testing_support::Exists;
using testing_support::Path;
using testing_support::ReadFile;
using testing_support::Stored;
using testing_support::TextModeStream;
using testing_support::WriteFile;

const std::string kWriteError =
    "memory.datファイルに書き込みができません。\n読み込み専用ファイルになっている可能性があります。"
    "\n読み込み専用を解除してください。";
const std::string kMissingHead =
    "ファイルが足りません。\nファイルが同じフォルダにあるか確認してください\n足りないファイル: ";

class ReplyEngineTest : public EngineTest {
 protected:
  void SetUp() override {
    WorkFolderTest::SetUp();
    // The chat words' log reads set.ini at every turn; logging is off here.
    WriteFile("set.ini", "YourName:Taro\r\nRinuName:Mio\r\n0\r\n");
  }
  void Files(const std::vector<std::string>& memory, const std::vector<std::string>& boke = {},
             const std::vector<std::string>& no = {}) {
    WriteFile("memory.dat", Stored(memory));
    WriteFile("boke.dat", Stored(boke));
    WriteFile("no.dat", Stored(no));
  }
  // The persona remembered `reply` in an earlier turn.
  void Remember(ReplyEngine& engine, const std::string& reply) { engine.RememberForPair(reply); }
};

TEST_F(ReplyEngineTest, StartUpNamesEachMissingFileThenEnds) {
  struct Case {
    std::vector<std::string> missing;
    std::vector<std::string> boxes;
  } cases[] = {
      {{}, {}},
      {{"memory.dat"}, {kMissingHead + "Memory.dat\n"}},
      {{"no.dat"}, {kMissingHead + "No.dat\n"}},
      {{"memory.dat", "boke.dat", "no.dat"},
       {kMissingHead + "Memory.dat\n", kMissingHead + "Boke.dat\n", kMissingHead + "No.dat\n"}},
  };
  for (const Case& c : cases) {
    Files({}, {}, {});
    for (const std::string& name : c.missing) core::RemoveFile(persona.folder(), name);
    ReplyEngine engine(persona, chat_log);
    const core::Outcome checked = engine.CheckDataFiles();
    std::vector<std::string> want = c.boxes;
    if (!want.empty()) want.push_back("ファイルを補ってください。OKで終了します");
    EXPECT_EQ(checked.messages, want);
    EXPECT_EQ(checked.done(), c.missing.empty());
  }
  // A folder in place of a data file is no data file.
  Files({}, {}, {});
  core::RemoveFile(persona.folder(), "boke.dat");
  ASSERT_EQ(mkdir(Path("boke.dat").c_str(), 0755), 0);
  ReplyEngine engine(persona, chat_log);
  EXPECT_FALSE(engine.CheckDataFiles().done());  // the program must end with status 1
}

TEST_F(ReplyEngineTest, CandidatesAreDrawnInFileOrder) {
  Files({});
  // A comment (stored "//", read back ",,"), an empty line, and records.
  WriteFile("memory.dat",
            Stored({"hell%+%X"}) + "//(.(C\r\n\r\n" + Stored({"HELLO%+%Y", "xyz%+%Z", "%+%any"}));
  ReplyEngine engine(persona, chat_log);
  // Candidates: X, Y, any. The coin (1: not remembered) comes before the pick.
  const char* want[] = {"X", "Y", "any", "X"};
  for (int draw = 0; draw < 4; ++draw) {
    random.Push({1, draw});
    EXPECT_EQ(Say(engine, "Hello,, there"), want[draw]);
    EXPECT_FALSE(Exists("save.temp"));
    EXPECT_FALSE(engine.PairPending());
  }
}

TEST_F(ReplyEngineTest, FallbackDrawsEachBokeLineOrTheEcho) {
  Files({"zzz%+%no"}, {"one", "x%+%y", ""});
  ReplyEngine engine(persona, chat_log);
  const std::string echo = "『Hi』って言われてもわかんないじゃない！!!";
  // One chance in n + 1 each: draw % 4.
  const std::string want[] = {echo, "one", "y", "", echo};
  for (int draw = 0; draw < 5; ++draw) {
    random.Push({1, draw});
    EXPECT_EQ(Say(engine, "Hi"), want[draw]);
  }
  EXPECT_FALSE(Exists("save.temp"));
  Files({}, {}, {});
  random.Push({1, 12345});
  EXPECT_EQ(Say(engine, "Hi"), echo);  // an empty boke.dat always echoes
}

TEST_F(ReplyEngineTest, EmptyLineDrawsFromNoDat) {
  Files({"%+%never"}, {}, {"ねえ", "x%+%y"});
  ReplyEngine engine(persona, chat_log);
  const std::string want[] = {"何か話し掛けてよ！", "ねえ", "x%+%y", "何か話し掛けてよ！"};
  for (int draw = 0; draw < 4; ++draw) {
    random.Push({draw});  // one draw only: no coin for an empty line
    EXPECT_EQ(Say(engine, ""), want[draw]);
  }
  Files({}, {}, {});
  random.Push({7});
  EXPECT_EQ(Say(engine, ""), "何か話し掛けてよ！");
  EXPECT_FALSE(engine.PairPending());
}

TEST_F(ReplyEngineTest, RememberedReplyIsPairedWithTheNextLine) {
  Files({"hi%+%おはよう"});
  ReplyEngine engine(persona, chat_log);
  random.Push({0, 0});  // coin 0: remembered
  EXPECT_EQ(Say(engine, "hi"), "おはよう");
  EXPECT_TRUE(engine.PairPending());
  EXPECT_EQ(engine.RememberedReply(), "おはよう");

  // The pair is appended before the search, so the new record answers this very line.
  random.Push({1, 0});
  EXPECT_EQ(Say(engine, "おはよう！元気？"), "おはよう！元気？");
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"hi%+%おはよう", "おはよう%+%おはよう！元気？"}));
  EXPECT_FALSE(engine.PairPending());

  // An empty line is not paired and keeps the pair waiting.
  Remember(engine, "R");
  random.Push({0});
  Say(engine, "");
  EXPECT_TRUE(engine.PairPending());
  random.Push({1, 0});
  Say(engine, "abc");
  EXPECT_EQ(ReadFile("memory.dat"),
            Stored({"hi%+%おはよう", "おはよう%+%おはよう！元気？", "R%+%abc"}));
}

TEST_F(ReplyEngineTest, ChatWordOutcomeDropsThePairAndGivesItsFixedReply) {
  Files({"%+%x"});
  ReplyEngine engine(persona, chat_log);
  // The words that ask, answered without dialogs: the learn dialog cancelled, a forget by
  // "a" done, one by "" not.
  struct Answers : BoxWords {
    using BoxWords::BoxWords;
    core::Outcome ForgetKeyword(const std::string& keyword) override {
      return keyword == "a" ? core::Outcome::Done() : core::Outcome::Refused("none");
    }
  } answers(backend);
  const struct {
    const char* line;
    const char* reply;
  } words[] = {
      {"a===b", "覚えたよ～ん,教えてくれてありがとう♪"},
      {"learn", "覚えられないですぅ"},
      {"f.a", "忘れたよ～～ん♪"},
      {"f.", "忘れられないよう（泣）だって大切な思い出だもん！"},
  };
  for (const auto& word : words) {
    Remember(engine, "R");
    SettingsStore settings(persona);
    core::Outcome told;
    settings.Read(&told);
    EXPECT_EQ(engine.MakeReply(word.line, settings, answers).reply, word.reply);  // no draw
    EXPECT_FALSE(engine.PairPending());
  }
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"%+%x", "a%+%b"}));
  // The failed forget's own message, then the box of a forget that failed.
  EXPECT_EQ(backend.boxes(), (std::vector<std::string>{"none", "忘れさせるのに失敗しました。"}));
}

TEST_F(ReplyEngineTest, UnwritableMemoryShowsTheWriteErrorAndStillReplies) {
  Files({"%+%ok"});
  ReplyEngine engine(persona, chat_log);
  testing_support::MakeReadOnly("memory.dat");
  Remember(engine, "R");
  random.Push({1, 0});
  EXPECT_EQ(Say(engine, "line"), "ok");
  EXPECT_EQ(backend.boxes(), std::vector<std::string>{kWriteError});
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"%+%ok"}));

  // A full disk: the write fails part-way and no half line stays behind.
  ASSERT_EQ(chmod(Path("memory.dat").c_str(), 0644), 0);
  Remember(engine, "a long remembered reply");
  random.Push({1, 0});
  {
    testing_support::ScopedFileSizeLimit limit(static_cast<long>(Stored({"%+%ok"}).size()) + 8);
    EXPECT_EQ(Say(engine, "line"), "ok");
  }
  EXPECT_EQ(backend.boxes(), (std::vector<std::string>{kWriteError, kWriteError}));
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"%+%ok"}));
}

TEST_F(ReplyEngineTest, PairThatWouldNotReadBackIsDroppedQuietly) {
  Files({"%+%ok"});
  ReplyEngine engine(persona, chat_log);
  struct Case {
    std::string remembered, line;
  } cases[] = {
      {"bell\x07", "x"}, {"r", "eof\x17"},
      {"r", "\xfd"},     {"two\nlines", "x"},
      {",,r", "x"},      {"r", std::string(345, 'x')},  // too long to read back as one record
  };
  for (const Case& c : cases) {
    Remember(engine, c.remembered);
    random.Push({1, 0});
    EXPECT_EQ(Say(engine, c.line), "ok");
  }
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"%+%ok"}));
  EXPECT_TRUE(backend.boxes().empty());
}

TEST_F(ReplyEngineTest, DataFileGoneAfterStartUpEndsWithErr0001) {
  Files({"zzz%+%no"}, {"b"}, {"n"});
  ReplyEngine engine(persona, chat_log);
  core::RemoveFile(persona.folder(), "boke.dat");
  random.Push({1});  // the coin; the pick never comes
  EXPECT_EQ(ExitOf(engine, "hi"), 1);
  core::RemoveFile(persona.folder(), "no.dat");
  EXPECT_EQ(ExitOf(engine, ""), 1);
  ASSERT_EQ(backend.boxes().size(), 2u);
  EXPECT_EQ(backend.boxes()[0], backend.boxes()[1]);
  EXPECT_NE(backend.boxes()[0].find(std::string("\n") + core::kSupportMail + "\n"),
            std::string::npos);
  EXPECT_NE(backend.boxes()[0].find("Err:0001\n"), std::string::npos);
}

TEST_F(ReplyEngineTest, RepliesNeedNoScratchFileInTheWorkingFolder) {
  Files({"hi%+%fresh"}, {"b"});
  ReplyEngine engine(persona, chat_log);
  // A save.temp of an older version is never drawn from, and nothing is written beside
  // memory.dat: a folder that cannot be written still gives every reply.
  WriteFile("save.temp", "hi%+%stale\r\nhi%+%stale\r\n");
  ASSERT_EQ(chmod(Path(".").c_str(), 0555), 0);
  random.Push({1, 0});
  EXPECT_EQ(Say(engine, "hi"), "fresh");
  random.Push({1, 1});
  EXPECT_EQ(Say(engine, "xyz"), "b");
  ASSERT_EQ(chmod(Path(".").c_str(), 0755), 0);
  EXPECT_TRUE(backend.boxes().empty());
  EXPECT_EQ(testing_support::ListFolder(),
            (std::vector<std::string>{"boke.dat", "memory.dat", "no.dat", "save.temp", "set.ini"}));
}

TEST_F(ReplyEngineTest, LongRecordsArriveInPiecesAndStillPickWhole) {
  // 400 stored bytes: a piece of 348 (keyword "" and a reply of 345) and one of 52 without
  // a separator. 355 bytes: a piece with the keyword "keep" and one starting with "%+%".
  Files({"%+%" + std::string(397, 'y'), "keep%+%" + std::string(341, 'k') + "%+%tail"});
  ReplyEngine engine(persona, chat_log);
  for (int draw : {1, 0}) {
    EXPECT_EQ(engine.SearchMemory("y"), 2);
    EXPECT_EQ(engine.candidates(),
              (std::vector<std::string>{"%+%" + std::string(345, 'y'), "%+%tail"}));
    random.Push({draw});
    // A candidate of a whole read unit is still one candidate.
    EXPECT_EQ(engine.PickCandidateReply(), draw == 1 ? "tail" : std::string(345, 'y'));
  }
  // The rest of a long line is a line of its own: its keyword is all of it, line break too.
  EXPECT_EQ(engine.SearchMemory(std::string(52, 'y')), 2);
  EXPECT_EQ(engine.SearchMemory(std::string(52, 'y') + "\n"), 3);
}

TEST_F(ReplyEngineTest, UnreadableMemoryFallsBack) {
  Files({"%+%x"}, {"b"});
  ReplyEngine engine(persona, chat_log);
  ASSERT_EQ(chmod(Path("memory.dat").c_str(), 0), 0);
  random.Push({1, 1});
  EXPECT_EQ(Say(engine, "hi"), "b");
  EXPECT_TRUE(backend.boxes().empty());
}

TEST_F(ReplyEngineTest, CountLinesReadsInUnitsOf398) {
  Files({});
  ReplyEngine engine(persona, chat_log);
  struct Case {
    std::string raw;
    int lines;
  } cases[] = {
      {"", 0},
      {"a", 1},
      {"a\r\n\r\nb", 3},
      {std::string(397, 'a') + "\r\n", 1},
      {std::string(398, 'a') + "\r\n", 2},
      {"a\r\nb\x1a\r\nc\r\n", 2},
  };
  for (const Case& c : cases) {
    WriteFile("boke.dat", c.raw);
    EXPECT_EQ(engine.CountLines("boke.dat"), c.lines);
  }
}

// ---- The search against a plain rendering of its steps, on random files ----

// Reads of at most 348 bytes into a zero-terminated buffer; for each one, the skip tests,
// the text up to its NUL, ShiftRead in place, the keyword by the first "%+%" of the text as
// zero-terminated, the search in the user's line, and the record as handed on.
std::vector<std::string> ReferenceCandidates(const std::string& raw, const std::string& line) {
  std::string stream = TextModeStream(raw);
  std::vector<std::string> candidates;
  size_t pos = 0;
  while (pos < stream.size()) {
    char buf[kReplyReadUnit + 1];
    size_t n = 0;
    while (pos < stream.size() && n < kReplyReadUnit) {
      buf[n++] = stream[pos++];
      if (buf[n - 1] == '\n') break;
    }
    buf[n] = '\0';
    if ((buf[0] == '/' && buf[1] == '/') || buf[0] == '\n' || buf[0] == '\0') continue;
    std::string text(buf);
    for (char& c : text) {
      if (c == '\n' || c == '\0') break;
      c = static_cast<char>(c - 3);
    }
    std::string keyword = text;
    if (const char* sep = std::strstr(keyword.c_str(), "%+%")) {
      keyword.resize(static_cast<size_t>(sep - keyword.c_str()));
    }
    if (FindNoCase(line.c_str(), keyword.c_str()) == nullptr) continue;
    std::string record(text.c_str());
    candidates.push_back(record.substr(0, record.find('\n')));
  }
  return candidates;
}

std::string RandomPlain(std::mt19937& rng, const std::string& alphabet, size_t max_len) {
  std::string s;
  for (size_t len = rng() % (max_len + 1); len > 0; --len)
    s.push_back(alphabet[rng() % alphabet.size()]);
  return s;
}

TEST_F(ReplyEngineTest, SearchGivesTheCandidatesOfThePlainSteps) {
  Files({});
  ReplyEngine engine(persona, chat_log);
  std::mt19937 rng(7);
  // Letters in both cases, their non-letter neighbours 32 apart, double-byte text.
  const std::string alphabet = std::string("aAbBzZ@`[{%+\x82\xa0\x82\x61 ", 17);
  const std::string oddities = std::string("\0\x03\r\n\x1a\x1d\x28\x2e//", 10);
  for (int file = 0; file < 400; ++file) {
    std::string raw;
    for (int lines = rng() % 30; lines > 0; --lines) {
      std::string plain;
      switch (rng() % 9) {
        case 0:  // a long record, with separators around the piece boundary
          plain = RandomPlain(rng, alphabet, 3) + "%+%" + std::string(330 + rng() % 40, 'y') +
                  (rng() % 2 ? "%+%" : "") + RandomPlain(rng, alphabet, 30);
          break;
        case 1:  // a comment, which would match ",,"
          plain = ",," + RandomPlain(rng, alphabet, 2) + (rng() % 2 ? "%+%c" : "");
          break;
        case 2:  // no separator, or a separator at either end
          plain = RandomPlain(rng, alphabet, 4) + (rng() % 2 ? "%+%" : "");
          if (rng() % 2) plain = "%+%" + plain;
          break;
        default:
          plain = RandomPlain(rng, alphabet, 4) + "%+%" + RandomPlain(rng, alphabet, 10);
      }
      ShiftLine(plain, ShiftStore);
      // Stored bytes the writers never make: NULs, 0x03, lone CRs, comments, anything.
      for (int k = rng() % 3 == 0 ? rng() % 3 : 0; k > 0; --k) {
        char c = rng() % 2 ? oddities[rng() % oddities.size()] : static_cast<char>(rng());
        plain.insert(plain.begin() + static_cast<long>(rng() % (plain.size() + 1)), c);
      }
      const char* ends[] = {"\r\n", "\n", "\r\n", "\r", ""};
      raw += plain + ends[rng() % 5];
    }
    if (rng() % 4 != 0) {
      for (char& c : raw) {
        if (c == '\x1a') c = 'q';
      }
    }
    WriteFile("memory.dat", raw);
    for (int turn = 0; turn < 4; ++turn) {
      std::string line = RandomPlain(rng, alphabet, 12);
      if (rng() % 4 == 0) line += ",,";
      if (rng() % 8 == 0) line += std::string("\0a", 2);
      std::vector<std::string> want = ReferenceCandidates(raw, line);
      int matched = engine.SearchMemory(line);
      ASSERT_EQ(matched, static_cast<int>(want.size())) << "file " << file << " turn " << turn;
      ASSERT_EQ(engine.candidates(), want) << "file " << file << " turn " << turn;
      if (want.empty()) continue;
      // The draw reads back exactly the record it names.
      size_t r = rng() % want.size();
      std::string reply = want[r] + "\n";
      SplitRecord(reply, RecordReply);
      random.Push({static_cast<int>(r)});
      ASSERT_EQ(engine.PickCandidateReply(), reply);
    }
  }
}

}  // namespace
