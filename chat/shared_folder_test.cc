// Personas as objects: two of them in one process on two folders, and two writers on one
// folder (as two programs would be) that lose nothing. Where a writer must be caught at its
// critical moment, the folder's fault seam holds it there while the other writes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <sstream>
#include <thread>

#include "chat/conversation.h"
#include "chat/user_test_support.h"
#include "core/memory_index.h"
#include "core/record_scan.h"
#include "memory/memory_book.h"
#include "memory/word_memory.h"
#include "res/resource.h"
#include "testing/work_folder.h"

namespace {

using namespace testing_support;
using core::Call;
using Strings = std::vector<std::string>;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void WaitFor(const std::atomic<bool>& flag) {
  for (int i = 0; i < 5000 && !flag; ++i) Sleep(1);
  ASSERT_TRUE(flag) << "the other writer never got there";
}

// The plain lines of a stored file.
Strings PlainLines(const std::string& stored) {
  Strings lines;
  std::istringstream in(stored);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    for (char& c : line) c = static_cast<char>(static_cast<unsigned char>(c) - 3);
    lines.push_back(line);
  }
  return lines;
}

// Forgets entry `number` of the list `keyword` calls up; the messages go to `told`.
int Forget(core::Persona& persona, const std::string& keyword, int number,
           Strings* told = nullptr) {
  WordMemory memory(persona);
  core::Outcome outcome = memory.List(keyword);
  if (outcome.done()) outcome = memory.ForgetChosen(number);
  if (told) *told = outcome.messages;
  return outcome.done() ? 1 : 0;
}

int Teach(core::Persona& persona, const std::string& line, Strings* told = nullptr) {
  const core::Outcome outcome = WordMemory(persona).LearnFromLine(line);
  if (told) *told = outcome.messages;
  return outcome.done() ? 1 : 0;
}

class SharedFolderTest : public WorkFolderTest {
 protected:
  void SetUp() override {
    WorkFolderTest::SetUp();
    WriteFile("memory.dat", Stored({"hi%+%1", "hi%+%2", "hi%+%3", "hi%+%4"}));
  }
  // The persona's first rename (a rewrite put in place, under the folder's lock) sets
  // at_rename and waits there until the test sets go.
  void HoldFirstRename() {
    persona.folder().SetFaultHook([this](Call call, const std::string&) {
      if (call == Call::kRename && !at_rename) {
        at_rename = true;
        WaitFor(go);
      }
      return 0;
    });
  }
  // Lets the held writer go once the other has had time to reach the folder's lock.
  std::thread ReleaseSoon() {
    return std::thread([this] {
      WaitFor(at_rename);
      Sleep(100);
      go = true;
    });
  }
  std::atomic<bool> at_rename = false, go = false;
  // A second persona on the same folder: to the lock, another program.
  core::Persona other{folder, 7};
};

