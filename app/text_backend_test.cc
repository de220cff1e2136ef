// The text backend driven by typed lines over the program's own dialogs: what the terminal
// shows (as UTF-8 bytes), what the dialogs keep, and how the input's end, Esc and refused
// characters behave.
#include "ui/text/text_backend.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/forget_choice_dialog.h"
#include "app/learn_dialog.h"
#include "res/resource.h"
#include "res/templates.h"
#include "app/settings_dialog.h"
#include "app/setup_dialog.h"
#include "ui/data_exchange.h"
#include "ui/list_model.h"
#include "ui/text/text_menu.h"

namespace ui::text {
namespace {

// The settings dialog writes set.ini only on Apply, which these tests never press: its
// persona lives on a folder that does not exist, so nothing could be written anyway.
// Apply in the settings dialog, with nothing behind it.
chat::SettingsApply& NoApply() {
  static struct : chat::SettingsApply {
    bool Prepare() override { return true; }
    void Apply(const SettingsValues&) override {}
  } apply;
  return apply;
}

// A UTF-8 literal as bytes (narrow literals of this file are Shift-JIS).
std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

// Typed lines in, the terminal's bytes out, as a user would have seen them.
struct Terminal {
  explicit Terminal(const std::string& typed, TextOptions options = Quiet())
      : in(typed), source(in, out, true), backend(source, out, options) {}
  static TextOptions Quiet() {
    TextOptions o;
    o.pause_after_message = false;
    o.desktop_open = false;
    return o;
  }
  std::istringstream in;
  std::ostringstream out;
  StreamLineSource source;
  TextBackend backend;
};

// A line editor: each answer is the line as the user left it, and every offered initial
// text is recorded.
class PrefillSource : public LineSource {
 public:
  explicit PrefillSource(std::deque<std::optional<std::string>> lines)
      : m_lines(std::move(lines)) {}
  std::optional<std::string> ReadLine(const std::string& prompt,
                                      const std::string& initial) override {
    prompts.push_back(prompt);
    initials.push_back(initial);
    if (m_lines.empty()) return std::nullopt;
    std::optional<std::string> line = m_lines.front();
    m_lines.pop_front();
    return line;
  }
  bool PrefillsInitialText() const override { return true; }
  // A nullopt in the script is Ctrl+D on an empty line; the input closes when it runs out.
  bool Closed() const override { return m_lines.empty(); }
  std::vector<std::string> prompts, initials;

 private:
  std::deque<std::optional<std::string>> m_lines;
};

TEST(TextBackendTest, LearnDialogFilledAndOkShowsTheDialogAsLines) {
  Terminal t(U8(u8"おはよう\nおはよう、今日も元気？\n\n"));
  LearnDialog dlg(t.backend);
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_strYourWords, "おはよう");
  EXPECT_EQ(dlg.m_strReply, "おはよう、今日も元気？");
  EXPECT_EQ(t.out.str(),
            U8(u8"== 覚えさせる言葉 ==\n"
               u8"言葉を覚えさせます。\n"
               u8"下のボックスにあなたの言葉とそれに対するRinuの応答を入力してください。\n"
               u8"あなたの言葉(Y): おはよう\n"
               u8"Rinuの応答(H): おはよう、今日も元気？\n"
               u8"1 OK(O)  2 止める(S)\n"
               u8"ボタン (Enter: OK(O)): \n"));
}

TEST(TextBackendTest, CancelEndsWithoutStoring) {
  struct Case {
    const char8_t* typed;
    const char* why;
  };
  for (const Case& c : {
           Case{u8"a\nb\n2\n", "button number"},
           Case{u8"a\nb\nS\n", "access key, any case"},
           Case{u8"a\n\x1b\n", "Esc in a field"},
           Case{u8"a\nb\n\x1b\n", "Esc at the buttons"},
           Case{u8"a\n", "input ends in a field"},
           Case{u8"a\nb\n", "input ends at the buttons"},
       }) {
    Terminal t(U8(c.typed));
    LearnDialog dlg(t.backend);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL) << c.why;
    EXPECT_EQ(dlg.m_strYourWords, "") << c.why;
  }
}

