#include "app/chat_dialog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "app/chat_app.h"
#include "app/dialog_user.h"
#include "app/text_lines.h"
#include "chat/new_persona.h"
#include "res/resource.h"
#include "testing/work_folder.h"

namespace {

using namespace testing_support;

class ChatDialogTest : public WorkFolderTest {
 protected:
  void SetUp() override {
    WorkFolderTest::SetUp();
    WriteFile("set.ini", "YourName:Taro\r\nRinuName:Mio\r\n2\r\n");
    WriteFile("memory.dat", Stored({"abc%+%xyz", "name%+%NAMEさん NAME", "hi%+%NAMEです"}));
    WriteFile("boke.dat", Stored({"ふーん"}));
    WriteFile("no.dat", Stored({"なあに？"}));
  }

  // The transcript field after each step of the chat window's script.
  std::vector<std::string> Transcripts() const {
    std::vector<std::string> shown;
    for (const DialogRecord& d : backend.dialogs()) {
      if (d.template_id != IDD_CHAT_DIALOG) continue;
      for (const ControlState& s : d.states) shown.push_back(s.text.at(IDC_TRANSCRIPT));
    }
    return shown;
  }

  const ControlState& LastChatState() const {
    for (auto d = backend.dialogs().rbegin(); d != backend.dialogs().rend(); ++d)
      if (d->template_id == IDD_CHAT_DIALOG) return d->states.back();
    static ControlState none;
    ADD_FAILURE() << "the chat window never opened";
    return none;
  }
};

TEST_F(ChatDialogTest, GreetsWithTheStoredNamesAndTheInputHasTheFocus) {
  backend.When(IDD_CHAT_DIALOG, {Close()});
  ChatApp app(persona, backend);
  EXPECT_FALSE(app.InitInstance());
  const DialogRecord& chat = backend.dialogs().at(0);
  EXPECT_EQ(chat.states.at(0).text.at(IDC_TRANSCRIPT), "Mio>Taro君こんにちは。");
  EXPECT_EQ(chat.states.at(0).text.at(IDC_YOUR_NAME), "Taro");
  EXPECT_EQ(chat.states.at(0).text.at(IDC_RINU_NAME), "Mio");
  EXPECT_EQ(chat.focus, IDC_INPUT);
  std::string log = ReadFile("log.txt");
  EXPECT_NE(log.find("\r\nMio>Taro君こんにちは。\r\n"), std::string::npos) << log;
  // Quitting writes the farewell.
  EXPECT_NE(log.find("Mio>ばいばーい\r\n\r\nここまで\t\t"), std::string::npos) << log;
}

TEST_F(ChatDialogTest, TurnsStandNewestFirstAndClearTheInput) {
  random.Push({1, 0, 1, 1});  // coin, candidate; coin, fallback line 1
  backend.When(IDD_CHAT_DIALOG, {Type(IDC_INPUT, "abc"), Press(ui::IDOK), Type(IDC_INPUT, "zzz"),
                                 Press(ui::IDOK), Close()});
  ChatApp(persona, backend).InitInstance();
  std::vector<std::string> shown = Transcripts();
  ASSERT_EQ(shown.size(), 6u);
  EXPECT_EQ(shown[2], "Mio>xyz\r\nTaro>abc\r\nMio>Taro君こんにちは。");
  EXPECT_EQ(shown[4], "Mio>ふーん\r\nTaro>zzz\r\nMio>xyz\r\nTaro>abc\r\nMio>Taro君こんにちは。");
  EXPECT_EQ(LastChatState().text.at(IDC_INPUT), "");
  std::string log = ReadFile("log.txt");
  EXPECT_NE(log.find("Taro>abc\r\nMio>xyz\r\nTaro>zzz\r\nMio>ふーん\r\n"), std::string::npos)
      << log;
}

TEST_F(ChatDialogTest, EmptyInputGoesToTheEngine) {
  random.Push({1});  // the no.dat line
  backend.When(IDD_CHAT_DIALOG, {Press(ui::IDOK), Close()});
  ChatApp(persona, backend).InitInstance();
  EXPECT_EQ(Transcripts().at(1), "Mio>なあに？\r\nTaro>\r\nMio>Taro君こんにちは。");
  EXPECT_NE(ReadFile("log.txt").find("Taro>\r\nMio>なあに？\r\n"), std::string::npos);
}

TEST_F(ChatDialogTest, NameIsReplacedOnceInTheLogAndTwiceInTheTranscript) {
  random.Push({1, 0});
  backend.When(IDD_CHAT_DIALOG, {Type(IDC_INPUT, "name"), Press(ui::IDOK), Close()});
  ChatApp(persona, backend).InitInstance();
  EXPECT_EQ(Transcripts().at(2).rfind("Mio>Taroさん Taro\r\nTaro>name\r\n", 0), 0u);
  EXPECT_NE(ReadFile("log.txt").find("Mio>Taroさん NAME\r\n"), std::string::npos);
}

TEST_F(ChatDialogTest, InsertUserNameReplacesOnlyUpperCaseName) {
  backend.When(IDD_CHAT_DIALOG, {Close()});
  ChatDialog dialog(persona, backend);
  ASSERT_EQ(dialog.Start(), 1);
  dialog.DoModal();
  struct Case {
    std::string reply, expected;
  } cases[] = {{"NAMEさん", "Taroさん"},
               {"NAME NAME", "Taro NAME"},
               {"name", "name"},
               {"NAM", "NAM"},
               {"", ""},
               {"xNAMEy", "xTaroy"}};
  for (Case c : cases) {
    dialog.InsertUserName(c.reply);
    EXPECT_EQ(c.reply, c.expected);
  }
}

TEST_F(ChatDialogTest, NamesChangedInSetIniReachTheLogAtOnceAndTheTranscriptNot) {
  // The window's own store keeps the names it loaded (the settings command reloads it);
  // the log reads set.ini before every entry.
  random.Push({1, 0, 1, 0});
  backend.When(IDD_CHAT_DIALOG, {Type(IDC_INPUT, "abc"), Press(ui::IDOK), Call([] {
                                   WriteFile("set.ini", "YourName:Jiro\r\nRinuName:Ren\r\n2\r\n");
                                 }),
                                 Type(IDC_INPUT, "hi"), Press(ui::IDOK), Close()});
  ChatApp(persona, backend).InitInstance();
  EXPECT_EQ(Transcripts().at(5).rfind("Mio>Taroです\r\nTaro>hi\r\nMio>xyz", 0), 0u);
  std::string log = ReadFile("log.txt");
  EXPECT_NE(log.find("Taro>abc\r\nMio>xyz\r\nJiro>hi\r\nRen>Taroです\r\n"), std::string::npos)
      << log;
}

TEST_F(ChatDialogTest, MissingDataFileEndsWithStatusOneBeforeAnyWindow) {
  ASSERT_EQ(std::remove(Path("no.dat").c_str()), 0);
  ChatApp app(persona, backend);
  app.InitInstance();
  EXPECT_EQ(app.exit_status(), 1);
  EXPECT_TRUE(backend.dialogs().empty());
  ASSERT_EQ(backend.boxes().size(), 2u);
  EXPECT_EQ(backend.boxes().back(), "ファイルを補ってください。OKで終了します");
}

TEST_F(ChatDialogTest, FirstStartAsksForTheSettingsBeforeTheWindow) {
  ASSERT_EQ(std::remove(Path("set.ini").c_str()), 0);
  backend.When(IDD_SETUP, {Type(IDC_SETUP_USER_NAME, "花子"), Type(IDC_SETUP_RINU_NAME, "リヌ"),
                           Choose(IDC_SETUP_LOG_TEXT), Press(ui::IDOK)});
  backend.When(IDD_CHAT_DIALOG, {Close()});
  ChatApp(persona, backend).InitInstance();
  ASSERT_EQ(backend.dialogs().size(), 2u);
  EXPECT_EQ(backend.dialogs()[0].template_id, IDD_SETUP);
  EXPECT_EQ(backend.dialogs()[1].states.at(0).text.at(IDC_TRANSCRIPT), "リヌ>花子君こんにちは。");
  EXPECT_EQ(ReadFile("set.ini"), "YourName:花子\r\nRinuName:リヌ\r\n2\r\n");
}

TEST_F(ChatDialogTest, LongTranscriptShowsOnlyItsNewestWholeLines) {
  random.Push({1, 0});
  std::string long_input(kShownTranscriptBytes, 'a');
  backend.When(IDD_CHAT_DIALOG, {Type(IDC_INPUT, long_input + "abc"), Press(ui::IDOK), Close()});
  ChatDialog dialog(persona, backend);
  ASSERT_EQ(dialog.Start(), 1);
  dialog.DoModal();
  EXPECT_EQ(Transcripts().at(2), "Mio>xyz\r\n");
  EXPECT_EQ(dialog.transcript().size(), std::string("Mio>xyz\nTaro>").size() + long_input.size() +
                                            4 + std::string("Mio>Taro君こんにちは。").size());
}

TEST_F(ChatDialogTest, UserFileNamedTempIsLeftAlone) {
  WriteFile("temp", "mine");
  random.Push({1, 0});
  backend.When(IDD_CHAT_DIALOG, {Type(IDC_INPUT, "abc"), Press(ui::IDOK), Close()});
  ChatApp(persona, backend).InitInstance();
  EXPECT_EQ(ReadFile("temp"), "mine");
}

// ---- Failures answer as failures; the list and the open commands say what they do ----

TEST_F(ChatDialogTest, LearnThatStoredNothingAnswersAndLogsTheFailure) {
  MakeReadOnly("memory.dat");
  backend.When(IDD_CHAT_DIALOG, {Type(IDC_INPUT, "みかん===黄色"), Press(ui::IDOK), Close()});
  ChatApp(persona, backend).InitInstance();
  EXPECT_EQ(Transcripts().at(2).rfind("Mio>覚えられないですぅ\r\nTaro>みかん===黄色\r\n", 0), 0u);
  std::string log = ReadFile("log.txt");
  EXPECT_NE(log.find("言葉を覚えさせようとしましたが、なんらかの原因で失敗しました。\r\n"),
            std::string::npos);
  EXPECT_EQ(log.find("言葉を覚えさせました！"), std::string::npos) << log;
  EXPECT_EQ(backend.boxes().size(), 2u);  // the two write messages, then no "覚えたよ"
}

TEST_F(ChatDialogTest, ForgetWhoseRewriteFailedAnswersTheFailureAndListsEachEntryOnItsLine) {
  WriteFile("memory.dat", Stored({"hi%+%" + std::string(400, 'r'), "hi%+%short"}));
  backend.When(IDD_CHAT_DIALOG, {Call([] { ASSERT_EQ(chmod(Path(".").c_str(), 0555), 0); }),
                                 Type(IDC_INPUT, "f.hi"), Press(ui::IDOK), Close()});
  backend.When(IDD_FORGET_CHOICE, {Type(IDC_FORGET_NUMBER, "2"), Press(ui::IDOK)});
  ChatApp(persona, backend).InitInstance();
  chmod(Path(".").c_str(), 0755);
  EXPECT_EQ(backend.dialogs().at(1).states.at(0).text.at(IDC_FORGET_LIST),
            "1 : hi%+%" + std::string(344, 'r') + "\r\n2 : hi%+%short\r\n");
  EXPECT_EQ(
      Transcripts().at(3).rfind("Mio>忘れられないよう（泣）だって大切な思い出だもん！\r\n", 0), 0u);
  EXPECT_EQ(backend.boxes(), (std::vector<std::string>{"ファイルがオープンできませんでした",
                                                       "忘れさせるのに失敗しました。"}));
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"hi%+%" + std::string(400, 'r'), "hi%+%short"}));
  EXPECT_NE(ReadFile("log.txt").find("何らかの理由で忘れることが出来ませんでした。\r\n"),
            std::string::npos);
}

