// Two personas talking: the transcript, both logs and both memories exactly, with scripted
// random sources; lines that would be words for a user are plain text between personas; the
// partner folders refused before anything is written; a folder that cannot be written stops
// the duet with both folders' files whole.
#include "chat/duet.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "chat/duet_test_support.h"
#include "chat/user_test_support.h"
#include "core/record_format.h"
#include "testing/work_folder.h"

namespace {

using namespace testing_support;
using namespace duet_test;
using Strings = std::vector<std::string>;

std::string Ini(const std::string& user, const std::string& nick, const std::string& mode) {
  return "YourName:" + user + "\r\nRinuName:" + nick + "\r\n" + mode + "\r\n";
}

// Every file of a folder, by name, as bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    files[entry.path().filename().string()] = bytes.str();
  }
  return files;
}

class DuetTest : public WorkFolderTest {
 protected:
  DuetTest() : folderB(MakeTempFolder()), personaB(folderB, randomB, clock) {}
  ~DuetTest() override { RemoveFolder(folderB); }

  void SetUp() override {
    WorkFolderTest::SetUp();
    setenv("TZ", "UTC", 1);
    tzset();
    clock.fixed = &g_now;
    WriteFile("set.ini", Ini("Taro", "Mio", "2"));
    WriteFile("memory.dat", Stored({"こんにちは%+%やあNAME、元気？"}));
    WriteFile("boke.dat", Stored({"ふーん"}));
    WriteFile("no.dat", Stored({"なあに？"}));
    WriteB("set.ini", Ini("Jiro", "Ren", "2"));
    WriteB("memory.dat", Stored({"元気%+%元気だよ"}));
    WriteB("boke.dat", Stored({"へえ"}));
    WriteB("no.dat", Stored({"うん"}));
  }

  void WriteB(const std::string& name, const std::string& bytes) {
    std::ofstream(folderB + "/" + name, std::ios::binary) << bytes;
  }
  std::string ReadB(const std::string& name) { return Snapshot(folderB)[name]; }

  // Runs `steps` lines after Begin(first); the lines said, "speaker>line".
  Strings Run(chat::Duet& duet, const std::string& first, int steps) {
    Strings said;
    EXPECT_EQ(duet.Open(), "");
    EXPECT_TRUE(duet.Begin(first));
    for (int i = 0; i < steps && !duet.stopped(); ++i) {
      std::string speaker, line;
      if (!duet.Step(&speaker, &line)) break;
      said.push_back(speaker + ">" + line);
    }
    return said;
  }

  std::string folderB;
  ScriptedRandom randomB;
  core::Persona personaB;
  BoxUser user{backend};
};

TEST_F(DuetTest, SeededDuetGivesExactTranscriptLogsAndMemories) {
  // Each turn draws the coin, then the pick: A remembers its first reply, B its first. With
  // nothing in memory for their second lines, each draws from its lines that change the
  // subject: no.dat's, "何か話し掛けてよ！", boke.dat's (the third).
  random.Push({0, 0, 1, 2});
  randomB.Push({0, 0, 1, 2});
  chat::Duet duet(persona, personaB, user);
  Strings said = Run(duet, "こんにちは", 4);
  EXPECT_TRUE(duet.End());
  // "NAME" in A's stored reply became B's nickname.
  EXPECT_EQ(said, (Strings{"Mio>やあRen、元気？", "Ren>元気だよ", "Mio>ふーん", "Ren>へえ"}));
  EXPECT_EQ(duet.transcript(),
            "Ren>へえ\nMio>ふーん\nRen>元気だよ\nMio>やあRen、元気？\nRen>こんにちは");
  EXPECT_EQ(ReadFile("log.txt"), StartEntry("Mio", "Ren") +
                                     "Ren>こんにちは\r\nMio>やあRen、元気？\r\n"
                                     "Ren>元気だよ\r\nMio>ふーん\r\n" +
                                     EndEntry("Mio"));
  EXPECT_EQ(ReadB("log.txt"), StartEntry("Ren", "Mio") +
                                  "Mio>やあRen、元気？\r\nRen>元気だよ\r\n"
                                  "Mio>ふーん\r\nRen>へえ\r\n" +
                                  EndEntry("Ren"));
  // Each learned the pair of its remembered reply and the line the other said next.
  EXPECT_EQ(ReadFile("memory.dat"),
            Stored({"こんにちは%+%やあNAME、元気？", "やあNAME、元気？%+%元気だよ"}));
  EXPECT_EQ(ReadB("memory.dat"), Stored({"元気%+%元気だよ", "元気だよ%+%ふーん"}));
  EXPECT_TRUE(backend.boxes().empty());
  EXPECT_TRUE(backend.dialogs().empty());
  EXPECT_EQ(random.left() + randomB.left(), 0u);
}

