// The program itself in the terminal (rinu --tty, through a pseudo-terminal the test opens)
// and as a filter (rinu --pipe, as a subprocess), with no display. The terminal's files are
// held against what the same lines give in the scripted chat window.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/chat_app.h"
#include "app/pipe_front.h"
#include "app/text_lines.h"
#include "core/text_codec.h"
#include "res/resource.h"
#include "testing/work_folder.h"

extern char** environ;

namespace {

using namespace testing_support;

std::string Utf8(const std::string& sjis) { return core::SjisToUtf8(sjis).text; }

constexpr char kIni[] = "YourName:Taro\r\nRinuName:Mio\r\n2\r\n";
constexpr char kEmoji[] = "\xF0\x9F\x98\x80";  // no Shift-JIS character

void WriteData(const std::string& dir, const std::vector<std::string>& memory) {
  auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
  };
  write("set.ini", kIni);
  write("memory.dat", Stored(memory));
  write("boke.dat", Stored({"ふーん"}));
  write("no.dat", Stored({"なあに？"}));
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The log with its dates left out: the lines that hold a time stamp end at the tab.
std::string WithoutDates(const std::string& log) {
  std::string out;
  std::istringstream in(log);
  std::string line;
  while (std::getline(in, line)) out += line.substr(0, line.find('\t')) + "\n";
  return out;
}

// The environment of a user without a desktop, in UTF-8.
std::vector<std::string> TextEnvironment() {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string v = *e;
    if (v.rfind("DISPLAY=", 0) == 0 || v.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
        v.rfind("LANG=", 0) == 0 || v.rfind("LC_", 0) == 0 || v.rfind("TERM=", 0) == 0)
      continue;
    env.push_back(v);
  }
  env.push_back("LANG=C.UTF-8");
  env.push_back("TERM=xterm");
  return env;
}

struct Ran {
  std::string out, err;
  int status = -1;
};

// rinu with `args`, standard input from `input`.
Ran RunProgram(const std::vector<std::string>& args, const std::string& input) {
  std::string dir = MakeTempFolder();
  std::ofstream(dir + "/in", std::ios::binary) << input;
  std::vector<std::string> argv_s = {RINU_BINARY};
  argv_s.insert(argv_s.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_s) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_s = TextEnvironment();
  std::vector<char*> env;
  for (std::string& e : env_s) env.push_back(e.data());
  env.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, (dir + "/in").c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, (dir + "/out").c_str(), O_WRONLY | O_CREAT, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, (dir + "/err").c_str(), O_WRONLY | O_CREAT, 0600);
  Ran run;
  pid_t pid = 0;
  if (posix_spawn(&pid, RINU_BINARY, &actions, nullptr, argv.data(), env.data()) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  } else {
    ADD_FAILURE() << "cannot start " << RINU_BINARY;
  }
  posix_spawn_file_actions_destroy(&actions);
  run.out = Slurp(dir + "/out");
  run.err = Slurp(dir + "/err");
  RemoveFolder(dir);
  return run;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// rinu --tty on a pseudo-terminal: what it writes is gathered, and the test waits for text
