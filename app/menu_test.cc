// The chat window's commands: menu 132, the command words "log", "ver" and "set", the About
// entry of the window menu, and the settings command with OK, Apply and Cancel.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/chat_app.h"
#include "app/chat_dialog.h"
#include "res/links.h"
#include "res/resource.h"
#include "res/templates.h"
#include "testing/work_folder.h"

namespace {

using namespace testing_support;
using Strings = std::vector<std::string>;

std::string Ini(const std::string& user, const std::string& nick, const std::string& mode) {
  return "YourName:" + user + "\r\nRinuName:" + nick + "\r\n" + mode + "\r\n";
}

const char kGreeting[] = "Mio>Taro君こんにちは。";

class MenuTest : public WorkFolderTest {
 protected:
  void SetUp() override {
    WorkFolderTest::SetUp();
    WriteFile("set.ini", Ini("Taro", "Mio", "2"));
    WriteFile("memory.dat", Stored({"abc%+%xyz"}));
    WriteFile("boke.dat", Stored({"ふーん"}));
    WriteFile("no.dat", Stored({"なあに？"}));
  }

  struct Script {
    int template_id;
    std::vector<Step> steps;
  };
  // Runs the chat window with `steps` between its opening and the quit button, and `then`
  // for the dialogs the steps open, in the order they open. Around the steps it notes the
  // log, memory.dat and set.ini, so a test can see what the steps changed.
  void RunChat(std::vector<Step> steps, std::vector<Script> then = {}) {
    std::vector<Step> all = {Call([this] { Snapshot(before); })};
    for (Step& s : steps) all.push_back(std::move(s));
    all.push_back(Call([this] { Snapshot(after); }));
    all.push_back(Close());
    backend.When(IDD_CHAT_DIALOG, std::move(all));
    for (Script& script : then) backend.When(script.template_id, std::move(script.steps));
    ChatApp(persona, backend).InitInstance();
  }

  const DialogRecord& Chat() const {
    for (const DialogRecord& d : backend.dialogs())
      if (d.template_id == IDD_CHAT_DIALOG) return d;
    static DialogRecord none;
    ADD_FAILURE() << "the chat window never opened";
    return none;
  }
  // The chat window's controls after its last step (the quit button changes none).
  const ControlState& ChatEnd() const { return Chat().states.back(); }

  // Template ids of the dialogs that opened, in order.
  std::vector<int> Opened() const {
    std::vector<int> ids;
    for (const DialogRecord& d : backend.dialogs()) ids.push_back(d.template_id);
    return ids;
  }

  struct Files {
    std::string log, memory, settings;
  };
  static void Snapshot(Files& f) {
    f.log = ReadFile("log.txt") + ReadFile("log.html");
    f.memory = ReadFile("memory.dat");
    f.settings = ReadFile("set.ini");
  }
  Files before, after;
};

// ---- Links and notes ----------------------------------------------------------------------

TEST_F(MenuTest, EachLinkCommandHandsItsOwnTargetToTheShell) {
  struct Case {
    int id;
    std::string target;
  } cases[] = {
      {ID_HOME_PAGE, res::kMakerHomePage},
      {ID_RINU_PAGE, res::kRinuPage},
      {ID_MAIL_WEX, res::kMailToWex},
      {ID_THANKS_SITE_1, res::kThanksSites[0].address},
      {ID_THANKS_SITE_2, res::kThanksSites[1].address},
      {ID_THANKS_SITE_3, res::kThanksSites[2].address},
      {ID_HELP_PAGE, "help.html"},
  };
  std::vector<Step> steps;
  Strings expected;
  for (const Case& c : cases) {
    steps.push_back(Press(c.id));
    expected.push_back(c.target);
  }
  RunChat(std::move(steps));
  EXPECT_EQ(backend.shell_targets(), expected);
  EXPECT_TRUE(backend.boxes().empty());
  EXPECT_EQ(Opened(), std::vector<int>{IDD_CHAT_DIALOG});
  EXPECT_EQ(ChatEnd().text.at(IDC_TRANSCRIPT), kGreeting);
  EXPECT_EQ(after.log, before.log);
}

TEST_F(MenuTest, TheDesktopsHelpCommandOpensTheHelpPage) {
  ChatDialog dialog(persona, backend);
  ASSERT_EQ(dialog.Start(), 1);
  backend.When(IDD_CHAT_DIALOG, {Call([&] { dialog.HandleCommand(ID_HELP); }), Close()});
  dialog.DoModal();
  EXPECT_EQ(backend.shell_targets(), Strings{"help.html"});
}

TEST_F(MenuTest, MailToTheMakerOpensWithTheSubjectAndSitesAreDistinct) {
  std::string mail = res::kMailToWex;
  EXPECT_EQ(mail.rfind("mailto:", 0), 0u);
  ASSERT_GE(mail.size(), std::string("?subject=Rinuから").size());
  EXPECT_EQ(mail.substr(mail.size() - std::string("?subject=Rinuから").size()),
            "?subject=Rinuから");
  std::set<std::string> addresses = {res::kMakerHomePage, res::kRinuPage,
                                     res::kThanksSites[0].address, res::kThanksSites[1].address,
                                     res::kThanksSites[2].address};
  EXPECT_EQ(addresses.size(), 5u);
}

TEST_F(MenuTest, MenuCaptionsNameTheSitesTheirCommandsOpen) {
  // The thanked sites carry the access keys K, B and H, the maker's site its name.
  std::map<int, std::string> captions;
  std::function<void(const std::vector<ui::MenuItem>&)> walk =
      [&](const std::vector<ui::MenuItem>& items) {
        for (const ui::MenuItem& item : items) {
          if (item.id != 0) captions[item.id] = item.caption;
          walk(item.children);
        }
      };
  walk(res::ChatMenu().items);
  EXPECT_EQ(captions.at(ID_HOME_PAGE), std::string(res::kMakerSiteName) + "のホームページ(&H)");
  const int ids[3] = {ID_THANKS_SITE_1, ID_THANKS_SITE_2, ID_THANKS_SITE_3};
  const char keys[3] = {'K', 'B', 'H'};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(captions.at(ids[i]), res::kThanksSites[i].caption);
    size_t amp = captions.at(ids[i]).find('&');
    ASSERT_NE(amp, std::string::npos);
    EXPECT_EQ(captions.at(ids[i])[amp + 1], keys[i]);
  }
  EXPECT_EQ(captions.size(), 15u);
}