TEST(TextBackendTest, FirstRunSetupTakesNamesAndLogMode) {
  Terminal t("Taro\nMio\n3\n\n");
  SetupDialog dlg(t.backend);
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_strUserName, "Taro");
  EXPECT_EQ(dlg.m_strNickname, "Mio");
  EXPECT_EQ(dlg.m_nLogMode, 2);
}

TEST(TextBackendTest, CtrlDOnATerminalCancelsTheDialogOnly) {
  PrefillSource source({"a", std::nullopt, "b", "c", ""});
  std::ostringstream out;
  TextBackend backend(source, out, Terminal::Quiet());
  LearnDialog first(backend);
  EXPECT_EQ(first.DoModal(), IDCANCEL);
  EXPECT_FALSE(backend.at_end());
  LearnDialog second(backend);
  EXPECT_EQ(second.DoModal(), IDOK);
  EXPECT_EQ(second.m_strYourWords, "b");
}

TEST(TextBackendTest, EndOfInputClosesADialogWithoutCancelButton) {
  Terminal t("");
  SetupDialog dlg(t.backend);
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_TRUE(t.backend.at_end());
}

TEST(TextBackendTest, FailedCheckShowsItsMessageAndAsksAgain) {
  // The number is no integer, then out of range, then right; the list is shown each time.
  Terminal t("abc\n\n-1\n\n7\nO\n");
  ForgetChoiceDialog dlg(t.backend);
  dlg.m_strList = "0:A\r\n1:B";
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_nNumber, 7);
  const std::string round =
      U8(u8"== 何番を忘れさせますか？ ==\n"
         u8"何番を忘れさせますか？選んでください。\n"
         u8"0:A\n1:B\n");
  EXPECT_EQ(t.out.str(), round +
                             U8(u8"入力 [0]: abc\n"
                                u8"1 OK(O)  2 止める(S)\n"
                                u8"ボタン (Enter: OK(O)): \n"
                                u8"整数を入力してください。\n") +
                             round +
                             U8(u8"入力 [abc]: -1\n"
                                u8"1 OK(O)  2 止める(S)\n"
                                u8"ボタン (Enter: OK(O)): \n"
                                u8"0 から 9999999 までの整数を入力してください。\n") +
                             round +
                             U8(u8"入力 [-1]: 7\n"
                                u8"1 OK(O)  2 止める(S)\n"
                                u8"ボタン (Enter: OK(O)): O\n"));
}

TEST(TextBackendTest, SettingsRadioGroupIsANumberedChoice) {
  struct Case {
    const char* typed;  // after the two names are kept
    int mode;           // what the dialog keeps
  };
  for (const Case& c : {
           Case{"3\n", 2}, Case{"m\n", 1},  // the access key of HTML
           Case{"\n", 1},                   // Enter keeps the checked one
           Case{"7\nL\n", 0},               // out of range, asked again
           Case{"\x1b\n", 1},               // Esc: Cancel, nothing taken
       }) {
    Terminal t(std::string("\n\n") + c.typed + "\n");
    SettingsDialog dlg(NoApply(), t.backend);
    dlg.m_strUserName = "Taro";
    dlg.m_strNickname = "Mio";
    dlg.m_nLogMode = 1;
    dlg.DoModal();
    EXPECT_EQ(dlg.m_nLogMode, c.mode) << c.typed;
    EXPECT_EQ(dlg.m_strUserName, "Taro");
  }
  Terminal t("\n\n\n\n");
  SettingsDialog dlg(NoApply(), t.backend);
  dlg.m_nLogMode = 1;
  dlg.DoModal();
  EXPECT_NE(t.out.str().find(U8(u8"LOGモード\n"
                                u8"  1 LOGは書かない(L)\n"
                                u8"* 2 HTML形式でLOGを書く(M)\n"
                                u8"  3 TEXT形式でLOGを書く(T)\n"
                                u8"番号 [2]: \n")),
            std::string::npos)
      << t.out.str();
}