// to appear before it types on.
class Terminal {
 public:
  explicit Terminal(const std::string& folder) {
    std::vector<std::string> env = TextEnvironment();
    m_pid = forkpty(&m_fd, nullptr, nullptr, nullptr);
    if (m_pid == 0) {
      clearenv();
      for (std::string& e : env) putenv(e.data());
      execl(RINU_BINARY, RINU_BINARY, "--tty", folder.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~Terminal() {
    if (m_pid > 0 && m_status < 0) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
    if (m_fd >= 0) close(m_fd);
  }

  // Waits until `utf8` shows after what the last wait found; false after five seconds.
  bool WaitFor(const std::string& utf8) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
      size_t at = m_seen.find(utf8, m_from);
      if (at != std::string::npos) {
        m_from = at + utf8.size();
        return true;
      }
      if (!ReadSome(deadline)) {
        ADD_FAILURE() << "waited for \"" << utf8 << "\"; the terminal shows:\n"
                      << m_seen.substr(m_from);
        return false;
      }
    }
  }
  // Waits until the line editor reads keys one by one (the terminal out of its line mode), so
  // what is typed next is not taken for a line of the terminal's own, or dropped as the editor
  // takes over; false after five seconds.
  bool WaitForEditor() {
    for (int i = 0; i < 500; ++i) {
      termios mode;
      if (tcgetattr(m_fd, &mode) == 0 && !(mode.c_lflag & ICANON)) return true;
      usleep(10000);
    }
    ADD_FAILURE() << "the line editor never took the terminal";
    return false;
  }
  void Type(const std::string& utf8) {
    if (write(m_fd, utf8.data(), utf8.size()) != static_cast<ssize_t>(utf8.size()))
      ADD_FAILURE() << "cannot type";
  }
  // Waits up to five seconds for the program to end; its exit status, or -1 (it is killed).
  int Wait() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
      int status = 0;
      if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        return m_status;
      }
      if (!ReadSome(std::min(deadline,
                             std::chrono::steady_clock::now() + std::chrono::milliseconds(50))) &&
          std::chrono::steady_clock::now() >= deadline) {
        ADD_FAILURE() << "the program did not end; the terminal shows:\n" << m_seen.substr(m_from);
        return -1;
      }
    }
  }
  const std::string& seen() const { return m_seen; }
  // How often `utf8` has shown so far.
  int Count(const std::string& utf8) const {
    int n = 0;
    for (size_t at = m_seen.find(utf8); at != std::string::npos; at = m_seen.find(utf8, at + 1))
      ++n;
    return n;
  }

 private:
  bool ReadSome(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{m_fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    char buf[4096];
    ssize_t n = read(m_fd, buf, sizeof buf);
    if (n <= 0) return false;  // the program closed the terminal
    m_seen.append(buf, static_cast<size_t>(n));
    return true;
  }

  int m_fd = -1;
  pid_t m_pid = -1;
  int m_status = -1;
  std::string m_seen;
  size_t m_from = 0;
};

class TextFrontTest : public WorkFolderTest {};

