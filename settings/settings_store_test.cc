// SettingsStore: reading, checking and writing set.ini, as what each step returns.
#include "settings/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "testing/work_folder.h"

namespace {

using namespace testing_support;
using Strings = std::vector<std::string>;

const std::string kCannotSave =
    "set.iniを保存できません。\nフォルダーとset.iniに書き込めるか確認してください。";

// set.ini as the program writes it.
std::string Ini(const std::string& user, const std::string& nick, const std::string& mode) {
  return "YourName:" + user + "\r\nRinuName:" + nick + "\r\n" + mode + "\r\n";
}

class SettingsStoreTest : public WorkFolderTest {
 protected:
  // Reads set.ini once; what the store had to say collects in `told`.
  SettingsStore::State Read(SettingsStore& store) { return store.Read(&told); }
  core::Outcome told;
};

TEST_F(SettingsStoreTest, LogModeRules) {
  const struct {
    std::string line3;
    int mode;
    bool rewritten;
  } cases[] = {
      {"2", 2, false},
      {"0", 0, false},
      {"3", 3, false},
      {"abc", 0, false},
      {"", 0, false},
      {" 2", 2, false},
      {"\t+1", 1, false},
      {"2abc", 2, false},
      {"-0", 0, false},
      {"7", 1, true},
      {"-1", 1, true},
      {"4", 1, true},
      {"99999999999999999999", 1, true},
      {"-99999999999999999999", 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("line 3: '" + c.line3 + "'");
    std::string file = Ini("Taro", "Hana", c.line3) + "extra\r\n";
    WriteFile("set.ini", file);
    SettingsStore store(persona);
    EXPECT_EQ(Read(store), SettingsStore::State::kValid);
    EXPECT_EQ(store.GetLogMode(), c.mode);
    EXPECT_EQ(ReadFile("set.ini"), c.rewritten ? Ini("Taro", "Hana", "1") : file);
    EXPECT_EQ(store.GetName(0), "Taro");
  }
  EXPECT_TRUE(told.messages.empty());
}

TEST_F(SettingsStoreTest, NamesAreEverythingAfterTheFirstColonAndFormsAreAccepted) {
  const struct {
    std::string file;
    std::string user, nick;
  } cases[] = {
      {"X:abc\r\nY:def\r\n1\r\n", "abc", "def"},
      {"YourName:a:b\r\nRinuName::\r\n1\r\n", "a:b", ":"},
      {"YourName:\r\n:\r\n1\r\n", "", ""},
      {"YourName: Taro \r\nRinuName:\tHana\r\n1\r\n", " Taro ", "\tHana"},
      {"YourName:太郎\r\nRinuName:ソ表～\r\n1\r\n", "太郎", "ソ表～"},
      {"YourName:Taro\nRinuName:Hana\n1\n", "Taro", "Hana"},  // LF only
      {"YourName:Taro\r\nRinuName:Hana\n1", "Taro", "Hana"},  // mixed, no last LF
      {"YourName:Taro\r\nRinuName:Hana\r\n1\r\nYourName:X\r\n", "Taro", "Hana"},  // line 4
      {"YourName:Ta\rro\r\nRinuName:Hana\r\r\n1\r\n", "Ta\rro", "Hana\r"},        // lone CR kept
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    WriteFile("set.ini", c.file);
    SettingsStore store(persona);
    EXPECT_EQ(Read(store), SettingsStore::State::kValid);
    EXPECT_EQ(store.GetName(0), c.user);
    EXPECT_EQ(store.GetName(1), c.nick);
    EXPECT_EQ(ReadFile("set.ini"), c.file);
  }
  EXPECT_TRUE(told.messages.empty());
}

TEST_F(SettingsStoreTest, OverlongLinesAndValuesAreCutSafely) {
  const std::string a126(126, 'a'), kanji60 = [] {
    std::string s;
    for (int i = 0; i < 60; ++i) s += "漢";
    return s;
  }();
  const struct {
    const char* what;
    std::string line1;
    std::string user;
  } cases[] = {
      {"value of 103 bytes kept", "YourName:" + std::string(103, 'a'), std::string(103, 'a')},
      {"value of 104 bytes cut", "YourName:" + std::string(104, 'a'), std::string(103, 'a')},
      {"line of 200 bytes: its rest is not line 2", "YourName:" + std::string(191, 'b'),
       std::string(103, 'b')},
      {"line of exactly 127 bytes", "K:" + std::string(125, 'c'), std::string(103, 'c')},
      {"line of 126 bytes", "K:" + std::string(124, 'c'), std::string(103, 'c')},
      {"double-byte value cut before the character that does not fit", "YourName:a" + kanji60,
       "a" + kanji60.substr(0, 102)},
      {"double-byte value split by the 127-byte room", std::string(121, 'K') + ":" + kanji60,
       kanji60.substr(0, 4)},
      {"half a character at the line end dropped", "YourName:ab\x82", "ab"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile("set.ini", c.line1 + "\r\nRinuName:" + a126 + "zzz\r\n2" + a126 + "\r\n3\r\n");
    SettingsStore store(persona);
    EXPECT_EQ(Read(store), SettingsStore::State::kValid);
    EXPECT_EQ(store.GetName(0), c.user);
    EXPECT_EQ(store.GetName(1), std::string(103, 'a'));
    EXPECT_EQ(store.GetLogMode(), TEXT);
  }
  EXPECT_TRUE(told.messages.empty());

  // A ":" past the 127 bytes is not found: line 1 fails its check.
  WriteFile("set.ini", std::string(130, 'K') + ":Taro\r\nRinuName:Hana\r\n2\r\n");
  SettingsStore store(persona);
  EXPECT_EQ(Read(store), SettingsStore::State::kDamaged);
  EXPECT_EQ(told.messages,
            Strings{"set.iniファイルが不正です。\n再度名前を入力してください。"});
}

TEST_F(SettingsStoreTest, AssignAndSaveRewriteAllThreeLines) {
  WriteFile("set.ini", Ini("Taro", "Hana", "2") + "line 4\r\n");
  SettingsStore store(persona);
  EXPECT_EQ(Read(store), SettingsStore::State::kValid);
  int mode = NOLOG;
  store.Assign("Jiro", "", mode);
  EXPECT_EQ(store.GetName(1), "");
  EXPECT_TRUE(store.Save().done());
  EXPECT_EQ(ReadFile("set.ini"), Ini("Jiro", "", "0"));
  // A line break or end-of-file byte in a name would break the file: the name ends there.
  store.Assign("Ta\nro", "Ha\x1Ana", mode);
  EXPECT_TRUE(store.Save().done());
  EXPECT_EQ(ReadFile("set.ini"), Ini("Ta", "Ha", "0"));
  EXPECT_EQ(ListFolder(), Strings{"set.ini"});
  EXPECT_TRUE(told.messages.empty());
}

TEST_F(SettingsStoreTest, GetNameWithAnotherIndexGivesNull) {
  WriteFile("set.ini", Ini("Taro", "Hana", "1"));
  SettingsStore store(persona);
  EXPECT_EQ(Read(store), SettingsStore::State::kValid);
  EXPECT_EQ(store.GetName(2), "NULL");
  EXPECT_EQ(store.GetName(-1), "NULL");
}

TEST_F(SettingsStoreTest, SaveFailingPartWayLeavesTheOldFileWhole) {
  const std::string old = Ini("Taro", "Hana", "2");
  WriteFile("set.ini", old);
  SettingsStore store(persona);
  EXPECT_EQ(Read(store), SettingsStore::State::kValid);
  int mode = HTML;
  store.Assign(std::string(100, 'x'), std::string(100, 'y'), mode);
  {
    ScopedFileSizeLimit disk_full(50);  // the new file stops half-way
    EXPECT_EQ(store.Save().messages, Strings{kCannotSave});
  }
  EXPECT_EQ(ReadFile("set.ini"), old);
  EXPECT_EQ(ListFolder(), Strings{"set.ini"});  // no half-written file left beside it
}

TEST_F(SettingsStoreTest, SaveNeverDeletesAReadOnlyFile) {
  const std::string old = Ini("Taro", "Hana", "2");
  WriteFile("set.ini", old);
  MakeReadOnly("set.ini");
  SettingsStore store(persona);
  EXPECT_EQ(Read(store), SettingsStore::State::kValid);
  EXPECT_EQ(store.Save().messages, Strings{kCannotSave});
  EXPECT_EQ(ReadFile("set.ini"), old);
}

TEST_F(SettingsStoreTest, ModeOutOfRangeInAReadOnlyFileIsUsedAsHtmlWithoutAMessage) {
  const std::string file = Ini("Taro", "Hana", "9");
  WriteFile("set.ini", file);
  MakeReadOnly("set.ini");
  SettingsStore store(persona);
  EXPECT_EQ(Read(store), SettingsStore::State::kValid);
  EXPECT_EQ(store.GetLogMode(), HTML);
  EXPECT_EQ(Read(store), SettingsStore::State::kValid);
  EXPECT_EQ(store.GetLogMode(), HTML);
  EXPECT_EQ(ReadFile("set.ini"), file);
  EXPECT_TRUE(told.messages.empty());
}


}  // namespace