TEST_F(DuetTest, EmptyFirstLineLetsAOpenFromItsNoFile) {
  random.Push({0});  // of no.dat's line and "何か話し掛けてよ！", the first
  randomB.Push({1, 2});
  chat::Duet duet(persona, personaB, user);
  EXPECT_EQ(Run(duet, "", 2), (Strings{"Mio>なあに？", "Ren>へえ"}));
  EXPECT_EQ(duet.transcript(), "Ren>へえ\nMio>なあに？");
  EXPECT_EQ(ReadFile("log.txt"), StartEntry("Mio", "Ren") + "Ren>\r\nMio>なあに？\r\n");
}

TEST_F(DuetTest, WordsInAStoredReplyAreSaidAndAnsweredAsPlainText) {
  for (const std::string word : {"exit", "f.abc", "a===b", "learn", "log", "forget"}) {
    SCOPED_TRACE(word);
    WriteFile("memory.dat", Stored({"X%+%" + word}));
    WriteFile("log.txt", "");
    WriteB("log.txt", "");
    const auto filesB = Snapshot(folderB);
    random.Push({1, 0, 1, 2});  // A: the stored reply, then "ふーん" to B's answer
    randomB.Push({1, 2});       // B: "へえ" from its boke.dat
    chat::Duet duet(persona, personaB, user);
    EXPECT_EQ(Run(duet, "X", 3), (Strings{"Mio>" + word, "Ren>へえ", "Mio>ふーん"}));
    EXPECT_FALSE(duet.stopped());
    EXPECT_EQ(ReadB("log.txt"), StartEntry("Ren", "Mio") + "Mio>" + word + "\r\nRen>へえ\r\n");
    // Nothing taught, forgotten or asked: B's memory is as it was, no box, no dialog.
    EXPECT_EQ(ReadB("memory.dat"), filesB.at("memory.dat"));
    EXPECT_EQ(ReadFile("memory.dat"), Stored({"X%+%" + word}));
    EXPECT_TRUE(backend.boxes().empty());
    EXPECT_TRUE(backend.dialogs().empty());
  }
}

