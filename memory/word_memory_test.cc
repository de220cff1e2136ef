// WordMemory: teaching pairs into memory.dat and forgetting them through the numbered list,
// with the files checked byte for byte.
#include "memory/word_memory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "testing/work_folder.h"

namespace {

using namespace testing_support;
using Strings = std::vector<std::string>;

const std::string kCannotWrite =
    "memory.datファイルに書き込み出来ません。\n読み込み専用になっている可能性があります。";
const std::string kWriteFailed = "書き込みに失敗しました。";
const std::string kNotStorable = "この言葉は覚えられません。";
const std::string kNothingToForget = "その言葉に対する忘れる言葉はありませんでした。";
const std::string kCannotForget = "忘れることが出来ませんでした";
const std::string kCannotOpen = "ファイルがオープンできませんでした";

class WordMemoryTest : public WorkFolderTest {
 protected:
  // What an operation had to say, shown as boxes; 1 when it was done, as the word's
  // outcome counts.
  int Shown(const core::Outcome& outcome) {
    for (const std::string& message : outcome.messages) backend.MessageBox(message);
    return outcome.done() ? 1 : 0;
  }
  // Forgets by `keyword` the entry `number` of its list, kept in `listed`.
  int ForgetBy(const std::string& keyword, int number) {
    WordMemory memory(persona);
    const int listed_any = Shown(memory.List(keyword));
    listed = memory.matches();
    return listed_any ? Shown(memory.ForgetChosen(number)) : 0;
  }
  std::string listed;  // the last list ForgetBy made
};

// ---- Teaching -----------------------------------------------------------------------------

TEST_F(WordMemoryTest, LineIsSplitAtItsFirstMarkAndStoredAsOneRecord) {
  const struct {
    std::string line;
    int result;
    std::string keyword, reply;
  } cases[] = {
      {"りんご===赤い果物", 1, "りんご", "赤い果物"},
      {"a====b", 1, "a", "=b"},
      {"a===b===c", 1, "a", "b===c"},
      {"hello===", 1, "hello", ""},
      {"===hi", 1, "", "hi"},
      {"===", 1, "", ""},
      {"ab===cd\nef", 1, "ab", "cd"},  // a line break ends the reply
      {" x === y ", 1, " x ", " y "},  // nothing trimmed
      {"a==b", 0, "", ""},
      {"", 0, "", ""},
      {std::string("a\0===b", 6), 0, "", ""},  // the line ends at a NUL
  };
  for (const auto& c : cases) {
    std::remove(Path("memory.dat").c_str());
    WordMemory memory(persona);
    std::string keyword = "old", reply = "old";
    int split = memory.SplitLearnLine(keyword, reply, c.line) ? 1 : 0;
    EXPECT_EQ(split, c.result) << c.line;
    EXPECT_EQ(Shown(memory.LearnFromLine(c.line)), c.result) << c.line;
    if (c.result) {
      EXPECT_EQ(keyword, c.keyword) << c.line;
      EXPECT_EQ(reply, c.reply) << c.line;
      EXPECT_EQ(ReadFile("memory.dat"), Stored({c.keyword + "%+%" + c.reply})) << c.line;
    } else {
      EXPECT_FALSE(Exists("memory.dat")) << c.line;
    }
  }
  EXPECT_TRUE(backend.boxes().empty());
}

TEST_F(WordMemoryTest, PairsGoToTheEndInTheOrderTaughtTwiceIfTaughtTwice) {
  WriteFile("memory.dat", Stored({"hi%+%yo"}) + "//comment\r\n");
  WordMemory memory(persona);
  EXPECT_EQ(Shown(memory.LearnFromLine("cat===meow")), 1);
  EXPECT_EQ(Shown(memory.LearnFromLine("cat===meow")), 1);
  EXPECT_EQ(Shown(memory.AppendRecord("dog", "woof")), 1);
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"hi%+%yo"}) + "//comment\r\n" +
                                        Stored({"cat%+%meow", "cat%+%meow", "dog%+%woof"}));
}

TEST_F(WordMemoryTest, RecordAfterALastLineWithoutBreakStartsALineOfItsOwn) {
  std::string last = Stored({"hi%+%yo"});
  last.resize(last.size() - 2);
  WriteFile("memory.dat", last);
  WordMemory memory(persona);
  EXPECT_EQ(Shown(memory.LearnFromLine("a===b")), 1);
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"hi%+%yo", "a%+%b"}));
}