TEST_F(MenuTest, MemoryBookFollowsASeparatorBeforeTheDuetAndDeletesFromTheChat) {
  const ui::MenuItem& memory = res::ChatMenu().items.at(1);
  ASSERT_GE(memory.children.size(), 3u);
  EXPECT_TRUE(memory.children.rbegin()[2].IsSeparator());
  EXPECT_EQ(memory.children.rbegin()[1].caption, "メモリー帳を開く(&B)...");
  EXPECT_EQ(memory.children.rbegin()[1].id, ID_MEMORY_BOOK);
  EXPECT_EQ(memory.children.back().caption, "ふたりで会話させる(&W)...");
  EXPECT_EQ(memory.children.back().id, ID_DUET);
  backend.Answer(true);
  RunChat({Press(ID_MEMORY_BOOK)},
          {{IDD_MEMORY_BOOK, {Select(IDC_BOOK_LIST, {0}), Press(IDC_BOOK_DELETE), Close()}}});
  EXPECT_EQ(Opened(), (std::vector<int>{IDD_CHAT_DIALOG, IDD_MEMORY_BOOK}));
  EXPECT_EQ(after.memory, "");
  EXPECT_EQ(after.log, before.log);
  EXPECT_EQ(ChatEnd().text.at(IDC_TRANSCRIPT), kGreeting);
}

TEST_F(MenuTest, SpecialThanksNoteIsOneOkBox) {
  RunChat({Press(ID_ABOUT_THANKS)});
  EXPECT_EQ(
      backend.boxes(),
      Strings{"スペシャルサンクスはRinuにコメントをつけてくださった方のHPにリンクを張っています"
              "。\nもし、「こんなところにリンクしないでくれ！」という方がいらっしゃいましたら、"
              "\nお手数ですが連絡ください。確認ししだい修正します。\n\nまた、ＨＰのアドレスが"
              "変わったらすぐ連絡くださいね。\n"});
  EXPECT_TRUE(backend.shell_targets().empty());
  EXPECT_EQ(after.log, before.log);
}

// ---- Command words ------------------------------------------------------------------------