TEST_F(DuetTest, RefusedPartnerFoldersGetTheirReasonAndNothingIsWritten) {
  const std::string link = folder + "-link";
  ASSERT_EQ(symlink(folderB.c_str(), link.c_str()), 0);
  const std::string settings_message =
      "相手のフォルダのset.iniがないか、正しくありません。\nそのフォルダでRinu++を一度起動して、"
      "名前とログモード（ログなし、HTML、テキスト）を設定してください。";
  struct Case {
    const char* name;
    std::function<void()> prepare;  // changes B's folder
    std::string partner;            // the path B is opened on
    std::string message;
  } cases[] = {
      {"own folder", [] {}, folder,
       "相手のフォルダが自分のフォルダと同じです。\n別のRinu++のフォルダを選んでください。"},
      {"own folder through a link", [] {}, "",  // set below: a link to A's folder
       "相手のフォルダが自分のフォルダと同じです。\n別のRinu++のフォルダを選んでください。"},
      {"own folder with dots", [] {}, folder + "/.",
       "相手のフォルダが自分のフォルダと同じです。\n別のRinu++のフォルダを選んでください。"},
      {"missing", [] {}, folderB + "/nothing",
       "相手のフォルダが見つかりません。\nフォルダの場所を確かめてください。"},
      {"a file, no folder", [] {}, folderB + "/no.dat",
       "相手のフォルダが見つかりません。\nフォルダの場所を確かめてください。"},
      {"no memory.dat", [&] { std::filesystem::remove(folderB + "/memory.dat"); }, folderB,
       "相手のフォルダにファイルが足りません。\n足りないファイル: memory.dat"},
      {"no boke.dat, no no.dat",
       [&] {
         std::filesystem::remove(folderB + "/boke.dat");
         std::filesystem::remove(folderB + "/no.dat");
       },
       folderB, "相手のフォルダにファイルが足りません。\n足りないファイル: boke.dat no.dat"},
      {"no set.ini", [&] { std::filesystem::remove(folderB + "/set.ini"); }, folderB,
       settings_message},
      {"damaged set.ini", [&] { WriteB("set.ini", "YourName Jiro\r\n"); }, folderB,
       settings_message},
      {"log mode 3", [&] { WriteB("set.ini", Ini("Jiro", "Ren", "3")); }, folderB,
       settings_message},
      {"log mode 7", [&] { WriteB("set.ini", Ini("Jiro", "Ren", "7")); }, folderB,
       settings_message},
  };
  const std::string own_link = folder + "-own";
  ASSERT_EQ(symlink(folder.c_str(), own_link.c_str()), 0);
  cases[1].partner = own_link;
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    c.prepare();
    const auto beforeA = Snapshot(folder), beforeB = Snapshot(folderB);
    core::Persona partner(c.partner, randomB, clock);
    chat::Duet duet(persona, partner, user);
    EXPECT_EQ(duet.Open(), c.message);
    EXPECT_FALSE(duet.Begin(""));
    std::string speaker, line;
    EXPECT_FALSE(duet.Step(&speaker, &line));
    EXPECT_TRUE(duet.End());
    EXPECT_EQ(Snapshot(folder), beforeA);
    EXPECT_EQ(Snapshot(folderB), beforeB);
    EXPECT_TRUE(backend.boxes().empty());
    EXPECT_TRUE(backend.dialogs().empty());
  }
  // B through a link to its own folder is a partner like any other.
  SetUp();
  core::Persona linked(link, randomB, clock);
  chat::Duet duet(persona, linked, user);
  EXPECT_EQ(duet.Open(), "");
  unlink(link.c_str());
  unlink(own_link.c_str());
}