TEST_F(WordMemoryTest, ReadOnlyFileShowsBothMessagesInOrderAndStaysAsItWas) {
  const std::string before = Stored({"hi%+%yo"});
  WriteFile("memory.dat", before);
  MakeReadOnly("memory.dat");
  WordMemory memory(persona);
  // Nothing was stored, so neither way of teaching reports a success.
  EXPECT_EQ(Shown(memory.LearnFromLine("a===b")), 0);
  EXPECT_EQ(Shown(memory.AppendRecord("a", "b")), 0);
  EXPECT_EQ(backend.boxes(), (Strings{kCannotWrite, kWriteFailed, kCannotWrite, kWriteFailed}));
  EXPECT_EQ(ReadFile("memory.dat"), before);
}

TEST_F(WordMemoryTest, WriteStoppedByAFullDiskLeavesNoPartOfTheLine) {
  const std::string before = Stored({"hi%+%yo"});
  WriteFile("memory.dat", before);
  int result;
  {
    ScopedFileSizeLimit disk_full(static_cast<long>(before.size()) + 5);
    WordMemory memory(persona);
    result = Shown(memory.AppendRecord("a long keyword", "and a long reply"));
  }
  EXPECT_EQ(result, 0);
  EXPECT_EQ(backend.boxes(), (Strings{kCannotWrite, kWriteFailed}));
  EXPECT_EQ(ReadFile("memory.dat"), before);
  // The next record finds a whole file to go on from.
  WordMemory memory(persona);
  EXPECT_EQ(Shown(memory.LearnFromLine("a===b")), 1);
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"hi%+%yo", "a%+%b"}));
}

TEST_F(WordMemoryTest, RecordThatWouldNotReadBackAsItselfIsNeverWritten) {
  const struct {
    std::string keyword, reply;
  } refused[] = {
      {"a\x07", "b"},   // stored as a line break
      {"a", "b\x17"},   // stored as Ctrl-Z, the end of the file for a reader
      {"a", "\xFD"},    // stored as NUL
      {",,note", "b"},  // stored as "//": a comment
      {"a\nb", "c"},    // a line break of its own
      {",,", ""},
      {"a", std::string(344, 'b')},  // 348 bytes: the reply search would read it in pieces
  };
  const std::string before = Stored({"hi%+%yo"});
  WriteFile("memory.dat", before);
  for (const auto& c : refused) {
    WordMemory memory(persona);
    size_t boxes = backend.boxes().size();
    EXPECT_EQ(Shown(memory.AppendRecord(c.keyword, c.reply)), 0) << c.keyword;
    ASSERT_EQ(backend.boxes().size(), boxes + 1) << c.keyword;
    EXPECT_EQ(backend.boxes().back().rfind(kNotStorable, 0), 0u) << backend.boxes().back();
  }
  // The line form reports it the same way, and as not learned.
  WordMemory memory(persona);
  EXPECT_EQ(Shown(memory.LearnFromLine("a\nb===c")), 0);
  EXPECT_EQ(backend.boxes().size(), std::size(refused) + 1);
  EXPECT_EQ(ReadFile("memory.dat"), before);
  // One comma, or two further in, are ordinary text; 347 bytes still read back whole.
  EXPECT_EQ(Shown(memory.AppendRecord(",x", "a,,b")), 1);
  EXPECT_EQ(Shown(memory.AppendRecord("a", std::string(343, 'b'))), 1);
  EXPECT_EQ(ReadFile("memory.dat"), before + Stored({",x%+%a,,b", "a%+%" + std::string(343, 'b')}));
}

// ---- Forgetting ---------------------------------------------------------------------------

TEST_F(WordMemoryTest, ListNumbersTheMatchesInFileOrderOneALine) {
  WriteFile("memory.dat", Stored({"hi%+%hello!", "bye%+%see you", "Hi%+%yo", "%+%anything",
                                  "good morning%+%gm", "good morning to you%+%long"}));
  WordMemory memory(persona);
  EXPECT_TRUE(memory.List("hi, good morning").done());
  EXPECT_EQ(memory.matches(),
            "1 : hi%+%hello!\r\n2 : Hi%+%yo\r\n3 : %+%anything\r\n4 : good morning%+%gm\r\n");
}

