// The duet window: opened from the memory menu, the partner chosen with 参照, one line per
// firing of the window's timer, 停止 and 閉じる in the middle, refused folders and fields, and
// a folder that cannot be written.
#include "app/duet_dialog.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/chat_dialog.h"
#include "chat/duet_test_support.h"
#include "res/resource.h"
#include "testing/work_folder.h"

namespace {

using namespace testing_support;
using namespace duet_test;
using Strings = std::vector<std::string>;

std::string Ini(const std::string& nick) {
  return "YourName:Taro\r\nRinuName:" + nick + "\r\n2\r\n";
}

class DuetDialogTest : public WorkFolderTest {
 protected:
  DuetDialogTest() : folderB(MakeTempFolder()) {}
  ~DuetDialogTest() override { RemoveFolder(folderB); }

  void SetUp() override {
    WorkFolderTest::SetUp();
    setenv("TZ", "UTC", 1);
    tzset();
    clock.fixed = &g_now;
    WriteFile("set.ini", Ini("Mio"));
    WriteFile("memory.dat", Stored({"こんにちは%+%やあNAME、元気？"}));
    WriteFile("boke.dat", Stored({"ふーん"}));
    WriteFile("no.dat", Stored({"なあに？"}));
    WriteB("set.ini", Ini("Ren"));
    WriteB("memory.dat", Stored({"元気%+%元気だよ"}));
    WriteB("boke.dat", Stored({"へえ"}));
    WriteB("no.dat", Stored({"うん"}));
  }