TEST_F(DuetTest, AFolderThatCannotBeWrittenStopsTheDuetWithBothFilesWhole) {
  // B's folder fails every write from its second turn: in the first case only its log entry
  // is lost, in the second also the pair it remembered.
  struct Case {
    int coinB;  // 0: B remembers its first reply, so its second turn appends a pair first
    Strings boxes;
    std::string memoryB;
  } cases[] = {
      {1,
       {"ログを書けません。\nlog.txtが読み込み専用になっていないか、\n確認してください。"},
       Stored({"元気%+%元気だよ"})},
      {0,
       {"memory.datファイルに書き込みができません。\n読み込み専用ファイルになっている可能性"
        "があります。\n読み込み専用を解除してください。",
        "ログを書けません。\nlog.txtが読み込み専用になっていないか、\n確認してください。"},
       Stored({"元気%+%元気だよ"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.coinB);
    SetUp();
    WriteFile("log.txt", "");
    WriteB("log.txt", "");
    personaB.folder().SetFaultHook(nullptr);
    random.Push({1, 0, 1, 2});
    randomB.Push({c.coinB, 0, 1, 2});
    chat::Duet duet(persona, personaB, user);
    Strings said = Run(duet, "こんにちは", 2);
    std::string logB = ReadB("log.txt");
    personaB.folder().SetFaultHook([](core::Call call, const std::string&) {
      return call == core::Call::kWrite ? ENOSPC : 0;
    });
    size_t boxes_before = backend.boxes().size();
    std::string speaker, line;
    ASSERT_TRUE(duet.Step(&speaker, &line));  // A
    EXPECT_TRUE(duet.Step(&speaker, &line));  // B: said, but not kept
    EXPECT_EQ(speaker + ">" + line, "Ren>へえ");
    EXPECT_TRUE(duet.stopped());
    EXPECT_EQ(duet.failure(), "Renのフォルダに書き込めなかったので、会話を止めました。");
    EXPECT_FALSE(duet.Step(&speaker, &line));
    EXPECT_TRUE(duet.End());
    personaB.folder().SetFaultHook(nullptr);
    EXPECT_EQ(Strings(backend.boxes().begin() + boxes_before, backend.boxes().end()), c.boxes);
    EXPECT_EQ(ReadB("log.txt"), logB);
    EXPECT_EQ(ReadB("memory.dat"), c.memoryB);
    // A's log is whole, with its end entry.
    EXPECT_EQ(ReadFile("log.txt"), StartEntry("Mio", "Ren") +
                                       "Ren>こんにちは\r\nMio>やあRen、元気？\r\n"
                                       "Ren>元気だよ\r\nMio>ふーん\r\n" +
                                       EndEntry("Mio"));
  }
}

TEST_F(DuetTest, ALineSaidLatelyIsNotSaidAgainAndNoEchoIsStored) {
  // Both know one line that holds its own keyword: said back, it would call itself up again.
  WriteFile("memory.dat", Stored({"好き%+%わたしも好きだよ～♪"}));
  WriteB("memory.dat", Stored({"好き%+%わたしも好きだよ～♪", "へえ%+%へえって何？"}));
  random.Push({0, 0});  // A: the line, remembered
  randomB.Push({1, 1});  // B: its candidate was just said: of うん, 何か話し掛けてよ！, へえ
  random.Push({1, 0});   // A: nothing in memory for "何か話し掛けてよ！": なあに？
  randomB.Push({1, 0});  // B: nothing new for "なあに？" either: うん
  chat::Duet duet(persona, personaB, user);
  EXPECT_EQ(Run(duet, "好き", 4), (Strings{"Mio>わたしも好きだよ～♪", "Ren>何か話し掛けてよ！",
                                           "Mio>なあに？", "Ren>うん"}));
  // A's remembered line got B's answer as its pair; the echo B did not say is not stored.
  EXPECT_EQ(ReadFile("memory.dat"),
            Stored({"好き%+%わたしも好きだよ～♪", "わたしも好きだよ～♪%+%何か話し掛けてよ！"}));
  EXPECT_EQ(random.left() + randomB.left(), 0u);

  // A remembered line said back word for word is no pair. Between two personas only the last
  // resort says a recent line, so a conversation is handed lines said nowhere before.
  SetUp();
  WriteFile("memory.dat", Stored({"好き%+%わたしも好きだよ～♪"}));
  struct NothingSaid : ReplyEngine::DuetLines {
    int Age(const std::string&) const override { return 0; }
  } nothing_said;
  chat::Conversation mio(persona, user);
  ASSERT_TRUE(mio.StartChecked());
  random.Push({0, 0, 1, 0});
  EXPECT_EQ(mio.Answer("好き", "Ren", nothing_said).reply, "わたしも好きだよ～♪");
  EXPECT_EQ(mio.Answer("わたしも好きだよ～♪", "Ren", nothing_said).reply, "わたしも好きだよ～♪");
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"好き%+%わたしも好きだよ～♪"}));
  EXPECT_EQ(random.left() + randomB.left(), 0u);
}