TEST_F(SharedFolderTest, TwoPersonasOnTwoFoldersKeepTheirOwnRecordsAndLogs) {
  const std::string second_folder = MakeTempFolder();
  ScriptedRandom second_random;
  core::Persona second(second_folder, second_random, clock);
  auto data = [](const std::string& dir, const std::string& nick) {
    for (const char* f : {"boke.dat", "no.dat"}) WriteFile(dir + "/" + f, Stored({"ふーん"}));
    WriteFile(dir + "/memory.dat", Stored({"abc%+%xyz"}));
    WriteFile(dir + "/set.ini", "YourName:Taro\r\nRinuName:" + nick + "\r\n2\r\n");
  };
  data(folder, "Mio");
  data(second_folder, "Ren");
  ScriptedBackend second_backend;
  BoxUser user(backend), second_user(second_backend);
  chat::Conversation a(persona, user), b(second, second_user);
  ASSERT_TRUE(a.Start());
  ASSERT_TRUE(b.Start());
  a.Begin();
  b.Begin();
  random.Push({1, 0});         // A: coin, candidate
  second_random.Push({1, 0});  // B: the same
  EXPECT_EQ(a.Take("a===1").reply, "覚えたよ～ん,教えてくれてありがとう♪");
  EXPECT_EQ(b.Take("abc").reply, "xyz");
  EXPECT_EQ(a.Take("abc").reply, "xyz");
  EXPECT_EQ(b.Take("b===2").reply, "覚えたよ～ん,教えてくれてありがとう♪");
  // A fault in A's folder leaves B working.
  persona.folder().SetFaultHook(
      [](Call call, const std::string&) { return call == Call::kWrite ? ENOSPC : 0; });
  EXPECT_EQ(a.Take("c===3").reply, "覚えられないですぅ");
  EXPECT_EQ(b.Take("d===4").reply, "覚えたよ～ん,教えてくれてありがとう♪");
  persona.folder().SetFaultHook(nullptr);
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"abc%+%xyz", "a%+%1"}));
  EXPECT_EQ(ReadFile(second_folder + "/memory.dat"), Stored({"abc%+%xyz", "b%+%2", "d%+%4"}));
  const std::string log_a = ReadFile("log.txt"), log_b = ReadFile(second_folder + "/log.txt");
  EXPECT_NE(log_a.find("Taro>abc\r\nMio>xyz\r\n"), std::string::npos) << log_a;
  EXPECT_EQ(log_a.find("Ren>"), std::string::npos) << log_a;
  EXPECT_NE(log_b.find("Taro>abc\r\nRen>xyz\r\n"), std::string::npos) << log_b;
  EXPECT_EQ(log_b.find("c===3"), std::string::npos) << log_b;
  RemoveFolder(second_folder);
  EXPECT_FALSE(backend.boxes().empty());  // A's failed teach told its user
  EXPECT_TRUE(second_backend.boxes().empty());
}

// The memory book has checked the file and is about to rename its copy over it; another
// program teaches a record meanwhile. The record is kept.
TEST_F(SharedFolderTest, BookChangeAndTeachingAtOnceLoseNothing) {
  HoldFirstRename();
  int taught = 0;
  std::thread teacher([&] {
    WaitFor(at_rename);
    taught = Teach(other, "new===rec");
  });
  MemoryBook book(persona.folder());
  ASSERT_EQ(book.Open().result, MemoryBook::Result::kDone);
  std::thread releaser = ReleaseSoon();
  EXPECT_EQ(book.Delete({0}).result, MemoryBook::Result::kDone);  // the newest, hi%+%4
  releaser.join();
  teacher.join();
  EXPECT_EQ(taught, 1);
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"hi%+%1", "hi%+%2", "hi%+%3", "new%+%rec"}));
}

// Two forgets at once: each removes its own record, and both say so truthfully.
TEST_F(SharedFolderTest, TwoForgetsAtOnceEachRemoveTheirRecord) {
  HoldFirstRename();
  int second = -1;
  std::thread other_forget([&] {
    WaitFor(at_rename);
    second = Forget(other, "hi", 3);
  });
  std::thread releaser = ReleaseSoon();
  EXPECT_EQ(Forget(persona, "hi", 1), 1);
  releaser.join();
  other_forget.join();
  // The other program listed before the first forget was done, so its "3" was hi%+%3; the
  // file changed under it, and it removed nothing rather than the wrong record.
  const std::string after = ReadFile("memory.dat");
  if (second == 1) {
    EXPECT_EQ(after, Stored({"hi%+%2", "hi%+%4"}));
  } else {
    EXPECT_EQ(after, Stored({"hi%+%2", "hi%+%3", "hi%+%4"}));
  }
  EXPECT_TRUE(ListFolder() == Strings{"memory.dat"}) << "a copy was left behind";
}

// An ordinary turn of another program in the middle of a forget neither waits for it nor
// touches its copy.
TEST_F(SharedFolderTest, ATurnLeavesAnotherProgramsForgetAlone) {
  for (const char* f : {"boke.dat", "no.dat"}) WriteFile(f, Stored({"ふーん"}));
  WriteFile("set.ini", "YourName:Taro\r\nRinuName:Mio\r\n0\r\n");
  HoldFirstRename();
  int forgot = -1;
  std::thread forget([&] { forgot = Forget(persona, "hi", 2); });
  WaitFor(at_rename);
  ScriptedBackend turn_backend;
  {
    ScriptedRandom turn_random;
    turn_random.Push({1, 0});
    core::Persona turn_persona(folder, turn_random, clock);
    BoxUser turn_user(turn_backend);
    chat::Conversation turn(turn_persona, turn_user);
    EXPECT_EQ(turn.Take("hi").reply, "1");
  }
  go = true;
  forget.join();
  EXPECT_EQ(forgot, 1);
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"hi%+%1", "hi%+%3", "hi%+%4"}));
  EXPECT_TRUE(turn_backend.boxes().empty());
}

