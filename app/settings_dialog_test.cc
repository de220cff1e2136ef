// The settings as the window asks for them: the first-run setup, which loading set.ini runs
// when the file is missing or damaged (chat::LoadSettings through the window's dialogs), and
// the settings dialog on its own: what it shows and what Apply writes, and when. OK and Cancel
// are tested through the chat window's settings command (app/menu_test.cc).
#include "app/settings_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "app/dialog_user.h"
#include "app/setup_dialog.h"
#include "chat/conversation.h"
#include "res/resource.h"
#include "settings/settings_store.h"
#include "testing/work_folder.h"

namespace {

using namespace testing_support;
using Strings = std::vector<std::string>;

std::string Ini(const std::string& user, const std::string& nick, const std::string& mode) {
  return "YourName:" + user + "\r\nRinuName:" + nick + "\r\n" + mode + "\r\n";
}

const std::string kDamaged = "set.iniファイルが不正です。\n再度名前を入力してください。";
const std::string kCannotSave =
    "set.iniを保存できません。\nフォルダーとset.iniに書き込めるか確認してください。";

class FirstRunTest : public WorkFolderTest {
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
  bool Load(SettingsStore& store) { return chat::LoadSettings(store, user); }
  DialogUser user{backend};
};

TEST_F(FirstRunTest, FirstStartAsksWithHtmlChosenAndWritesTheAnswers) {
  AnswerSetup();
  SettingsStore store(persona);
  Load(store);
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


TEST_F(FirstRunTest, SetupClosedWithoutOkWritesEmptyNamesAndHtml) {
  backend.When(IDD_SETUP, {Type(IDC_SETUP_USER_NAME, "Taro"), Choose(IDC_LOG_NONE), Close()});
  SettingsStore store(persona);
  Load(store);
  EXPECT_EQ(backend.events(), (Strings{"open:133", "end:133=2"}));
  EXPECT_EQ(ReadFile("set.ini"), Ini("", "", "1"));
  EXPECT_EQ(store.GetName(0), "");
  EXPECT_EQ(store.GetName(1), "");
  EXPECT_EQ(store.GetLogMode(), HTML);
}


TEST_F(FirstRunTest, EachFailedCheckShowsTheMessageOnceThenTheSetupAndTakesTheNewFile) {
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
      SettingsStore store(persona);
      Load(store);
      EXPECT_EQ(EventsFrom(from),
                (Strings{"box:" + kDamaged, "open:133", ok ? "end:133=1" : "end:133=2"}));
      EXPECT_EQ(ReadFile("set.ini"), ok ? Ini("Taro", "Hana", "2") : Ini("", "", "1"));
      EXPECT_EQ(store.GetName(0), ok ? "Taro" : "");
      EXPECT_EQ(store.GetName(1), ok ? "Hana" : "");
      EXPECT_EQ(store.GetLogMode(), ok ? TEXT : HTML);
    }
  }
}


TEST_F(FirstRunTest, ASetIniThatCannotBeWrittenOrReadBackEndsTheProgram) {
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
    SettingsStore store(persona);
    EXPECT_FALSE(Load(store));  // the program must end with status 1
    EXPECT_EQ(EventsFrom(from), c.events);
    if (c.file) {
      ASSERT_EQ(chmod(Path("set.ini").c_str(), 0644), 0);
      EXPECT_EQ(ReadFile("set.ini"), c.file);
    }
  }
}