  void WriteB(const std::string& name, const std::string& bytes) {
    std::ofstream(folderB + "/" + name, std::ios::binary) << bytes;
  }
  std::string ReadB(const std::string& name) {
    std::ifstream in(folderB + "/" + name, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  // Runs the duet window with `steps`; the partner gets the scripted random source.
  const DialogRecord& RunDuet(std::vector<Step> steps,
                              const std::vector<std::string>& default_places = {}) {
    backend.When(IDD_DUET, std::move(steps));
    DuetDialog dialog(persona, backend, [this](const std::string& path) {
      auto made = std::make_unique<core::Persona>(path, randomB, clock);
      partner = made.get();
      return made;
    });
    if (!default_places.empty()) dialog.set_default_places(default_places);
    const size_t index = backend.dialogs().size();
    dialog.DoModal();
    return backend.dialogs().at(index);
  }
  static std::string Transcript(const ControlState& state) {
    return state.text.at(IDC_DUET_TRANSCRIPT);
  }
  int Firings() const {
    int n = 0;
    for (const std::string& e : backend.events()) n += e == "timer";
    return n;
  }

  std::string folderB;
  ScriptedRandom randomB;
  core::Persona* partner = nullptr;  // B as the window made it, for the test to fail its folder
};

TEST_F(DuetDialogTest, ChosenPartnerTalksOneLinePerTimerFiringUntilTheLinesAreSaid) {
  random.Push({0, 0, 1, 2});
  randomB.Push({0, 0, 1, 2});
  backend.ChooseFolderAnswer(folderB);
  const DialogRecord& r = RunDuet({Press(IDC_DUET_BROWSE), Type(IDC_DUET_EXCHANGES, "4"),
                                   Type(IDC_DUET_PAUSE, "0"), Type(IDC_DUET_FIRST, "こんにちは"),
                                   Press(IDC_DUET_START), Timer(1), Timer(10), Close()});
  EXPECT_TRUE(backend.errors().empty()) << backend.errors().front();
  // Opened with the defaults; 参照 puts the chosen folder in the field.
  EXPECT_EQ(r.states.at(0).text.at(IDC_DUET_EXCHANGES), "20");
  EXPECT_EQ(r.states.at(0).text.at(IDC_DUET_PAUSE), "800");
  EXPECT_EQ(r.states.at(1).text.at(IDC_DUET_FOLDER), folderB);
  EXPECT_EQ(backend.events().at(1), "folder:相手のRinu++のフォルダを選んでください=" + folderB);
  EXPECT_EQ(Transcript(r.states.at(5)), "Ren>こんにちは");
  EXPECT_EQ(Transcript(r.states.at(6)), "Mio>やあRen、元気？\r\nRen>こんにちは");
  EXPECT_EQ(Transcript(r.states.at(7)),
            "Ren>へえ\r\nMio>ふーん\r\nRen>元気だよ\r\nMio>やあRen、元気？\r\nRen>こんにちは");
  // Four firings for four lines, then the timer stopped by itself.
  EXPECT_EQ(Firings(), 4);
  EXPECT_FALSE(backend.timer_running());
  EXPECT_EQ(backend.timer_ms(), 0);
  EXPECT_EQ(ReadFile("log.txt"), StartEntry("Mio", "Ren") +
                                     "Ren>こんにちは\r\nMio>やあRen、元気？\r\n"
                                     "Ren>元気だよ\r\nMio>ふーん\r\n" +
                                     EndEntry("Mio"));
  // B's log and both memories are as chat::Duet's own test has them.
  EXPECT_EQ(ReadB("memory.dat"), Stored({"元気%+%元気だよ", "元気だよ%+%ふーん"}));
  EXPECT_TRUE(backend.boxes().empty());
}

TEST_F(DuetDialogTest, StopOrCloseInTheMiddleEndsBothLogsAfterTheLastLine) {
  for (bool close : {false, true}) {
    SCOPED_TRACE(close ? "close" : "stop");
    SetUp();
    WriteFile("log.txt", "");
    WriteB("log.txt", "");
    random.Push({1, 0});
    randomB.Push({1, 0});
    std::vector<Step> steps = {Type(IDC_DUET_FOLDER, folderB), Type(IDC_DUET_FIRST, "こんにちは"),
                               Press(IDC_DUET_START), Timer(2)};
    if (!close) {
      steps.push_back(Press(IDC_DUET_STOP));
      steps.push_back(Timer(5));  // nothing more is said
    }
    steps.push_back(Close());
    const DialogRecord& r = RunDuet(std::move(steps));
    EXPECT_EQ(Transcript(r.states.back()), "Ren>元気だよ\r\nMio>やあRen、元気？\r\nRen>こんにちは");
    EXPECT_EQ(r.result, ui::IDCANCEL);
    EXPECT_FALSE(backend.timer_running());
    EXPECT_EQ(
        ReadFile("log.txt"),
        StartEntry("Mio", "Ren") + "Ren>こんにちは\r\nMio>やあRen、元気？\r\n" + EndEntry("Mio"));
    EXPECT_EQ(ReadB("log.txt"), StartEntry("Ren", "Mio") +
                                    "Mio>やあRen、元気？\r\nRen>元気だよ\r\n" + EndEntry("Ren"));
    EXPECT_TRUE(backend.boxes().empty());
  }
}

TEST_F(DuetDialogTest, RefusedFolderOrFieldIsToldAndNothingIsWritten) {
  struct Case {
    std::string folder, exchanges, pause;
    std::string box;
  } cases[] = {
      {folder, "20", "800",
       "相手のフォルダが自分のフォルダと同じです。\n別のRinu++のフォルダを選んでください。"},
      {"", "20", "800", "相手のRinu++のフォルダを選んでください。"},
      {folderB + "/none", "20", "800",
       "相手のフォルダが見つかりません。\nフォルダの場所を確かめてください。"},
      {folderB, "0", "800", "1 から 1000 までの整数を入力してください。"},
      {folderB, "1001", "800", "1 から 1000 までの整数を入力してください。"},
      {folderB, "20", "5001", "0 から 5000 までの整数を入力してください。"},
      {folderB, "20", "x", "整数を入力してください。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.box + " " + c.exchanges + " " + c.pause);
    const std::vector<std::string> filesA = ListFolder();
    const std::string memoryB = ReadB("memory.dat");
    const size_t boxes = backend.boxes().size();
    RunDuet({Type(IDC_DUET_FOLDER, c.folder), Type(IDC_DUET_EXCHANGES, c.exchanges),
             Type(IDC_DUET_PAUSE, c.pause), Press(IDC_DUET_START), Close()});
    EXPECT_EQ(Strings(backend.boxes().begin() + boxes, backend.boxes().end()), Strings{c.box});
    EXPECT_FALSE(backend.timer_running());
    EXPECT_EQ(ListFolder(), filesA);
    EXPECT_FALSE(std::filesystem::exists(folderB + "/log.txt"));
    EXPECT_EQ(ReadB("memory.dat"), memoryB);
  }
}

TEST_F(DuetDialogTest, AFolderThatCannotBeWrittenStopsTheDuetAndSaysSo) {
  random.Push({1, 0, 1, 2});
  randomB.Push({1, 0, 1, 2});
  WriteB("log.txt", "");
  std::string logB;
  const DialogRecord& r =
      RunDuet({Type(IDC_DUET_FOLDER, folderB), Type(IDC_DUET_FIRST, "こんにちは"),
               Press(IDC_DUET_START), Timer(2), Call([&] {
                 logB = ReadB("log.txt");
                 partner->folder().SetFaultHook([](core::Call call, const std::string&) {
                   return call == core::Call::kWrite ? ENOSPC : 0;
                 });
               }),
               Timer(10), Close()});
  EXPECT_EQ(Firings(), 4);  // the fourth line could not be kept: no fifth
  EXPECT_FALSE(backend.timer_running());
  EXPECT_EQ(
      backend.boxes(),
      (Strings{"ログを書けません。\nlog.txtが読み込み専用になっていないか、\n確認してください。",
               "Renのフォルダに書き込めなかったので、会話を止めました。"}));
  EXPECT_EQ(Transcript(r.states.back()).substr(0, 20), "Ren>へえ\r\nMio>ふーん");
  EXPECT_EQ(ReadB("log.txt"), logB);
  EXPECT_EQ(ReadFile("log.txt"), StartEntry("Mio", "Ren") +
                                     "Ren>こんにちは\r\nMio>やあRen、元気？\r\n"
                                     "Ren>元気だよ\r\nMio>ふーん\r\n" +
                                     EndEntry("Mio"));
}

TEST_F(DuetDialogTest, MemoryMenuOpensTheDuetWindowOverTheChat) {
  ChatDialog chat(persona, backend);
  ASSERT_EQ(chat.Start(), 1);
  backend.When(IDD_CHAT_DIALOG, {Press(ID_DUET), Close()});
  backend.When(IDD_DUET, {Close()});
  chat.DoModal();
  std::vector<int> opened;
  for (const DialogRecord& d : backend.dialogs()) opened.push_back(d.template_id);
  EXPECT_EQ(opened, (std::vector<int>{IDD_CHAT_DIALOG, IDD_DUET}));
  EXPECT_TRUE(backend.errors().empty());
}

TEST_F(DuetDialogTest, NewPartnerIsMadeInAnEmptyFolderFromTheDefaultsOrACopy) {
  auto slurp = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  };
  const std::string data = std::string(RINU_SOURCE_DIR) + "/data/";
  for (bool copy : {false, true}) {
    SCOPED_TRACE(copy ? "a copy of this persona's memory" : "the default data");
    const std::string made = folderB + (copy ? "/copy" : "/fresh");
    std::filesystem::create_directory(made);
    backend.ChooseFolderAnswer(made);
    std::vector<Step> steps = {Press(IDC_DUET_NEW), Close()};
    if (copy) steps.insert(steps.begin(), Choose(IDC_DUET_COPY_MEMORY));
    backend.When(IDD_DUET, steps);
    backend.When(IDD_SETUP, {Type(IDC_SETUP_USER_NAME, "Taro"), Type(IDC_SETUP_RINU_NAME, "Sora"),
                             Choose(IDC_SETUP_LOG_TEXT), Press(ui::IDOK)});
    DuetDialog(persona, backend).DoModal();
    ASSERT_EQ(backend.dialogs().size(), copy ? 4u : 2u);
    EXPECT_EQ(backend.dialogs()[copy ? 2 : 0].states.back().text.at(IDC_DUET_FOLDER), made);
    EXPECT_EQ(slurp(made + "/memory.dat"),
              copy ? ReadFile("memory.dat") : slurp(data + "memory.dat"));
    for (const char* name : {"boke.dat", "no.dat", "help.html"})
      EXPECT_EQ(slurp(made + "/" + name), slurp(data + name)) << name;
    EXPECT_EQ(slurp(made + "/set.ini"), "YourName:Taro\r\nRinuName:Sora\r\n2\r\n");
    EXPECT_TRUE(backend.boxes().empty());
  }

  // A folder that holds anything, and defaults that are nowhere: told, and nothing written.
  const std::string used = folderB + "/used", empty = folderB + "/empty";
  std::filesystem::create_directory(used);
  std::filesystem::create_directory(empty);
  std::ofstream(used + "/notes.txt") << "mine";
  struct Case {
    std::string folder;
    std::vector<std::string> places;
    std::string box;
  } refused[] = {
      {used,
       {},
       "「" + used +
           "」は空のフォルダではありません。\n新しいRinu++は、空のフォルダか、"
           "まだないフォルダに作ります。\n何も書き込んでいません。"},
      {empty,
       {folderB + "/nowhere"},
       "新しいRinu++の最初のファイル（memory.dat、boke.dat、no.dat）が"
       "見つかりません。\n探した場所:\n" +
           folderB +
           "/nowhere\n"
           "Rinu++をインストールし直してください。何も書き込んでいません。"},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.folder);
    const size_t dialogs = backend.dialogs().size();
    backend.ChooseFolderAnswer(c.folder);
    const DialogRecord& r = RunDuet({Press(IDC_DUET_NEW), Close()}, c.places);
    EXPECT_EQ(backend.boxes().back(), c.box);
    EXPECT_EQ(backend.dialogs().size(), dialogs + 1);  // no setup
    EXPECT_EQ(r.states.back().text.at(IDC_DUET_FOLDER), "");
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(used), {}), 1);
  EXPECT_TRUE(std::filesystem::is_empty(empty));
}

}  // namespace