TEST_F(ChatDialogTest, FullWidthTeachingMarkerTeachesAsTheHalfWidthOne) {
  backend.When(IDD_CHAT_DIALOG, {Type(IDC_INPUT, "りんご＝＝＝あかい"), Press(ui::IDOK),
                                 Type(IDC_INPUT, "メ＝＝＝x"), Press(ui::IDOK), Close()});
  ChatApp(persona, backend).InitInstance();
  // "メ" ends in the byte that "＝" is made of: the marker is found on whole characters only.
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"abc%+%xyz", "name%+%NAMEさん NAME", "hi%+%NAMEです",
                                            "りんご%+%あかい", "メ%+%x"}));
}

TEST_F(ChatDialogTest, WhatCannotBeOpenedIsNamedInABox) {
  backend.SetShellOpenFails(true);
  backend.When(IDD_CHAT_DIALOG, {Press(ID_HELP_PAGE), Press(ID_SHOW_LOG), Close()});
  ChatApp(persona, backend).InitInstance();
  EXPECT_EQ(backend.shell_targets(), (std::vector<std::string>{"help.html", "log.txt"}));
  ASSERT_EQ(backend.boxes().size(), 2u);
  EXPECT_EQ(backend.boxes()[0].rfind("「help.html」を開けませんでした。", 0), 0u);
  EXPECT_EQ(backend.boxes()[1].rfind("「log.txt」を開けませんでした。", 0), 0u);
}