TEST_F(FirstRunTest, SetupDialogLimitsNamesTo100BytesAndGivesMinusOneWithoutAChoice) {
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


class SettingsDialogTest : public WorkFolderTest {
 protected:
  DialogUser user{backend};
  chat::SettingsApplier apply{persona, user};
  void SetUp() override {
    WorkFolderTest::SetUp();
    WriteFile("set.ini", Ini("Taro", "Mio", "2"));
  }
  // A dialog filled as the chat window fills it.
  static void Fill(SettingsDialog& dialog, const std::string& user, const std::string& nick,
                   int mode) {
    dialog.m_strUserName = user;
    dialog.m_strNickname = nick;
    dialog.m_nLogMode = mode;
  }
};

TEST_F(SettingsDialogTest, ShowsItsFieldsAndTheButtonOfTheMode) {
  // Mode 3 and -1 have no button; the edit fields take at most 100 bytes.
  struct Case {
    int mode;
    bool none, html, text;
  } cases[] = {{0, true, false, false},
               {1, false, true, false},
               {2, false, false, true},
               {3, false, false, false},
               {-1, false, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    backend.When(IDD_SETTINGS, {Close()});
    SettingsDialog dialog(apply, backend);
    Fill(dialog, "Taro", "Mio", c.mode);
    EXPECT_EQ(dialog.DoModal(), ui::IDCANCEL);
    const DialogRecord& shown = backend.dialogs().back();
    EXPECT_EQ(shown.focus, IDC_YOUR_NAME);
    const ControlState& s = shown.states.at(0);
    EXPECT_EQ(s.text.at(IDC_YOUR_NAME), "Taro");
    EXPECT_EQ(s.text.at(IDC_NICKNAME), "Mio");
    EXPECT_EQ(s.checked.at(IDC_LOG_NONE), c.none);
    EXPECT_EQ(s.checked.at(IDC_LOG_HTML), c.html);
    EXPECT_EQ(s.checked.at(IDC_LOG_TEXT), c.text);
    // Cancel stores nothing.
    EXPECT_EQ(dialog.m_nLogMode, c.mode);
  }
  EXPECT_EQ(ReadFile("set.ini"), Ini("Taro", "Mio", "2"));
}

TEST_F(SettingsDialogTest, ApplyWritesAtOnceAndTheDialogStaysOpen) {
  std::string after_first_apply, after_second_apply;
  backend.When(IDD_SETTINGS, {Type(IDC_YOUR_NAME, "Jiro"), Choose(IDC_LOG_HTML), Press(IDC_APPLY),
                              Call([&] { after_first_apply = ReadFile("set.ini"); }),
                              Type(IDC_NICKNAME, "Ren"), Press(IDC_APPLY),
                              Call([&] { after_second_apply = ReadFile("set.ini"); }), Close()});
  SettingsDialog dialog(apply, backend);
  Fill(dialog, "Taro", "Mio", 2);
  EXPECT_EQ(dialog.DoModal(), ui::IDCANCEL);
  EXPECT_EQ(after_first_apply, Ini("Jiro", "Mio", "1"));
  EXPECT_EQ(after_second_apply, Ini("Jiro", "Ren", "1"));
  EXPECT_EQ(ReadFile("set.ini"), Ini("Jiro", "Ren", "1"));
  EXPECT_TRUE(backend.boxes().empty());
  // Only one dialog ran: Apply opened nothing.
  EXPECT_EQ(backend.events(), (Strings{"open:134", "end:134=2"}));
}

TEST_F(SettingsDialogTest, ApplyWithoutAChosenButtonWritesMinusOne) {
  // The next store that loads the file turns it into 1.
  backend.When(IDD_SETTINGS, {Press(IDC_APPLY), Close()});
  SettingsDialog dialog(apply, backend);
  Fill(dialog, "Taro", "Mio", 3);
  dialog.DoModal();
  EXPECT_EQ(ReadFile("set.ini"), Ini("Taro", "Mio", "-1"));
  SettingsStore store(persona);
  chat::LoadSettings(store, user);
  EXPECT_EQ(store.GetLogMode(), HTML);
  EXPECT_EQ(ReadFile("set.ini"), Ini("Taro", "Mio", "1"));
}

TEST_F(SettingsDialogTest, ApplyOverADamagedFileRepairsItFirstThenWritesTheDialogsValues) {
  WriteFile("set.ini", "YourName:Taro\r\n");
  backend.When(IDD_SETTINGS, {Type(IDC_NICKNAME, "Ren"), Press(IDC_APPLY), Close()});
  backend.When(IDD_SETUP, {Type(IDC_SETUP_USER_NAME, "Other"), Type(IDC_SETUP_RINU_NAME, "X"),
                           Press(ui::IDOK)});
  SettingsDialog dialog(apply, backend);
  Fill(dialog, "Taro", "Mio", 2);
  dialog.DoModal();
  EXPECT_EQ(backend.events(),
            (Strings{"open:134", "box:set.iniファイルが不正です。\n再度名前を入力してください。",
                     "open:133", "end:133=1", "end:134=2"}));
  EXPECT_EQ(ReadFile("set.ini"), Ini("Taro", "Ren", "2"));
}

TEST_F(SettingsDialogTest, NamesAreCutAtOneHundredBytesWhole) {
  // 60 double-byte characters typed: the field keeps the first 50.
  std::string sixty;
  for (int i = 0; i < 60; ++i) sixty += "あ";
  std::string fifty = sixty.substr(0, 100);
  backend.When(IDD_SETTINGS, {Type(IDC_YOUR_NAME, sixty), Type(IDC_NICKNAME, sixty + "x"),
                              Press(IDC_APPLY), Press(ui::IDOK)});
  SettingsDialog dialog(apply, backend);
  Fill(dialog, "Taro", "Mio", 2);
  EXPECT_EQ(dialog.DoModal(), ui::IDOK);
  EXPECT_EQ(dialog.m_strUserName, fifty);
  EXPECT_EQ(dialog.m_strNickname, fifty);
  EXPECT_EQ(ReadFile("set.ini"), Ini(fifty, fifty, "2"));
  EXPECT_TRUE(backend.boxes().empty());
}

}  // namespace