TEST_F(WordMemoryTest, MatchRuleKeywordInsideTheEnteredText) {
  const struct {
    std::string keyword;  // entered
    std::string record;   // plain
    bool listed;
  } cases[] = {
      {"good morning", "good%+%x", true},
      {"good morning", "MORNING%+%x", true},
      {"good morning", "good morning to you%+%x", false},
      {"x", "%+%empty keyword", true},
      {"りんごジュース", "りんご%+%x", true},
      {"りんごジュース", "リンゴ%+%x", false},
      {"ａｂｃ", "ＡＢＣ%+%x", false},  // full-width letters are not folded
      {"@", "`%+%x", false},            // 0x40 and 0x60 are no letters
      {"[", "{%+%x", false},
      {"ヂ", "ア%+%x", true},  // the trail bytes 0x61 and 0x41 fold like letters
      {"abc", "abc", false},   // no separator: the line break belongs to the keyword
      {"abc", "b%+%c%+%d", true},
      {"100%%+%", "100%%+%x", true},  // the keyword ends at the first separator: "100%"
  };
  for (const auto& c : cases) {
    WriteFile("memory.dat", Stored({c.record}));
    WordMemory memory(persona);
    const core::Outcome listing = memory.List(c.keyword);
    EXPECT_EQ(listing.done(), c.listed) << c.keyword << " / " << c.record;
    if (c.listed) {
      EXPECT_EQ(memory.matches(), "1 : " + c.record + "\r\n") << c.keyword << " / " << c.record;
    } else {
      EXPECT_EQ(listing.messages, Strings{kNothingToForget}) << c.keyword << " / " << c.record;
    }
  }
}

TEST_F(WordMemoryTest, NothingToListShowsTheMessage) {
  const struct {
    const char* what;
    std::string file;  // empty: no memory.dat
    std::string keyword;
  } cases[] = {
      {"no match", Stored({"hi%+%yo"}), "bye"},
      {"empty keyword", Stored({"%+%matches every text"}), ""},
      {"no file", "", "hi"},
      {"empty file", "\x1A", "hi"},
  };
  for (const auto& c : cases) {
    std::remove(Path("memory.dat").c_str());
    if (!c.file.empty()) WriteFile("memory.dat", c.file);
    EXPECT_EQ(ForgetBy(c.keyword, 1), 0) << c.what;
    EXPECT_EQ(backend.boxes().back(), kNothingToForget) << c.what;
  }
  EXPECT_EQ(backend.boxes().size(), std::size(cases));
}

TEST_F(WordMemoryTest, ChosenNumberRemovesExactlyThatEntry) {
  const Strings lines = {"abc%+%first", "xyz%+%other", "abc%+%second", "ABC%+%third"};
  const struct {
    int number;
    int result;
    Strings left;  // empty: unchanged
  } cases[] = {
      {1, 1, {"xyz%+%other", "abc%+%second", "ABC%+%third"}},
      {2, 1, {"abc%+%first", "xyz%+%other", "ABC%+%third"}},
      {3, 1, {"abc%+%first", "xyz%+%other", "abc%+%second"}},
      {0, 0, {}},
      {4, 0, {}},  // one past the last entry
      {9999999, 0, {}},
  };
  for (const auto& c : cases) {
    WriteFile("memory.dat", Stored(lines));
    size_t boxes = backend.boxes().size();
    EXPECT_EQ(ForgetBy("abc", c.number), c.result) << c.number;
    EXPECT_EQ(listed, "1 : abc%+%first\r\n2 : abc%+%second\r\n3 : ABC%+%third\r\n");
    EXPECT_EQ(ReadFile("memory.dat"), Stored(c.left.empty() ? lines : c.left)) << c.number;
    if (c.result) {
      EXPECT_EQ(backend.boxes().size(), boxes) << c.number;
    } else {
      EXPECT_EQ(backend.boxes().size(), boxes + 1) << c.number;
      EXPECT_EQ(backend.boxes().back(), kCannotForget);
    }
    EXPECT_EQ(ListFolder(), Strings{"memory.dat"}) << c.number;
  }
}