TEST_F(MenuTest, CommandWordsRunTheirCommandAndLeaveTranscriptLogAndEngineAlone) {
  // "log" with the TEXT mode opens log.txt; "ver" the About dialog; "set" the settings.
  RunChat({Type(IDC_INPUT, "log"), Press(ui::IDOK), Type(IDC_INPUT, "ver"), Press(ui::IDOK),
           Type(IDC_INPUT, "set"), Press(ui::IDOK)},
          {{IDD_ABOUTBOX, {Press(ui::IDOK)}}, {IDD_SETTINGS, {Close()}}});
  EXPECT_EQ(backend.shell_targets(), Strings{"log.txt"});
  EXPECT_EQ(Opened(), (std::vector<int>{IDD_CHAT_DIALOG, IDD_ABOUTBOX, IDD_SETTINGS}));
  // After each press the input line is empty and the transcript still the greeting.
  const auto& states = Chat().states;
  for (size_t step : {3u, 5u, 7u}) {
    EXPECT_EQ(states.at(step).text.at(IDC_INPUT), "") << step;
    EXPECT_EQ(states.at(step).text.at(IDC_TRANSCRIPT), kGreeting) << step;
  }
  EXPECT_EQ(after.log, before.log);
  EXPECT_EQ(after.memory, before.memory);
  EXPECT_EQ(after.settings, before.settings);
  EXPECT_EQ(random.taken(), 0);  // the engine drew nothing
}

TEST_F(MenuTest, NearMissesOfTheCommandWordsAreOrdinaryLines) {
  const Strings inputs = {"LOG", " log", "log ", "Ver", "sett", "lo", "\tset"};
  std::vector<Step> steps;
  for (const std::string& input : inputs) {
    random.Push({1, 1});  // not kept; the boke.dat line
    steps.push_back(Type(IDC_INPUT, input));
    steps.push_back(Press(ui::IDOK));
  }
  RunChat(std::move(steps));
  EXPECT_EQ(Opened(), std::vector<int>{IDD_CHAT_DIALOG});
  EXPECT_TRUE(backend.shell_targets().empty());
  std::string transcript = ChatEnd().text.at(IDC_TRANSCRIPT);
  for (const std::string& input : inputs) {
    EXPECT_NE(transcript.find("Mio>ふーん\r\nTaro>" + input + "\r\n"), std::string::npos) << input;
    EXPECT_NE(after.log.find("Taro>" + input + "\r\nMio>ふーん\r\n"), std::string::npos) << input;
  }
}

TEST_F(MenuTest, DamagedSetIniIsRepairedBeforeACommandWordRuns) {
  RunChat({Call([] { WriteFile("set.ini", "YourName:Taro\r\n"); }), Type(IDC_INPUT, "log"),
           Press(ui::IDOK)},
          {{IDD_SETUP,
            {Type(IDC_SETUP_USER_NAME, "Jiro"), Type(IDC_SETUP_RINU_NAME, "Ren"),
             Choose(IDC_SETUP_LOG_HTML), Press(ui::IDOK)}}});
  // The repaired file says HTML, so log.html is opened.
  EXPECT_EQ(backend.shell_targets(), Strings{"log.html"});
  EXPECT_EQ(Opened(), (std::vector<int>{IDD_CHAT_DIALOG, IDD_SETUP}));
}

// ---- Show log -----------------------------------------------------------------------------