TEST(TextBackendTest, LineEditorGetsFieldValuesPrefilledButChoicesShown) {
  PrefillSource source({"Taro", "Mio", "3", ""});
  std::ostringstream out;
  TextBackend backend(source, out, Terminal::Quiet());
  SettingsDialog dlg(NoApply(), backend);
  dlg.m_strUserName = "Taro";
  dlg.m_strNickname = "Mi";
  dlg.m_nLogMode = 1;
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(source.initials, std::vector<std::string>({"Taro", "Mi", "", ""}));
  EXPECT_EQ(source.prompts[2], U8(u8"番号 [2]: "));
  EXPECT_EQ(dlg.m_strNickname, "Mio");
  EXPECT_EQ(dlg.m_nLogMode, 2);
}

TEST(TextBackendTest, FieldOverItsLimitIsRefusedAndAskedAgain) {
  std::string long_name(101, 'x');
  Terminal t(long_name + "\nTaro\n\n\n\n");
  SettingsDialog dlg(NoApply(), t.backend);
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_strUserName, "Taro");
  EXPECT_NE(t.out.str().find(U8(u8"100バイトまでしか入りません。\n")), std::string::npos);
}

TEST(TextBackendTest, UnencodableCharacterIsRefusedWithTheTypedTextOfferedAgain) {
  PrefillSource source({U8(u8"犬🐕だ"), U8(u8"犬だ"), "", ""});
  std::ostringstream out;
  TextOptions options = Terminal::Quiet();
  TextBackend backend(source, out, options);
  LearnDialog dlg(backend);
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_strYourWords, "犬だ");
  ASSERT_GE(source.initials.size(), 2u);
  EXPECT_EQ(source.initials[1], U8(u8"犬🐕だ"));
  EXPECT_EQ(source.prompts[1], source.prompts[0]);
  EXPECT_NE(
      out.str().find(U8(u8"「🐕」はこのプログラムでは使えない文字です。別の文字にしてください。\n")),
      std::string::npos);
}

TEST(TextBackendTest, BytesThatAreNotUtf8AreRefused) {
  Terminal t("\xff\xfe\nok\n\n\n");
  LearnDialog dlg(t.backend);
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_strYourWords, "ok");
  EXPECT_NE(t.out.str().find(U8(u8"入力がUTF-8の文字として読めません。\n")), std::string::npos);
}

// A dialog with a list of 25 numbered rows, for paging and choosing.
class ListDialog : public ui::Dialog {
 public:
  struct Rows : ui::ListModel {
    int ColumnCount() const override { return 2; }
    ui::ListColumn Column(int c) const override { return {c ? "応答" : "キー", 50}; }
    size_t RowCount() const override { return 25; }
    std::string CellText(size_t row, int c) const override {
      return (c ? "r" : "k") + std::to_string(row + 1);
    }
  };
  static const ui::DialogTemplate& Template() {
    static const ui::DialogTemplate tmpl{
        900,
        "一覧",
        "",
        9,
        100,
        100,
        ui::kDlgCaption,
        nullptr,
        {{50, ui::ControlKind::kList, "", {0, 0, 90, 60}, ui::kTabStop, nullptr},
         {ui::IDOK, ui::ControlKind::kDefPushButton, "OK", {0, 70, 20, 10}, 0, nullptr}}};
    return tmpl;
  }
  explicit ListDialog(ui::Backend& backend) : ui::Dialog(Template(), backend) {}
  bool OnInitDialog() override {
    Window()->SetListModel(50, &rows);
    return true;
  }
  void OnNotify(int id, ui::Notify code) override {
    if (id == 50 && code == ui::Notify::kListSelectionChange)
      chosen = Window()->GetListSelection(50);
  }
  Rows rows;
  std::vector<size_t> chosen;
};

