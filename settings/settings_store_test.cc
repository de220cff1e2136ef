// SettingsStore and SetupDialog: reading, checking, repairing and writing set.ini.
#include "settings/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "res/resource.h"
#include "settings/setup_dialog.h"
#include "testing/work_folder.h"

namespace {

using namespace testing_support;
using Strings = std::vector<std::string>;

const std::string kDamaged = "set.iniファイルが不正です。\n再度名前を入力してください。";
const std::string kCannotSave =
    "set.iniを保存できません。\nフォルダーとset.iniに書き込めるか確認してください。";

// set.ini as the program writes it.
std::string Ini(const std::string& user, const std::string& nick, const std::string& mode) {
  return "YourName:" + user + "\r\nRinuName:" + nick + "\r\n" + mode + "\r\n";
}

class SettingsStoreTest : public WorkFolderTest {
 protected:
  // The events since `from`.
  Strings EventsFrom(size_t from) const {
    const Strings& all = backend.events();
    return Strings(all.begin() + static_cast<long>(from), all.end());
  }
  static void RemoveFileIfAny() { std::remove(Path("set.ini").c_str()); }
  void AnswerSetup() {
    backend.When(IDD_SETUP, {Type(IDC_SETUP_USER_NAME, "Taro"), Type(IDC_SETUP_RINU_NAME, "Hana"),
                             Choose(IDC_SETUP_LOG_TEXT), Press(ui::IDOK)});
  }
};

TEST_F(SettingsStoreTest, FirstStartAsksWithHtmlChosenAndWritesTheAnswers) {
  AnswerSetup();
  SettingsStore store(persona, backend);
  store.Load();
  EXPECT_EQ(backend.events(), (Strings{"open:133", "end:133=1"}));  // no message
  const DialogRecord& setup = backend.dialogs()[0];
  EXPECT_EQ(setup.focus, IDC_SETUP_USER_NAME);
  const ControlState& shown = setup.states[0];
  EXPECT_EQ(shown.text.at(IDC_SETUP_USER_NAME), "");
  EXPECT_EQ(shown.text.at(IDC_SETUP_RINU_NAME), "");
  EXPECT_FALSE(shown.checked.at(IDC_LOG_NONE));
  EXPECT_TRUE(shown.checked.at(IDC_SETUP_LOG_HTML));
  EXPECT_FALSE(shown.checked.at(IDC_SETUP_LOG_TEXT));
  EXPECT_EQ(ReadFile("set.ini"), Ini("Taro", "Hana", "2"));
  EXPECT_EQ(store.GetName(0), "Taro");
  EXPECT_EQ(store.GetName(1), "Hana");
  EXPECT_EQ(store.GetLogMode(), TEXT);
  EXPECT_EQ(ListFolder(), Strings{"set.ini"});
}

TEST_F(SettingsStoreTest, SetupClosedWithoutOkWritesEmptyNamesAndHtml) {
  backend.When(IDD_SETUP, {Type(IDC_SETUP_USER_NAME, "Taro"), Choose(IDC_LOG_NONE), Close()});
  SettingsStore store(persona, backend);
  store.Load();
  EXPECT_EQ(backend.events(), (Strings{"open:133", "end:133=2"}));
  EXPECT_EQ(ReadFile("set.ini"), Ini("", "", "1"));
  EXPECT_EQ(store.GetName(0), "");
  EXPECT_EQ(store.GetName(1), "");
  EXPECT_EQ(store.GetLogMode(), HTML);
}

TEST_F(SettingsStoreTest, EachFailedCheckShowsTheMessageOnceThenTheSetupAndTakesTheNewFile) {
  const struct {
    const char* check;
    std::string file;
  } cases[] = {
      {"1: no line 1", ""},
      {"2: line 1 without colon", "Taro\r\nRinuName:Hana\r\n2\r\n"},
      {"3: no line 2", "YourName:Taro\r\n"},
      {"4: line 2 without colon", "YourName:Taro\r\nHana\r\n2\r\n"},
      {"5: no line 3", "YourName:Taro\r\nRinuName:Hana\r\n"},
      {"5: no line 3, no final line break", "YourName:Taro\nRinuName:Hana"},
  };
  for (const auto& c : cases) {
    for (bool ok : {true, false}) {
      SCOPED_TRACE(std::string(c.check) + (ok ? ", OK" : ", closed"));
      WriteFile("set.ini", c.file);
      size_t from = backend.events().size();
      if (ok) {
        AnswerSetup();
      } else {
        backend.When(IDD_SETUP, {Type(IDC_SETUP_USER_NAME, "Jiro"), Close()});
      }
      SettingsStore store(persona, backend);
      store.Load();
      EXPECT_EQ(EventsFrom(from),
                (Strings{"box:" + kDamaged, "open:133", ok ? "end:133=1" : "end:133=2"}));
      EXPECT_EQ(ReadFile("set.ini"), ok ? Ini("Taro", "Hana", "2") : Ini("", "", "1"));
      EXPECT_EQ(store.GetName(0), ok ? "Taro" : "");
      EXPECT_EQ(store.GetName(1), ok ? "Hana" : "");
      EXPECT_EQ(store.GetLogMode(), ok ? TEXT : HTML);
    }
  }
}

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
    SettingsStore store(persona, backend);
    store.Load();
    EXPECT_EQ(store.GetLogMode(), c.mode);
    EXPECT_EQ(ReadFile("set.ini"), c.rewritten ? Ini("Taro", "Hana", "1") : file);
    EXPECT_EQ(store.GetName(0), "Taro");
  }
  EXPECT_TRUE(backend.events().empty());
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
    SettingsStore store(persona, backend);
    store.Load();
    EXPECT_EQ(store.GetName(0), c.user);
    EXPECT_EQ(store.GetName(1), c.nick);
    EXPECT_EQ(ReadFile("set.ini"), c.file);
  }
  EXPECT_TRUE(backend.events().empty());
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
    SettingsStore store(persona, backend);
    store.Load();
    EXPECT_EQ(store.GetName(0), c.user);
    EXPECT_EQ(store.GetName(1), std::string(103, 'a'));
    EXPECT_EQ(store.GetLogMode(), TEXT);
  }
  EXPECT_TRUE(backend.events().empty());

  // A ":" past the 127 bytes is not found: line 1 fails its check.
  WriteFile("set.ini", std::string(130, 'K') + ":Taro\r\nRinuName:Hana\r\n2\r\n");
  AnswerSetup();
  SettingsStore store(persona, backend);
  store.Load();
  EXPECT_EQ(backend.boxes(), Strings{kDamaged});
  EXPECT_EQ(store.GetName(0), "Taro");
}