TEST_F(MenuTest, ShowLogOpensTheLogOfTheCurrentModeOrSaysThereIsNone) {
  struct Case {
    const char* mode;
    Strings targets, boxes;
  } cases[] = {
      {"2", {"log.txt"}, {}},
      {"1", {"log.html"}, {}},
      {"0",
       {},
       {"ログモードがNOLOGになっているため、ログを書いていません。\nログモードを切り替えてください"
        "。"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ScriptedBackend fresh;
    WriteFile("set.ini", Ini("Taro", "Mio", c.mode));
    fresh.When(IDD_CHAT_DIALOG,
               {Press(ID_SHOW_LOG), Type(IDC_INPUT, "log"), Press(ui::IDOK), Close()});
    ChatApp(persona, fresh).InitInstance();
    Strings targets, boxes;
    for (int twice = 0; twice < 2; ++twice) {
      targets.insert(targets.end(), c.targets.begin(), c.targets.end());
      boxes.insert(boxes.end(), c.boxes.begin(), c.boxes.end());
    }
    EXPECT_EQ(fresh.shell_targets(), targets);
    EXPECT_EQ(fresh.boxes(), boxes);
    EXPECT_TRUE(fresh.errors().empty());
  }
}

// ---- About --------------------------------------------------------------------------------

TEST_F(MenuTest, AboutEntryIsAddedToTheWindowMenu) {
  RunChat({});
  using Entry = std::pair<int, std::string>;
  EXPECT_EQ(Chat().system_menu, (std::vector<Entry>{{0x0010, "Rinu++ のﾊﾞｰｼﾞｮﾝ情報(&A)..."}}));
}

TEST_F(MenuTest, MenuWordAndWindowMenuShowTheSameAboutDialog) {
  RunChat({Press(ID_VERSION), Type(IDC_INPUT, "ver"), Press(ui::IDOK), SysCommand(IDM_ABOUTBOX)},
          {{IDD_ABOUTBOX, {Press(ui::IDOK)}},
           {IDD_ABOUTBOX, {Press(ui::IDOK)}},
           {IDD_ABOUTBOX, {Press(ui::IDOK)}}});
  EXPECT_EQ(Opened(),
            (std::vector<int>{IDD_CHAT_DIALOG, IDD_ABOUTBOX, IDD_ABOUTBOX, IDD_ABOUTBOX}));
  for (size_t i = 1; i < 4; ++i) EXPECT_EQ(backend.dialogs()[i].result, ui::IDOK);
  EXPECT_EQ(ChatEnd().text.at(IDC_TRANSCRIPT), kGreeting);
  EXPECT_EQ(after.log, before.log);
  EXPECT_TRUE(backend.boxes().empty());
}

// ---- Settings -----------------------------------------------------------------------------

TEST_F(MenuTest, SettingsOpenWithTheStoredNamesAndMode) {
  // From the menu and from the word "set"; a stored 3 chooses no button.
  WriteFile("set.ini", Ini("Taro", "Mio", "3"));
  RunChat({Press(ID_SETTINGS), Type(IDC_INPUT, "set"), Press(ui::IDOK)},
          {{IDD_SETTINGS, {Close()}}, {IDD_SETTINGS, {Close()}}});
  ASSERT_EQ(Opened(), (std::vector<int>{IDD_CHAT_DIALOG, IDD_SETTINGS, IDD_SETTINGS}));
  for (size_t i = 1; i < 3; ++i) {
    const ControlState& shown = backend.dialogs()[i].states.at(0);
    EXPECT_EQ(shown.text.at(IDC_YOUR_NAME), "Taro");
    EXPECT_EQ(shown.text.at(IDC_NICKNAME), "Mio");
    EXPECT_FALSE(shown.checked.at(IDC_LOG_NONE));
    EXPECT_FALSE(shown.checked.at(IDC_LOG_HTML));
    EXPECT_FALSE(shown.checked.at(IDC_LOG_TEXT));
  }
}

TEST_F(MenuTest, SettingsOkApplyAndCancel) {
  // Each case: what the settings dialog does, then set.ini, the name fields, and the names a
  // later turn uses (the window's own store).
  struct Case {
    const char* name;
    std::string stored;  // set.ini before
    std::vector<Step> dialog;
    std::string ini;  // set.ini after
    std::string field_user, field_nick;
    std::string turn_user, turn_nick;
    size_t boxes = 0;  // a stored 3 makes the start entry report set.ini
  };
  Case cases[] = {
      {"ok changes names at once",
       Ini("Taro", "Mio", "2"),
       {Type(IDC_YOUR_NAME, "Jiro"), Type(IDC_NICKNAME, "Ren"), Press(ui::IDOK)},
       Ini("Jiro", "Ren", "2"),
       "Jiro",
       "Ren",
       "Jiro",
       "Ren"},
      {"cancel without apply changes nothing",
       Ini("Taro", "Mio", "2"),
       {Type(IDC_YOUR_NAME, "Jiro"), Choose(IDC_LOG_NONE), Close()},
       Ini("Taro", "Mio", "2"),
       "Taro",
       "Mio",
       "Taro",
       "Mio"},
      {"apply then cancel keeps the applied values, the fields stay",
       Ini("Taro", "Mio", "2"),
       {Type(IDC_YOUR_NAME, "Jiro"), Type(IDC_NICKNAME, "Ren"), Press(IDC_APPLY),
        Type(IDC_YOUR_NAME, "Saburo"), Close()},
       Ini("Jiro", "Ren", "2"),
       "Taro",
       "Mio",
       "Jiro",
       "Ren"},
      {"apply then ok saves what ok holds",
       Ini("Taro", "Mio", "2"),
       {Type(IDC_YOUR_NAME, "Jiro"), Press(IDC_APPLY), Type(IDC_YOUR_NAME, "Saburo"),
        Press(ui::IDOK)},
       Ini("Saburo", "Mio", "2"),
       "Saburo",
       "Mio",
       "Saburo",
       "Mio"},
      {"an emptied nickname is stored empty",
       Ini("Taro", "Mio", "2"),
       {Type(IDC_NICKNAME, ""), Press(ui::IDOK)},
       Ini("Taro", "", "2"),
       "Taro",
       "",
       "Taro",
       ""},
      {"stored 3 and ok without a button becomes 1",
       Ini("Taro", "Mio", "3"),
       {Press(ui::IDOK)},
       Ini("Taro", "Mio", "1"),
       "Taro",
       "Mio",
       "Taro",
       "Mio",
       1},
      {"only the mode changed rewrites all three lines",
       "X:Taro\nY:Mio\n 2\nextra\n",
       {Choose(IDC_LOG_NONE), Press(ui::IDOK)},
       Ini("Taro", "Mio", "0"),
       "Taro",
       "Mio",
       "Taro",
       "Mio"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedBackend fresh;
    WriteFile("set.ini", c.stored);
    std::string ini_after_dialog;
    random.Push({1, 1});
    fresh.When(IDD_CHAT_DIALOG,
               {Press(ID_SETTINGS), Call([&] { ini_after_dialog = ReadFile("set.ini"); }),
                Type(IDC_INPUT, "zzz"), Press(ui::IDOK), Close()});
    fresh.When(IDD_SETTINGS, c.dialog);
    ChatApp(persona, fresh).InitInstance();
    EXPECT_TRUE(fresh.errors().empty());
    EXPECT_EQ(fresh.boxes().size(), c.boxes);
    EXPECT_EQ(ini_after_dialog, c.ini);
    const DialogRecord& chat = fresh.dialogs().at(0);
    const ControlState& after_dialog = chat.states.at(1);
    EXPECT_EQ(after_dialog.text.at(IDC_YOUR_NAME), c.field_user);
    EXPECT_EQ(after_dialog.text.at(IDC_RINU_NAME), c.field_nick);
    EXPECT_EQ(after_dialog.text.at(IDC_TRANSCRIPT), "Mio>Taro君こんにちは。");
    // The turn after the dialog builds its lines from the window's store.
    std::string top = c.turn_nick + ">ふーん\r\n" + c.turn_user + ">zzz\r\n";
    EXPECT_EQ(chat.states.at(4).text.at(IDC_TRANSCRIPT).rfind(top, 0), 0u)
        << chat.states.at(4).text.at(IDC_TRANSCRIPT);
    std::remove(Path("log.txt").c_str());
    std::remove(Path("log.html").c_str());
  }
}

// ---- Learn and forget ---------------------------------------------------------------------

TEST_F(MenuTest, LearningThroughTheMenuTouchesNeitherTranscriptNorLog) {
  RunChat({Press(ID_LEARN), Press(ID_LEARN)},
          {{IDD_LEARN,
            {Type(IDC_LEARN_WORDS, "おはよう"), Type(IDC_LEARN_REPLY, "おはようNAME"),
             Press(ui::IDOK)}},
           {IDD_LEARN, {Type(IDC_LEARN_WORDS, "no"), Close()}}});
  EXPECT_EQ(Opened(), (std::vector<int>{IDD_CHAT_DIALOG, IDD_LEARN, IDD_LEARN}));
  EXPECT_EQ(after.memory, before.memory + Stored({"おはよう%+%おはようNAME"}));
  EXPECT_EQ(after.log, before.log);
  EXPECT_EQ(ChatEnd().text.at(IDC_TRANSCRIPT), kGreeting);
  EXPECT_TRUE(backend.boxes().empty());
}

TEST_F(MenuTest, ForgettingThroughTheMenuTouchesNeitherTranscriptNorLog) {
  WriteFile("memory.dat", Stored({"abc%+%xyz", "abc%+%second", "hi%+%yo"}));
  // The second time a keyword nothing matches: the message, and still nothing in the
  // transcript or the log.
  RunChat({Press(ID_FORGET), Press(ID_FORGET)},
          {{IDD_FORGET_KEYWORD, {Type(IDC_FORGET_KEYWORD, "abc"), Press(ui::IDOK)}},
           {IDD_FORGET_CHOICE, {Type(IDC_FORGET_NUMBER, "2"), Press(ui::IDOK)}},
           {IDD_FORGET_KEYWORD, {Type(IDC_FORGET_KEYWORD, "zzz"), Press(ui::IDOK)}}});
  EXPECT_EQ(after.memory, Stored({"abc%+%xyz", "hi%+%yo"}));
  EXPECT_EQ(backend.boxes(), Strings{"その言葉に対する忘れる言葉はありませんでした。"});
  EXPECT_EQ(after.log, before.log);
  EXPECT_EQ(ChatEnd().text.at(IDC_TRANSCRIPT), kGreeting);
  EXPECT_EQ(ListFolder(), (Strings{"boke.dat", "log.txt", "memory.dat", "no.dat", "set.ini"}));
}

}  // namespace