TEST(TextBackendTest, ListIsPagedAndARowChosen) {
  Terminal t("n\nn\nn\np\n23\n\n");
  ListDialog dlg(t.backend);
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.chosen, std::vector<size_t>({22}));
  const std::string& shown = t.out.str();
  for (const char8_t* page : {u8"1-10 / 25件", u8"11-20 / 25件", u8"21-25 / 25件"})
    EXPECT_NE(shown.find(U8(page)), std::string::npos) << U8(page);
  EXPECT_NE(shown.find(U8(u8"     キー | 応答\n   1 k1 | r1\n")), std::string::npos) << shown;
  // "n" on the last page stays there; "p" goes back one page.
  size_t last = shown.find(U8(u8"21-25 / 25件"));
  EXPECT_NE(shown.find(U8(u8"21-25 / 25件"), last + 1), std::string::npos);
  EXPECT_NE(shown.find(U8(u8"11-20 / 25件"), last), std::string::npos);

  Terminal bad("0\n26\nx\n3, 5\n\n");
  ListDialog many(bad.backend);
  EXPECT_EQ(many.DoModal(), IDOK);
  EXPECT_EQ(many.chosen, std::vector<size_t>({2, 4}));
  size_t asked = 0;
  for (size_t at = 0;
       (at = bad.out.str().find(U8(u8"1から25までの行の番号"), at)) != std::string::npos; ++at)
    ++asked;
  EXPECT_EQ(asked, 3u);
}

TEST(TextBackendTest, MessageBoxesAndQuestions) {
  TextOptions pausing = Terminal::Quiet();
  pausing.pause_after_message = true;
  Terminal t("\n", pausing);
  t.backend.MessageBox("覚えました。\r\n次の行");
  EXPECT_EQ(t.out.str(), U8(u8"覚えました。\n次の行\n（Enterで続けます）\n"));
  EXPECT_FALSE(t.backend.at_end());

  Terminal quiet("");
  quiet.backend.MessageBox("覚えました。");
  EXPECT_EQ(quiet.out.str(), U8(u8"覚えました。\n"));

  struct Case {
    const char* typed;
    bool answer;
  };
  for (const Case& c : {Case{"y\n", true}, Case{"No\n", false}, Case{"x\n\nYES\n", true},
                        Case{"", false}, Case{"\x1b\n", false}}) {
    Terminal q(c.typed);
    EXPECT_EQ(q.backend.Confirm("消しますか？"), c.answer) << c.typed;
  }
  Terminal q("y\n");
  q.backend.Confirm("消しますか？");
  EXPECT_EQ(q.out.str(), U8(u8"消しますか？\n(y/n): y\n"));
}

TEST(TextBackendTest, ShellOpenWithoutDesktopPrintsWhereAsItsWayOfShowing) {
  char dir[] = "/tmp/rinu_open_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string log = std::string(dir) + "/log.txt";
  std::ofstream(log) << "x";
  TextOptions options = Terminal::Quiet();
  options.working_folder = dir;
  Terminal t("", options);
  EXPECT_TRUE(t.backend.ShellOpen("log.txt"));
  EXPECT_TRUE(t.backend.ShellOpen("mailto:a@example.org"));
  EXPECT_FALSE(t.backend.ShellOpen("help.html"));  // not in the folder: nothing to show
  EXPECT_EQ(t.out.str(), U8(u8"開くには: ") + log + "\n" + U8(u8"開くには: mailto:a@example.org\n"));
  unlink(log.c_str());
  rmdir(dir);
}

// Runs `body` with a stand-in xdg-open first on PATH and DISPLAY set; the stand-in notes
// each target in `opened` and fails for a target ending in "missing".
void WithDesktop(const std::function<void(const std::string& opened)>& body) {
  char dir_template[] = "/tmp/rinu_text_XXXXXX";
  ASSERT_NE(mkdtemp(dir_template), nullptr);
  const std::string dir = dir_template;
  const std::string opened = dir + "/opened";
  {
    std::ofstream script(dir + "/xdg-open");
    script << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << opened
           << "'\ncase \"$1\" in *missing) exit 4 ;; esac\n";
  }
  ASSERT_EQ(chmod((dir + "/xdg-open").c_str(), 0755), 0);
  const char* path = std::getenv("PATH");
  const std::string old_path = path ? path : "";
  const char* display = std::getenv("DISPLAY");
  const std::optional<std::string> old_display =
      display ? std::optional<std::string>(display) : std::nullopt;
  setenv("PATH", (dir + ":" + old_path).c_str(), 1);
  setenv("DISPLAY", ":99", 1);
  body(opened);
  setenv("PATH", old_path.c_str(), 1);
  if (old_display)
    setenv("DISPLAY", old_display->c_str(), 1);
  else
    unsetenv("DISPLAY");
  std::remove(opened.c_str());
  std::remove((dir + "/xdg-open").c_str());
  rmdir(dir.c_str());
}