// The list was shown, then another program forgot a record before the user chose: the
// chosen number no longer names the record listed, so nothing is removed, and the user is
// told why.
TEST_F(SharedFolderTest, AForgetWhoseListWentStaleRemovesNothing) {
  bool once = false;
  persona.folder().SetFaultHook([&](Call call, const std::string&) {
    if (call == Call::kLock && !once) {
      once = true;
      EXPECT_EQ(Forget(other, "hi", 1), 1);
    }
    return 0;
  });
  Strings told;
  EXPECT_EQ(Forget(persona, "hi", 3, &told), 0);
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"hi%+%2", "hi%+%3", "hi%+%4"}));
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("memory.datが変わった"), std::string::npos);
}

// A write that fails part-way is cut back to where it began; another program's record that
// arrived meanwhile is not cut with it.
TEST_F(SharedFolderTest, AFailedAppendCutsBackOnlyItsOwnLine) {
  std::atomic<bool> writing = false;
  persona.folder().SetFaultHook([&](Call call, const std::string&) {
    if (call != Call::kWrite) return 0;
    writing = true;
    Sleep(100);  // the other program tries to append now
    return ENOSPC;
  });
  int theirs = -1;
  std::thread other_teach([&] {
    WaitFor(writing);
    theirs = Teach(other, "their===rec");
  });
  EXPECT_EQ(Teach(persona, "mine===rec"), 0);
  other_teach.join();
  EXPECT_EQ(theirs, 1);
  EXPECT_EQ(ReadFile("memory.dat"),
            Stored({"hi%+%1", "hi%+%2", "hi%+%3", "hi%+%4", "their%+%rec"}));
}

// A writer that cannot have the folder in time changes nothing and says so.
TEST_F(SharedFolderTest, AWriterThatWaitsTooLongChangesNothing) {
  const std::string before = ReadFile("memory.dat");
  other.folder().set_lock_timeout_ms(50);
  ASSERT_TRUE(persona.folder().Lock());
  Strings told;
  EXPECT_EQ(Teach(other, "x===y", &told), 0);
  persona.folder().Unlock();
  EXPECT_EQ(ReadFile("memory.dat"), before);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("書き込んでいるため"), std::string::npos);
}