TEST_F(SettingsStoreTest, AssignAndSaveRewriteAllThreeLines) {
  WriteFile("set.ini", Ini("Taro", "Hana", "2") + "line 4\r\n");
  SettingsStore store(persona, backend);
  store.Load();
  int mode = NOLOG;
  store.Assign("Jiro", "", mode);
  EXPECT_EQ(store.GetName(1), "");
  EXPECT_EQ(store.Save(), 1);
  EXPECT_EQ(ReadFile("set.ini"), Ini("Jiro", "", "0"));
  // A line break or end-of-file byte in a name would break the file: the name ends there.
  store.Assign("Ta\nro", "Ha\x1Ana", mode);
  EXPECT_EQ(store.Save(), 1);
  EXPECT_EQ(ReadFile("set.ini"), Ini("Ta", "Ha", "0"));
  EXPECT_EQ(ListFolder(), Strings{"set.ini"});
  EXPECT_TRUE(backend.events().empty());
}

TEST_F(SettingsStoreTest, GetNameWithAnotherIndexShowsError03AndGivesNull) {
  WriteFile("set.ini", Ini("Taro", "Hana", "1"));
  SettingsStore store(persona, backend);
  store.Load();
  EXPECT_EQ(store.GetName(2), "NULL");
  EXPECT_EQ(store.GetName(-1), "NULL");
  const std::string error03 =
      "このメッセージが表示された場合はただちにWexにお知らせください。\n"
      "このメッセージは表示されるはずのないものです。\nエラーナンバー03です。";
  EXPECT_EQ(backend.boxes(), (Strings{error03, error03}));
}

TEST_F(SettingsStoreTest, SaveFailingPartWayLeavesTheOldFileWhole) {
  const std::string old = Ini("Taro", "Hana", "2");
  WriteFile("set.ini", old);
  SettingsStore store(persona, backend);
  store.Load();
  int mode = HTML;
  store.Assign(std::string(100, 'x'), std::string(100, 'y'), mode);
  {
    ScopedFileSizeLimit disk_full(50);  // the new file stops half-way
    EXPECT_EQ(store.Save(), 0);
  }
  EXPECT_EQ(ReadFile("set.ini"), old);
  EXPECT_EQ(ListFolder(), Strings{"set.ini"});  // no half-written file left beside it
  EXPECT_EQ(backend.boxes(), Strings{kCannotSave});
}