TEST_F(WordMemoryTest, CommentLinesAreNeitherListedNorCountedNorLost) {
  // Comments are plain text. The forget scans take every line that starts with "/" and holds
  // "//" for one, so ",a,,b" stored ("/d//e") is one here, though the reply search reads it.
  const std::string file = Stored({"hi%+%one"}) + "//hi%+%comment\r\n" +
                           Stored({",a,,b%+%looks like a comment"}) + "/hi//%+%also\r\n" +
                           Stored({"hi%+%two", ",hi%+%a record"});
  WriteFile("memory.dat", file);
  EXPECT_EQ(ForgetBy("hi ,a,,b ,hi", 2), 1);
  EXPECT_EQ(listed, "1 : hi%+%one\r\n2 : hi%+%two\r\n3 : ,hi%+%a record\r\n");
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"hi%+%one"}) + "//hi%+%comment\r\n" +
                                        Stored({",a,,b%+%looks like a comment"}) +
                                        "/hi//%+%also\r\n" + Stored({",hi%+%a record"}));
}

TEST_F(WordMemoryTest, RemovalKeepsEveryOtherByteInPlace) {
  // Line ends as they were (CR LF or LF), an empty line, a lone CR, a NUL, a line longer
  // than a read, no line break at the end of the text, and a tail after Ctrl-Z.
  const std::string long_reply(500, 'r');
  const std::string head = Stored({"hi%+%crlf"}) + "\r\n" + Stored({"a%+%lf"}).substr(0, 6) + "\n" +
                           Stored({"hi%+%" + long_reply}) + "ab\rcd\r\n" + std::string("x\0y", 3) +
                           "\r\n";
  const std::string chosen = Stored({"hi%+%gone"});
  const std::string tail = Stored({"hi%+%last"}).substr(0, 9);
  const std::string after_ctrl_z = std::string("\x1A") + Stored({"hi%+%unread"}) + "\xFF\x1A";
  WriteFile("memory.dat", head + chosen + tail + after_ctrl_z);
  EXPECT_EQ(ForgetBy("hi", 3), 1);
  // The long record lists as its first read, on a line of its own like every entry.
  EXPECT_EQ(listed, "1 : hi%+%crlf\r\n2 : hi%+%" + std::string(344, 'r') +
                             "\r\n3 : hi%+%gone\r\n4 : hi%+%last\r\n");
  EXPECT_EQ(ReadFile("memory.dat"), head + tail + after_ctrl_z);
}

TEST_F(WordMemoryTest, ChoosingAPartOfALongLineRemovesTheWholeLine) {
  // Read in two parts of 349 and 193 bytes; the second starts with a separator, so its
  // keyword part is empty and it lists too.
  const std::string long_line = "hi%+%" + std::string(344, 'x') + "%+%" + std::string(190, 'y');
  const Strings lines = {"a%+%before", long_line, "a%+%after"};
  for (int number : {1, 2}) {
    WriteFile("memory.dat", Stored(lines));
    EXPECT_EQ(ForgetBy("hi", number), 1) << number;
    EXPECT_EQ(ReadFile("memory.dat"), Stored({"a%+%before", "a%+%after"})) << number;
  }
  // A comment longer than one read stays a comment in all its parts, though its second part
  // read alone would be a record with an empty keyword (it starts with "(.(", a stored
  // separator).
  const std::string comment = "//" + std::string(347, '-') + "(.(hi";
  WriteFile("memory.dat", comment + "\r\n" + Stored({"hi%+%yo"}));
  EXPECT_EQ(ForgetBy("hi", 1), 1);
  EXPECT_EQ(listed, "1 : hi%+%yo\r\n");
  EXPECT_EQ(ReadFile("memory.dat"), comment + "\r\n");
}

TEST_F(WordMemoryTest, ReadOnlyFileIsListedThenLeftAsItWas) {
  const std::string before = Stored({"hi%+%yo", "hi%+%hey"});
  WriteFile("memory.dat", before);
  MakeReadOnly("memory.dat");
  EXPECT_EQ(ForgetBy("hi", 1), 0);  // nothing was removed
  EXPECT_EQ(listed, "1 : hi%+%yo\r\n2 : hi%+%hey\r\n");
  EXPECT_EQ(backend.boxes(), Strings{kCannotOpen});
  EXPECT_EQ(ReadFile("memory.dat"), before);
  EXPECT_EQ(ListFolder(), Strings{"memory.dat"});
}

TEST_F(WordMemoryTest, NewFileKeepsThePermissionsOfTheOld) {
  WriteFile("memory.dat", Stored({"hi%+%yo", "hi%+%hey"}));
  ASSERT_EQ(chmod(Path("memory.dat").c_str(), 0604), 0);
  EXPECT_EQ(ForgetBy("hi", 1), 1);
  struct stat st;
  ASSERT_EQ(stat(Path("memory.dat").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0604u);
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"hi%+%hey"}));
}