// Two programs on one folder for a thousand rounds and more: one forgets and edits and
// deletes in the memory book, the other teaches and learns pairs. Every appended record is
// there, every forget that said done removed exactly its record, no line is torn or empty.
TEST_F(SharedFolderTest, TwoWritersOnOneFolderLoseNothing) {
  constexpr int kRounds = 500;  // each round: a forget and a book change, against two appends
  Strings start;
  for (int i = 0; i < kRounds; ++i) {
    start.push_back("fk" + std::to_string(10000 + i) + "%+%x");
    start.push_back("bk" + std::to_string(10000 + i) + "%+%y");
  }
  WriteFile("memory.dat", Stored(start));
  std::vector<int> forgot(kRounds, -1);
  std::vector<MemoryBook::Result> booked(kRounds);
  std::thread pruner([&] {
    MemoryBook book(persona.folder());
    for (int i = 0; i < kRounds; ++i) {
      forgot[i] = Forget(persona, "fk" + std::to_string(10000 + i), 1);
      // The book reads afresh and changes one record; a file that changed in between is
      // refused (and read again), so it tries again.
      MemoryBook::Result result = MemoryBook::Result::kChangedOnDisk;
      for (int attempt = 0; attempt < 50 && result == MemoryBook::Result::kChangedOnDisk;
           ++attempt) {
        book.Open();
        book.SetFilter("bk" + std::to_string(10000 + i));
        if (book.ShownCount() != 1) break;
        result = i % 2 ? book.Delete({0}).result
                       : book.Edit(0, "bk" + std::to_string(10000 + i), "edited").result;
      }
      booked[i] = result;
    }
  });
  std::vector<int> taught(2 * kRounds, -1);
  {
    ConversationLog log(other);
    ReplyEngine engine(other, log);
    for (int i = 0; i < 2 * kRounds; ++i) {
      if (i % 2) {
        engine.RememberForPair("pk" + std::to_string(10000 + i));
        engine.AppendConversationPair("pair");
        taught[i] = 1;
      } else {
        taught[i] = Teach(other, "tk" + std::to_string(10000 + i) + "===t");
      }
    }
    EXPECT_TRUE(engine.TakeTold().empty());
  }
  pruner.join();

  const std::string stored = ReadFile("memory.dat");
  EXPECT_EQ(stored.find("\r\n\r\n"), std::string::npos) << "an empty line";
  Strings lines = PlainLines(stored);
  std::multiset<std::string> have(lines.begin(), lines.end());
  for (int i = 0; i < 2 * kRounds; ++i) {
    ASSERT_EQ(taught[i], 1) << i;
    const std::string rec = i % 2 ? "pk" + std::to_string(10000 + i) + "%+%pair"
                                  : "tk" + std::to_string(10000 + i) + "%+%t";
    EXPECT_EQ(have.count(rec), 1u) << rec;
    have.erase(rec);
  }
  for (int i = 0; i < kRounds; ++i) {
    const std::string n = std::to_string(10000 + i);
    EXPECT_EQ(forgot[i], 1) << "forget " << n;
    EXPECT_EQ(have.count("fk" + n + "%+%x"), forgot[i] == 1 ? 0u : 1u) << n;
    have.erase("fk" + n + "%+%x");
    ASSERT_EQ(booked[i], MemoryBook::Result::kDone) << "book change " << n;
    if (i % 2 == 0) {
      EXPECT_EQ(have.count("bk" + n + "%+%edited"), 1u) << n;
      have.erase("bk" + n + "%+%edited");
    }
    EXPECT_EQ(have.count("bk" + n + "%+%y"), 0u) << n;
  }
  EXPECT_TRUE(have.empty()) << "lines nobody wrote, first: " << *have.begin();
  EXPECT_EQ(ListFolder(), Strings{"memory.dat"});
}

// One program teaches and forgets while the other answers through its index of memory.dat.
// Each answer is taken with the folder locked, so the file stands still for it: the
// candidates are the records a scan of the file finds then, in the same order.
TEST_F(SharedFolderTest, AnswersThroughTheIndexAreTheScansWhileAnotherTeachesAndForgets) {
  std::atomic<bool> done = false;
  std::thread writer([&] {
    for (int i = 0; i < 300; ++i, Sleep(1)) {
      const std::string keyword = i % 3 ? "hi" : "ab" + std::to_string(i % 7);
      i % 4 == 3 ? Forget(other, keyword, 1) : Teach(other, keyword + "===" + std::to_string(i));
    }
    done = true;
  });
  ConversationLog log(persona);
  ReplyEngine engine(persona, log);
  std::string mismatch;
  for (int n = 0; mismatch.empty() && (!done || n < 20); ++n, Sleep(1)) {
    const std::string line = n % 2 ? "Hi there" : "ab" + std::to_string(n % 7) + "hi";
    core::FolderLock lock(persona.folder());
    engine.SearchMemory(line);
    Strings scanned;
    core::RecordScan scan(line, core::kReplySearchRules);
    core::RecordScan::Piece piece;
    for (bool open = scan.Open(persona.folder(), "memory.dat"); open && scan.NextMatch(&piece);) {
      std::string record;
      core::RecordScan::AppendPlain(piece, &record);
      scanned.push_back(record.substr(0, record.find('\n')));
    }
    if (!lock.held() || engine.candidates() != scanned) mismatch = std::to_string(n) + ": " + line;
  }
  writer.join();
  EXPECT_EQ(mismatch, "");
  EXPECT_GT(persona.memory_index().builds(), 10);  // after the forgets
}

}  // namespace