TEST_F(SettingsStoreTest, SaveNeverDeletesAReadOnlyFile) {
  const std::string old = Ini("Taro", "Hana", "2");
  WriteFile("set.ini", old);
  MakeReadOnly("set.ini");
  SettingsStore store(persona, backend);
  store.Load();
  EXPECT_EQ(store.Save(), 0);
  EXPECT_EQ(ReadFile("set.ini"), old);
  EXPECT_EQ(backend.boxes(), Strings{kCannotSave});
}

TEST_F(SettingsStoreTest, ASetIniThatCannotBeWrittenOrReadBackEndsTheProgram) {
  const std::string cannot_save = "box:" + kCannotSave + "\nプログラムを終了します。";
  const std::string cannot_read =
      "box:set.iniを読み込めません。\nset.iniが読み込めるか確認してください。\n"
      "プログラムを終了します。";
  const struct {
    const char* what;
    const char* file;  // null: none
    mode_t file_mode, folder_mode;
    Strings events;
  } cases[] = {
      {"read-only folder, no file", nullptr, 0, 0555, {"open:133", "end:133=1", cannot_save}},
      {"read-only folder, damaged file",
       "",
       0644,
       0555,
       {"box:" + kDamaged, "open:133", "end:133=1", cannot_save}},
      {"read-only damaged file",
       "Taro\r\n",
       0444,
       0755,
       {"box:" + kDamaged, "open:133", "end:133=1", cannot_save}},
      // Not missing, so no first start: the file and the user's names are left alone.
      {"file that can be written but not read",
       "YourName:Taro\r\nRinuName:Mio\r\n2\r\n",
       0200,
       0755,
       {"box:set.iniを読み込めません。\n読み書きが許可されていません (EACCES)\n"
        "set.iniが読み込めるか確認してください。\nプログラムを終了します。"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(chmod(Path(".").c_str(), 0755), 0);
    RemoveFileIfAny();
    if (c.file) {
      WriteFile("set.ini", c.file);
      ASSERT_EQ(chmod(Path("set.ini").c_str(), c.file_mode), 0);
    }
    ASSERT_EQ(chmod(Path(".").c_str(), c.folder_mode), 0);
    size_t from = backend.events().size();
    if (std::find(c.events.begin(), c.events.end(), "open:133") != c.events.end()) AnswerSetup();
    SettingsStore store(persona, backend);
    EXPECT_EQ(store.Load(), 0);  // the program must end with status 1
    EXPECT_EQ(EventsFrom(from), c.events);
    if (c.file) {
      ASSERT_EQ(chmod(Path("set.ini").c_str(), 0644), 0);
      EXPECT_EQ(ReadFile("set.ini"), c.file);
    }
  }
}

TEST_F(SettingsStoreTest, ModeOutOfRangeInAReadOnlyFileIsUsedAsHtmlWithoutAMessage) {
  const std::string file = Ini("Taro", "Hana", "9");
  WriteFile("set.ini", file);
  MakeReadOnly("set.ini");
  SettingsStore store(persona, backend);
  store.Load();
  EXPECT_EQ(store.GetLogMode(), HTML);
  EXPECT_EQ(store.Load(), 1);
  EXPECT_EQ(store.GetLogMode(), HTML);
  EXPECT_EQ(ReadFile("set.ini"), file);
  EXPECT_TRUE(backend.events().empty());
}

TEST_F(SettingsStoreTest, SetupDialogLimitsNamesTo100BytesAndGivesMinusOneWithoutAChoice) {
  std::string typed;
  for (int i = 0; i < 51; ++i) typed += "名";
  backend.When(IDD_SETUP, {Type(IDC_SETUP_USER_NAME, typed), Type(IDC_SETUP_RINU_NAME, "x" + typed),
                           Press(ui::IDOK)});
  SetupDialog dialog(backend);
  EXPECT_EQ(dialog.DoModal(), ui::IDOK);
  EXPECT_EQ(dialog.m_nLogMode, -1);
  EXPECT_EQ(dialog.m_strUserName, typed.substr(0, 100));       // 50 double-byte characters
  EXPECT_EQ(dialog.m_strNickname, "x" + typed.substr(0, 98));  // 99 bytes: no half character
  for (const auto& [id, checked] : backend.dialogs()[0].states[0].checked) EXPECT_FALSE(checked);
  EXPECT_TRUE(backend.boxes().empty());
}

}  // namespace