TEST_F(WordMemoryTest, FullDiskDuringTheRewriteLeavesMemoryDatWhole) {
  // The new file stops half-way: memory.dat is never touched, and no copy stays.
  std::string before;
  for (int i = 0; i < 200; ++i) before += Stored({"hi%+%reply number " + std::to_string(i)});
  WriteFile("memory.dat", before);
  int result;
  {
    ScopedFileSizeLimit disk_full(static_cast<long>(before.size() / 2));
    result = ForgetBy("hi", 7);
  }
  EXPECT_EQ(result, 0);  // nothing was removed
  EXPECT_EQ(backend.boxes(), Strings{kCannotOpen});
  EXPECT_EQ(ReadFile("memory.dat"), before);
  EXPECT_EQ(ListFolder(), Strings{"memory.dat"});
}

TEST_F(WordMemoryTest, FolderThatCannotBeWrittenLeavesMemoryDatWhole) {
  const std::string before = Stored({"hi%+%yo"});
  WriteFile("memory.dat", before);
  ASSERT_EQ(chmod(Path(".").c_str(), 0555), 0);
  EXPECT_EQ(ForgetBy("hi", 1), 0);
  EXPECT_EQ(backend.boxes(), Strings{kCannotOpen});
  EXPECT_EQ(ReadFile("memory.dat"), before);
  EXPECT_EQ(ListFolder(), Strings{"memory.dat"});
}

TEST_F(WordMemoryTest, TemporaryFilesOfOthersAreLeftAndNeverFollowed) {
  // A forget's copy has a name of its own, so a link by the old fixed name "tem.buf.temp" is
  // neither written through nor removed by a forget; "t.t.t.t.temp" is not used at all. A
  // left-over copy goes only at start-up.
  WriteFile("victim", "keep me");
  ASSERT_EQ(symlink("victim", Path("tem.buf.temp").c_str()), 0);
  WriteFile("t.t.t.t.temp", "mine");
  WriteFile("memory.dat", Stored({"hi%+%yo", "hi%+%hey"}));
  EXPECT_EQ(ForgetBy("hi", 2), 1);
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"hi%+%yo"}));
  EXPECT_EQ(ReadFile("victim"), "keep me");
  EXPECT_EQ(ReadFile("t.t.t.t.temp"), "mine");
  EXPECT_EQ(ListFolder(), (Strings{"memory.dat", "t.t.t.t.temp", "tem.buf.temp", "victim"}));

  ASSERT_EQ(std::remove(Path("tem.buf.temp").c_str()), 0);
  WriteFile("tem.buf.temp", "left over");
  WriteFile("memory.dat.new-Ab12Cd", "left over too");
  { WordMemory memory(persona); }
  EXPECT_TRUE(Exists("tem.buf.temp"));
  core::RemoveLeftOverCopies(persona.folder());
  EXPECT_EQ(ListFolder(), (Strings{"memory.dat", "t.t.t.t.temp", "victim"}));
}

TEST_F(WordMemoryTest, CopyBackTakesOnlyACopyThisForgetFinished) {
  const std::string before = Stored({"hi%+%yo"});
  WriteFile("memory.dat", before);
  WriteFile("tem.buf.temp", "a half copy from a crash");
  WordMemory memory(persona);
  EXPECT_FALSE(memory.CopyBack());
  EXPECT_EQ(ReadFile("memory.dat"), before);
  EXPECT_EQ(ListFolder(), (Strings{"memory.dat", "tem.buf.temp"}));
}

TEST_F(WordMemoryTest, CollapseKeepsOneLineFeedOfEachRunExpandMakesCrLf) {
  const struct {
    std::string text, collapsed, expanded;
  } cases[] = {
      {"", "", ""},
      {"a\nb\n", "a\nb\n", "a\r\nb\r\n"},
      {"\n\na\n\n\nb", "\na\nb", "\r\na\r\nb"},
      {"a\r\n\r\nb", "a\r\n\r\nb", "a\r\r\n\r\r\nb"},
  };
  WordMemory memory(persona);
  for (const auto& c : cases) {
    std::string text = c.text;
    memory.CollapseLineBreaks(text);
    EXPECT_EQ(text, c.collapsed);
    memory.ExpandLineBreaks(text);
    EXPECT_EQ(text, c.expanded);
  }
}

}  // namespace