TEST(TextBackendTest, ShellOpenWithDesktopUsesXdgOpenAndPrintsWhereWhenItFails) {
  WithDesktop([](const std::string& opened) {
    const std::string dir = opened.substr(0, opened.rfind('/'));
    std::ofstream(dir + "/help.html") << "x";
    std::ofstream(dir + "/missing") << "x";
    TextOptions options = Terminal::Quiet();
    options.desktop_open = true;
    options.working_folder = dir;
    Terminal t("", options);
    EXPECT_TRUE(t.backend.ShellOpen("help.html"));
    EXPECT_TRUE(t.backend.ShellOpen("http://example.org/"));
    EXPECT_TRUE(t.backend.ShellOpen("missing"));  // xdg-open failed: shown as a path
    std::ifstream in(opened);
    std::stringstream got;
    got << in.rdbuf();
    EXPECT_EQ(got.str(), dir + "/help.html\nhttp://example.org/\n" + dir + "/missing\n");
    EXPECT_EQ(t.out.str(), U8(u8"開くには: ") + dir + "/missing\n");

    TextOptions never = options;
    never.desktop_open = false;
    Terminal off("", never);
    EXPECT_TRUE(off.backend.ShellOpen("help.html"));
    EXPECT_EQ(off.out.str(), U8(u8"開くには: ") + dir + "/help.html\n");
    unlink((dir + "/help.html").c_str());
    unlink((dir + "/missing").c_str());
  });
}

TEST(TextBackendTest, Cp932TerminalPassesShiftJisAndRefusesOtherBytes) {
  TextOptions options = Terminal::Quiet();
  options.encoding = TerminalEncoding::kCp932;
  Terminal t(std::string("\x82\xa0\n") + "\x82\n" + "\x82\xa2\n\n", options);
  LearnDialog dlg(t.backend);
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_strYourWords, "\x82\xa0");
  EXPECT_EQ(dlg.m_strReply, "\x82\xa2");
  EXPECT_NE(t.out.str().find("入力がShift-JISの文字として読めません。\n"), std::string::npos);
}

TEST(TextMenuTest, ChatMenuListsItsCommandsByNumber) {
  std::vector<MenuCommand> commands = MenuCommands(res::ChatMenu());
  std::string listing = FormatMenu(commands);
  EXPECT_EQ(listing.substr(0, listing.find("覚えさせる")),
            "1 LOGを表示\n2 設定\n3 HELPを見る\n4 バージョン情報\n5 ");
  EXPECT_NE(listing.find("7 メモリー帳を開く\n"), std::string::npos);
  EXPECT_NE(listing.find(" スペシャルサンクス > スペシャルサンクスについて\n"), std::string::npos);
  EXPECT_EQ(MenuCommandId(commands, 1), ID_SHOW_LOG);
  EXPECT_EQ(MenuCommandId(commands, static_cast<int>(commands.size())), ID_ABOUT_THANKS);
  EXPECT_EQ(MenuCommandId(commands, 0), std::nullopt);
  EXPECT_EQ(MenuCommandId(commands, static_cast<int>(commands.size()) + 1), std::nullopt);
}

TEST(TextMenuTest, CaptionsLoseTheirAccessKeyMarks) {
  struct Case {
    const char* caption;
    const char* shown;
    const char* listed;
    char key;
  };
  for (const Case& c :
       {Case{"OK(&O)", "OK(O)", "OK", 'o'}, Case{"&Yes", "Yes", "Yes", 'y'},
        Case{"A && B", "A & B", "A & B", 0}, Case{"編集(&E)...", "編集(E)...", "編集", 'e'},
        Case{"表(&V)", "表(V)", "表", 'v'}}) {  // 表 ends in 0x5C
    EXPECT_EQ(PlainCaption(c.caption), c.shown);
    EXPECT_EQ(PlainCaption(c.caption, true), c.listed);
    EXPECT_EQ(AccessKey(c.caption), c.key) << c.caption;
  }
}

}  // namespace
}  // namespace ui::text
