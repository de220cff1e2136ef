// SettingsDialog on its own: what it shows and what Apply writes, and when. OK and Cancel
// are tested through the chat window's settings command (app/menu_test.cc).
#include "settings/settings_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "settings/settings_store.h"
#include "testing/work_folder.h"

namespace {

using namespace testing_support;
using Strings = std::vector<std::string>;

std::string Ini(const std::string& user, const std::string& nick, const std::string& mode) {
  return "YourName:" + user + "\r\nRinuName:" + nick + "\r\n" + mode + "\r\n";
}

class SettingsDialogTest : public WorkFolderTest {
 protected:
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
    SettingsDialog dialog(persona, backend);
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
  SettingsDialog dialog(persona, backend);
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
  SettingsDialog dialog(persona, backend);
  Fill(dialog, "Taro", "Mio", 3);
  dialog.DoModal();
  EXPECT_EQ(ReadFile("set.ini"), Ini("Taro", "Mio", "-1"));
  SettingsStore store(persona, backend);
  store.Load();
  EXPECT_EQ(store.GetLogMode(), HTML);
  EXPECT_EQ(ReadFile("set.ini"), Ini("Taro", "Mio", "1"));
}

TEST_F(SettingsDialogTest, ApplyOverADamagedFileRepairsItFirstThenWritesTheDialogsValues) {
  WriteFile("set.ini", "YourName:Taro\r\n");
  backend.When(IDD_SETTINGS, {Type(IDC_NICKNAME, "Ren"), Press(IDC_APPLY), Close()});
  backend.When(IDD_SETUP, {Type(IDC_SETUP_USER_NAME, "Other"), Type(IDC_SETUP_RINU_NAME, "X"),
                           Press(ui::IDOK)});
  SettingsDialog dialog(persona, backend);
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
  SettingsDialog dialog(persona, backend);
  Fill(dialog, "Taro", "Mio", 2);
  EXPECT_EQ(dialog.DoModal(), ui::IDOK);
  EXPECT_EQ(dialog.m_strUserName, fifty);
  EXPECT_EQ(dialog.m_strNickname, fifty);
  EXPECT_EQ(ReadFile("set.ini"), Ini(fifty, fifty, "2"));
  EXPECT_TRUE(backend.boxes().empty());
}

}  // namespace