TEST_F(TextFrontTest, TerminalChatWritesTheFilesTheWindowWrites) {
  const std::vector<std::string> memory = {"abc%+%xyz", "みかん%+%すっぱい"};
  // The terminal: greeting, one turn, teaching, forgetting and the settings through the
  // dialogs as lines, a refused character, Ctrl+D.
  std::string tty_folder = MakeTempFolder();
  WriteData(tty_folder, memory);
  Terminal t(tty_folder);
  ASSERT_TRUE(t.WaitFor(Utf8("Mio>Taro君こんにちは。")));
  ASSERT_TRUE(t.WaitFor(Utf8("「/」でメニュー一覧、「/番号」で実行、Ctrl-Dで終了")));
  ASSERT_TRUE(t.WaitFor("Taro>"));
  // With one matching record the reply does not hang on the random draws; the teaching
  // word right after drops the pair a draw may have kept.
  t.Type("abc\r");
  ASSERT_TRUE(t.WaitFor("Mio>xyz"));
  t.Type(Utf8("りんご===あかい\r"));
  ASSERT_TRUE(t.WaitFor("Taro>"));
  t.Type("forget\r");
  ASSERT_TRUE(t.WaitFor(Utf8("入力: ")));
  t.Type(Utf8("りんご\r"));
  ASSERT_TRUE(t.WaitFor(Utf8("ボタン")));
  t.Type("\r");
  ASSERT_TRUE(t.WaitFor(Utf8("1 : りんご%+%あかい")));
  // Typed only once the field's value shows: the editor takes over the line then.
  ASSERT_TRUE(t.WaitFor(Utf8("入力: 0")));
  t.Type(
      "\x15"
      "1\r");  // the number field holds 0: cleared first
  ASSERT_TRUE(t.WaitFor(Utf8("ボタン")));
  t.Type("\r");
  ASSERT_TRUE(t.WaitFor("Taro>"));
  t.Type("set\r");
  ASSERT_TRUE(t.WaitFor(Utf8("ユーザーの名前(Y): Taro")));
  t.Type("\x15Jiro\r");
  ASSERT_TRUE(t.WaitFor(Utf8("Rinuのニックネーム(H): Mio")));
  t.Type("\r");
  ASSERT_TRUE(t.WaitFor(Utf8("番号")));
  t.Type("\r");
  ASSERT_TRUE(t.WaitFor(Utf8("ボタン")));
  t.Type("\r");
  ASSERT_TRUE(t.WaitFor(Utf8("あなたの名前: Jiro  Rinuの名前: Mio")));
  ASSERT_TRUE(t.WaitFor("Jiro>"));
  // A refused line stays in the editor: Enter alone sends it again, and it is refused again.
  t.Type(std::string("abc") + kEmoji + "\r");
  const std::string refused = std::string(Utf8("「")) + kEmoji + Utf8("」はこのプログラムでは");
  ASSERT_TRUE(t.WaitFor(refused));
  ASSERT_TRUE(t.WaitFor(std::string("Jiro>abc") + kEmoji));
  t.Type("\r");
  ASSERT_TRUE(t.WaitFor(refused));
  ASSERT_TRUE(t.WaitFor(std::string("Jiro>abc") + kEmoji));
  t.Type("\x15\x04");  // clear the line, Ctrl+D
  EXPECT_EQ(t.Wait(), 0) << t.seen();
  EXPECT_EQ(t.Count(refused), 2);

  // The same lines in the scripted chat window.
  WriteData(folder, memory);
  random.Push({1, 0});  // coin, candidate of "abc"
  backend.When(IDD_CHAT_DIALOG,
               {Type(IDC_INPUT, "abc"), Press(ui::IDOK), Type(IDC_INPUT, "りんご===あかい"),
                Press(ui::IDOK), Type(IDC_INPUT, "forget"), Press(ui::IDOK), Type(IDC_INPUT, "set"),
                Press(ui::IDOK), Close()});
  backend.When(IDD_FORGET_KEYWORD, {Type(IDC_FORGET_KEYWORD, "りんご"), Press(ui::IDOK)});
  backend.When(IDD_FORGET_CHOICE, {Type(IDC_FORGET_NUMBER, "1"), Press(ui::IDOK)});
  backend.When(IDD_SETTINGS, {Type(IDC_YOUR_NAME, "Jiro"), Press(ui::IDOK)});
  ChatApp app(persona, backend);
  app.InitInstance();
  EXPECT_EQ(app.exit_status(), 0);

  std::string tty_log = Slurp(tty_folder + "/log.txt");
  EXPECT_NE(tty_log.find("Mio>ばいばーい\r\n"), std::string::npos) << tty_log;
  EXPECT_EQ(WithoutDates(tty_log), WithoutDates(ReadFile("log.txt")));
  EXPECT_EQ(Slurp(tty_folder + "/memory.dat"), ReadFile("memory.dat"));
  EXPECT_EQ(Slurp(tty_folder + "/memory.dat"), Stored(memory));
  EXPECT_EQ(Slurp(tty_folder + "/set.ini"), ReadFile("set.ini"));
  RemoveFolder(tty_folder);
}

TEST_F(TextFrontTest, CtrlCAtThePromptSaysGoodbyeAndEndsWithZero) {
  // A reply's lines broken by a CR alone come out as lines, not over each other.
  WriteData(folder, {"brk%+%one\rtwo"});
  Terminal t(folder);
  ASSERT_TRUE(t.WaitFor("Taro>"));
  t.Type("brk\r");
  ASSERT_TRUE(t.WaitFor("Mio>one\r\ntwo\r\n"));
  ASSERT_TRUE(t.WaitFor("Taro>"));
  t.Type("\x03");
  EXPECT_EQ(t.Wait(), 0) << t.seen();
  std::string log = ReadFile("log.txt");
  EXPECT_NE(log.find("Taro>brk\r\nMio>one\rtwo\r\nMio>ばいばーい\r\n"), std::string::npos) << log;
}