TEST_F(ChatDialogTest, UnreadableSetIniEndsTheProgramNamingItAndKeepsTheNames) {
  // Not a first start: no setup dialog, the file is left as it is.
  ASSERT_EQ(chmod(Path("set.ini").c_str(), 0200), 0);
  ChatApp app(persona, backend);
  app.InitInstance();
  EXPECT_EQ(app.exit_status(), 1);
  EXPECT_TRUE(backend.dialogs().empty());
  ASSERT_EQ(backend.boxes().size(), 1u);
  EXPECT_EQ(backend.boxes()[0].rfind(
                "set.iniを読み込めません。\n読み書きが許可されていません (EACCES)", 0),
            0u);
  ASSERT_EQ(chmod(Path("set.ini").c_str(), 0644), 0);
  EXPECT_EQ(ReadFile("set.ini"), "YourName:Taro\r\nRinuName:Mio\r\n2\r\n");
}

TEST_F(ChatDialogTest, CopyLeftByAKilledForgetGoesAtStartUp) {
  WriteFile("tem.buf.temp", Stored({"abc%+%xyz"}));
  backend.When(IDD_CHAT_DIALOG, {Close()});
  ChatApp(persona, backend).InitInstance();
  EXPECT_FALSE(Exists("tem.buf.temp"));
}