TEST_F(DuetTest, PairAlreadyHeldIsNotStoredEvenWhenAnotherProgramAppendsItMeanwhile) {
  // A remembers "やあNAME、元気？", B answers "元気だよ"; the pair is already in A's memory.
  WriteFile("memory.dat", Stored({"こんにちは%+%やあNAME、元気？", "やあNAME、元気？%+%元気だよ"}));
  random.Push({0, 0, 1, 0});
  randomB.Push({1, 0});
  chat::Duet duet(persona, personaB, user);
  Run(duet, "こんにちは", 3);
  EXPECT_EQ(ReadFile("memory.dat"),
            Stored({"こんにちは%+%やあNAME、元気？", "やあNAME、元気？%+%元気だよ"}));

  // Now another program appends the very pair while A waits for the folder's lock to store it.
  SetUp();
  random.Push({0, 0, 1, 0});
  randomB.Push({1, 0});
  const std::string pair = Stored({"やあNAME、元気？%+%元気だよ"});
  chat::Duet raced(persona, personaB, user);
  EXPECT_EQ(raced.Open(), "");
  EXPECT_TRUE(raced.Begin("こんにちは"));
  std::string speaker, line;
  ASSERT_TRUE(raced.Step(&speaker, &line));
  ASSERT_TRUE(raced.Step(&speaker, &line));
  bool appended = false;
  persona.folder().SetFaultHook([&](core::Call call, const std::string&) {
    if (call == core::Call::kLock && !appended) {
      appended = true;
      std::ofstream(folder + "/memory.dat", std::ios::binary | std::ios::app) << pair;
    }
    return 0;
  });
  ASSERT_TRUE(raced.Step(&speaker, &line));
  persona.folder().SetFaultHook(nullptr);
  EXPECT_TRUE(appended);
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"こんにちは%+%やあNAME、元気？"}) + pair);
}

TEST(DuetDefaultData, LongSeededDuetsKeepMovingAndStoreNoEchoOrCopy) {
  // The personas a new user makes: two copies of the default data, 200 lines a seed.
  for (uint32_t seed : {1u, 7u, 42u}) {
    SCOPED_TRACE(seed);
    std::string dirs[2] = {MakeTempFolder(), MakeTempFolder()};
    std::string before[2];
    for (int side = 0; side < 2; ++side) {
      for (const char* name : {"memory.dat", "boke.dat", "no.dat"})
        std::filesystem::copy_file(std::string(RINU_SOURCE_DIR) + "/data/" + name,
                                   dirs[side] + "/" + name);
      std::ofstream(dirs[side] + "/set.ini", std::ios::binary)
          << Ini("You", side == 0 ? "Mio" : "Ren", "0");
      before[side] = Snapshot(dirs[side])["memory.dat"];
    }
    Strings said;
    {
      ScriptedBackend quiet;
      BoxUser quiet_user(quiet);
      core::Persona a(dirs[0], seed), b(dirs[1], seed + 1);
      chat::Duet duet(a, b, quiet_user);
      ASSERT_EQ(duet.Open(), "");
      ASSERT_TRUE(duet.Begin(""));
      std::string speaker, line;
      while (said.size() < 200 && duet.Step(&speaker, &line)) said.push_back(line);
      duet.End();
      EXPECT_TRUE(quiet.boxes().empty());
    }
    ASSERT_EQ(said.size(), 200u);
    const std::string echo_close = "』って言われてもわかんないじゃない！!!";
    auto puzzled = [&](const std::string& line) {
      return line.starts_with("『") && line.ends_with(echo_close);
    };
    for (size_t i = 1; i < said.size(); ++i) {
      // The default data always has something else to say: no line of the last 24 comes back.
      for (size_t j = i >= 24 ? i - 24 : 0; j < i; ++j)
        EXPECT_NE(said[i], said[j]) << "line " << i << " repeats line " << j;
      EXPECT_FALSE(puzzled(said[i]) && puzzled(said[i - 1])) << "line " << i;
    }
    for (int side = 0; side < 2; ++side) {
      const std::string after = Snapshot(dirs[side])["memory.dat"];
      ASSERT_EQ(after.compare(0, before[side].size(), before[side]), 0);
      std::set<std::string> held;
      std::istringstream lines(after);
      for (std::string stored; std::getline(lines, stored);) {
        EXPECT_TRUE(held.insert(stored).second) << "stored twice";
        std::string plain = stored.substr(0, stored.size() - 1);
        ShiftLine(plain, ShiftRead);
        const size_t at = plain.find("%+%");
        if (at != std::string::npos) {
          EXPECT_NE(plain.substr(0, at), plain.substr(at + 3)) << "an echo pair";
        }
      }
      RemoveFolder(dirs[side]);
    }
  }
}

}  // namespace