TEST_F(TextFrontTest, OptionsThatMakeNoSenseEndWithTwo) {
  WriteData(folder, {"abc%+%xyz"});
  const std::vector<std::string> cases[] = {
      {"--tty", "--pipe", folder},        {"--encoding", "cp932", folder},
      {"--pipe", "--encoding", "euc-jp"}, {"--pipe", folder, folder},
      {"--pipe", "--verbose", folder},    {"--pipe", "--encoding"},
  };
  for (const auto& args : cases) {
    Ran run = RunProgram(args, "abc\n");
    EXPECT_EQ(run.status, 2) << args[1];
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("usage: rinu"), std::string::npos) << run.err;
  }
  EXPECT_FALSE(Exists("log.txt"));
}

TEST_F(TextFrontTest, PipeAnswersEveryLineWithOneLine) {
  // A line break in a stored reply is a CR (an LF would end the record).
  WriteData(folder, {"abc%+%xyz", "break%+%one\rtwo\rthree"});
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    std::vector<std::string> out;  // the lines written, exactly
    std::string err_has;
  } cases[] = {
      {"a stored line break", {}, "break\n", {"one two three"}, ""},
      {"a dialog word",
       {},
       "learn\nabc\n",
       {Utf8("覚えられないですぅ"), "xyz"},
       Utf8("「覚えさせる言葉」はウィンドウか --tty でしか開けないので、キャンセルしました。")},
      {"command words", {}, "set\nver\nabc\n", {"", "", "xyz"}, Utf8("「情報設定」")},
      {"cp932",
       {"--encoding", "cp932"},
       "abc\r\nみかん===すっぱい\r\n",
       {"xyz", std::string("覚えたよ～ん,教えてくれてありがとう♪")},
       ""},
      {"invalid UTF-8",
       {},
       "ab\xff\nabc\n",
       {"", "xyz"},
       Utf8("入力がUTF-8の文字として読めません。")},
      {"a character Shift-JIS lacks",
       {},
       std::string("x") + kEmoji + "===y\nabc\n",
       {"", "xyz"},
       std::string(Utf8("「")) + kEmoji + Utf8("」")},
      {"exit", {}, "abc\nexit\nabc\n", {"xyz"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string before = ReadFile("memory.dat");
    std::vector<std::string> args = {"--pipe"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back(folder);
    Ran run = RunProgram(args, c.input);
    EXPECT_EQ(run.status, 0) << run.err;
    std::string expected;
    for (const std::string& line : c.out) expected += line + "\n";
    EXPECT_EQ(run.out, expected);
    if (!c.err_has.empty()) {
      EXPECT_NE(run.err.find(c.err_has), std::string::npos) << run.err;
    }
    // The farewell closes the log, at "exit" or at the end of input.
    std::string log = ReadFile("log.txt");
    EXPECT_EQ(log.rfind("Mio>ばいばーい\r\n"), log.rfind("Mio>")) << log;
    if (std::string(c.name) != "cp932") {
      EXPECT_EQ(ReadFile("memory.dat"), before);
    }
    WriteFile("memory.dat", before);
  }
}

TEST_F(TextFrontTest, PipeAnswersAThousandLinesWithAThousandLines) {
  WriteData(folder, {"abc%+%xyz"});
  std::string input;
  for (int i = 0; i < 1000; ++i) input += i % 2 ? "abc\n" : "zzz" + std::to_string(i) + "\n";
  Ran run = RunProgram({"--pipe", folder}, input);
  EXPECT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 1000u);
  for (size_t i = 1; i < lines.size(); i += 2) EXPECT_EQ(lines[i], "xyz") << i;
  EXPECT_EQ(run.err, "");
  std::string log = ReadFile("log.txt");
  EXPECT_NE(log.find("Taro>zzz998\r\n"), std::string::npos);
  EXPECT_NE(log.find("Mio>ばいばーい\r\n"), std::string::npos);
}

TEST_F(TextFrontTest, PipeWritesNothingIntoAFolderThatIsNoPersonaYetAndEndsWithOne) {
  WriteData(folder, {"abc%+%xyz"});
  std::remove(Path("set.ini").c_str());
  const std::string empty = MakeTempFolder();
  const std::string hint = " " + Utf8("で、ここにRinu++を用意してください。");
  struct Case {
    std::string folder, missing;
  } cases[] = {
      {folder, " set.ini"}, {empty, " memory.dat boke.dat no.dat set.ini"}, {folder + "/none", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    const std::vector<std::string> before = ListFolder();
    Ran run = RunProgram({"--pipe", c.folder}, "abc\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    if (!c.missing.empty()) {
      EXPECT_NE(run.err.find(Utf8("（足りないファイル:") + c.missing + Utf8("）")),
                std::string::npos)
          << run.err;
    }
    EXPECT_NE(run.err.find("rinu: rinu --tty " + c.folder + hint), std::string::npos) << run.err;
    EXPECT_EQ(ListFolder(), before);
  }
  EXPECT_TRUE(std::filesystem::is_empty(empty));
  RemoveFolder(empty);
}

TEST_F(TextFrontTest, TtyOnAMissingFolderOffersANewPersonaAndSetsItUp) {
  const std::string fresh = folder + "/friend";
  {
    Terminal no(fresh);
    ASSERT_TRUE(no.WaitFor(Utf8("ここに新しいRinu++を作りますか？")));
    no.Type("n\r");
    EXPECT_EQ(no.Wait(), 1) << no.seen();
  }
  EXPECT_FALSE(std::filesystem::exists(fresh));
  Terminal t(fresh);
  ASSERT_TRUE(t.WaitFor(Utf8("ここに新しいRinu++を作りますか？")));
  t.Type("y\r");
  ASSERT_TRUE(t.WaitFor(Utf8("あなたの名前(Y): ")));
  t.Type("Taro\r");
  ASSERT_TRUE(t.WaitFor(Utf8("Rinuのニックネーム")));
  t.Type("Sora\r");
  ASSERT_TRUE(t.WaitFor(Utf8("番号")));
  t.Type("3\r");
  ASSERT_TRUE(t.WaitFor(Utf8("ボタン")));
  t.Type("\r");
  ASSERT_TRUE(t.WaitFor(Utf8("Sora>Taro君こんにちは。")));
  ASSERT_TRUE(t.WaitFor("Taro>"));
  ASSERT_TRUE(t.WaitForEditor());
  t.Type("\x04");
  EXPECT_EQ(t.Wait(), 0) << t.seen();
  const std::string data = std::string(RINU_SOURCE_DIR) + "/data/";
  for (const char* name : {"memory.dat", "boke.dat", "no.dat", "help.html"})
    EXPECT_EQ(Slurp(fresh + "/" + name), Slurp(data + name)) << name;
  EXPECT_EQ(Slurp(fresh + "/set.ini"), "YourName:Taro\r\nRinuName:Sora\r\n2\r\n");
  EXPECT_NE(Slurp(fresh + "/log.txt").find("Sora>ばいばーい"), std::string::npos);
}

TEST(ReplaceLineBreaksTest, EachLineBreakBecomesOneSpace) {
  struct {
    std::string in, out;
  } cases[] = {{"a\r\nb", "a b"},
               {"a\nb\rc", "a b c"},
               {"a\r\n\r\nb", "a  b"},
               {"ab", "ab"},
               {"a\r\n", "a "}};
  for (const auto& c : cases) EXPECT_EQ(ReplaceLineBreaks(c.in, ' '), c.out) << c.in;
}

}  // namespace