TEST_F(ChatDialogTest, TheFocusGoesBackToTheInputAfterEveryTurnAndCommand) {
  random.Push({1, 0});
  backend.When(IDD_CHAT_DIALOG, {Type(IDC_INPUT, "abc"), Press(ui::IDOK), Type(IDC_INPUT, "ver"),
                                 Press(ui::IDOK), Press(ID_HELP_PAGE), Close()});
  backend.When(IDD_ABOUTBOX, {Press(ui::IDOK)});
  ChatApp(persona, backend).InitInstance();
  const DialogRecord& chat = backend.dialogs().at(0);
  // After the turn, the command word and the menu command.
  for (size_t step : {2u, 4u, 5u}) EXPECT_EQ(chat.states.at(step).focus, IDC_INPUT) << step;
}

TEST_F(ChatDialogTest, RepliesFromMemoryInAFolderThatCannotBeWritten) {
  WriteFile("set.ini", "YourName:Taro\r\nRinuName:Mio\r\n0\r\n");  // no log to write
  random.Push({1, 0});
  backend.When(IDD_CHAT_DIALOG, {Call([] { ASSERT_EQ(chmod(Path(".").c_str(), 0555), 0); }),
                                 Type(IDC_INPUT, "abc"), Press(ui::IDOK), Close()});
  ChatApp(persona, backend).InitInstance();
  chmod(Path(".").c_str(), 0755);
  EXPECT_EQ(Transcripts().at(3).rfind("Mio>xyz\r\nTaro>abc\r\n", 0), 0u);
  EXPECT_TRUE(backend.boxes().empty());
}

TEST_F(ChatDialogTest, PairTooLongToReadBackIsRefusedWithItsReason) {
  const std::string before = ReadFile("memory.dat");
  backend.When(IDD_CHAT_DIALOG,
               {Type(IDC_INPUT, "みかん===" + std::string(400, 'x')), Press(ui::IDOK), Close()});
  ChatApp(persona, backend).InitInstance();
  ASSERT_EQ(backend.boxes().size(), 1u);
  EXPECT_NE(backend.boxes()[0].find("長すぎます"), std::string::npos);
  EXPECT_EQ(Transcripts().at(2).rfind("Mio>覚えられないですぅ\r\n", 0), 0u);
  EXPECT_EQ(ReadFile("memory.dat"), before);
}

}  // namespace

namespace {

using namespace testing_support;
using Strings = std::vector<std::string>;

// The memory book open beside the chat window: the user teaches in the chat, the book takes
// the new record in when it is activated, and a change made in the book keeps it.
TEST_F(ChatDialogTest, TheMemoryBookBesideTheChatKeepsWhatTheChatTaught) {
  auto book_rows = [&] {
    Strings keywords;
    for (const DialogRecord& d : backend.dialogs()) {
      if (d.template_id != IDD_MEMORY_BOOK) continue;
      for (const auto& row : d.states.back().rows.at(IDC_BOOK_LIST)) keywords.push_back(row[1]);
    }
    return keywords;
  };
  Strings before, after_delete, after_activation;
  backend.Answer(true);
  backend.When(IDD_CHAT_DIALOG,
               {Press(ID_MEMORY_BOOK), Type(IDC_INPUT, "ringo===aka"), Press(ui::IDOK), Call([&] {
                  ASSERT_TRUE(backend.IsOpenBeside(IDD_MEMORY_BOOK));
                  before = book_rows();
                  // Deleting without a look at the file first: the book keeps the pair.
                  backend.Drive(IDD_MEMORY_BOOK,
                                {Select(IDC_BOOK_LIST, {2}), Press(IDC_BOOK_DELETE),
                                 Select(IDC_BOOK_LIST, {1})});
                  after_delete = book_rows();
                }),
                Type(IDC_INPUT, "mikan===kiiro"), Press(ui::IDOK), Call([&] {
                  backend.Drive(IDD_MEMORY_BOOK, {Activate()});
                  after_activation = book_rows();
                }),
                Close()});
  backend.When(IDD_MEMORY_BOOK, {});
  ChatApp(persona, backend).InitInstance();
  EXPECT_EQ(before, (Strings{"hi", "name", "abc"}));
  EXPECT_EQ(after_delete, (Strings{"ringo", "hi", "name"}));
  EXPECT_EQ(after_activation, (Strings{"mikan", "ringo", "hi", "name"}));
  // "hi" stays selected where it now stands.
  EXPECT_EQ(backend.dialogs().at(1).states.back().selection.at(IDC_BOOK_LIST),
            std::vector<size_t>{2});
  EXPECT_EQ(ReadFile("memory.dat"),
            Stored({"name%+%NAMEさん NAME", "hi%+%NAMEです", "ringo%+%aka", "mikan%+%kiiro"}));
  EXPECT_FALSE(backend.IsOpenBeside(IDD_MEMORY_BOOK));  // closed with the chat window
  EXPECT_TRUE(backend.boxes().empty()) << backend.boxes().front();
}

}  // namespace

namespace {

TEST(ChatAppTest, AFolderThatCannotBeOpenedIsNamed) {
  EXPECT_EQ(CannotOpenFolderMessage("/no/such/folder", ENOENT),
            "作業フォルダー「/no/such/folder」を開けません。\nファイルがありません (ENOENT)\n"
            "フォルダーがあって、読み書きできるか確認してください。");
  // A name Shift-JIS cannot hold is still shown, with "?" for what it lacks.
  EXPECT_EQ(
      CannotOpenFolderMessage("/tmp/\xea\xb0\x80", EACCES).rfind("作業フォルダー「/tmp/???」", 0),
      0u);
}

}  // namespace

namespace {

TEST_F(ChatDialogTest, NewPersonaIsOfferedForAMissingFolderAndMadeOnlyOnYes) {
  const std::string fresh = folder + "/friend";
  backend.Answer(false).Answer(true);
  DialogUser user(backend);
  EXPECT_FALSE(OfferNewPersona(user, fresh));
  EXPECT_FALSE(std::filesystem::exists(fresh));
  EXPECT_TRUE(OfferNewPersona(user, fresh));
  std::vector<std::string> made;
  for (const auto& entry : std::filesystem::directory_iterator(fresh))
    made.push_back(entry.path().filename().string());
  std::sort(made.begin(), made.end());
  EXPECT_EQ(made, (std::vector<std::string>{"boke.dat", "help.html", "memory.dat", "no.dat"}));
  EXPECT_EQ(backend.questions(), std::vector<std::string>(2, chat::NewPersonaQuestion(fresh)));
  EXPECT_TRUE(backend.boxes().empty());
}

}  // namespace
