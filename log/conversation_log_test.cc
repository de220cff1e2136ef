// ConversationLog and LogClock: the exact bytes of every entry in both formats, the modes,
// and what happens when the log file cannot be written.
#include "log/conversation_log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "log/log_clock.h"
#include "testing/work_folder.h"

namespace {

using namespace testing_support;
using Strings = std::vector<std::string>;

std::time_t g_now = 1709715907;  // Wed Mar 06 09:05:07 2024 UTC

const std::string kStamp = "Wed Mar 06 09:05:07 2024\r\n";
const std::string kRule = "---------------------------------------------------";  // 51
const std::string kTextEntryFailed =
    "ログを書けません。\nlog.txtが読み込み専用になっていないか、\n確認してください。";
const std::string kHtmlEntryFailed =
    "ログを書けません。\nlog.htmlが読み込み専用になっていないか、\n確認してください。";
const std::string kTextNoteFailed =
    "log.txtが読み込み専用の可能性があります。確認してください。\n"
    "よく分からないときはlog.txtを削除してください。";
const std::string kHtmlNoteFailed =
    "log.htmlが読み込み専用の可能性があります。確認してください。\n"
    "よく分からないときはlog.htmlを削除してください。";

// The log as the chat window uses it: set.ini is read for each entry, so a test can change the
// mode between two entries, and what an entry has to say is shown as a box.
class FileLog {
 public:
  FileLog(core::Persona& persona, ui::Backend& backend)
      : m_persona(persona), m_backend(backend), m_log(persona) {}
  void WriteStartEntry(const std::string& text) { Show(m_log.WriteStartEntry(Settings(), text)); }
  void WriteExchange(const std::string& line, const std::string& reply) {
    Show(m_log.WriteExchange(Settings(), line, reply));
  }
  void WriteNote(const std::string& text) { Show(m_log.WriteNote(Settings(), text)); }
  void WriteEndEntry(const std::string& text) { Show(m_log.WriteEndEntry(Settings(), text)); }
  // What the window does with the log to show: opens its file, or shows why there is none.
  void ShowLog() {
    const LogToShow shown = m_log.ShowLog(Settings());
    if (shown.file) m_backend.ShellOpen(shown.file);
    if (!shown.message.empty()) m_backend.MessageBox(shown.message);
  }

 private:
  const SettingsStore& Settings() {
    m_settings = std::make_unique<SettingsStore>(m_persona);
    core::Outcome told;
    EXPECT_EQ(m_settings->Read(&told), SettingsStore::State::kValid);
    return *m_settings;
  }
  void Show(const LogOutcome& logged) {
    if (!logged.message.empty()) m_backend.MessageBox(logged.message);
  }
  core::Persona& m_persona;
  ui::Backend& m_backend;
  ConversationLog m_log;
  std::unique_ptr<SettingsStore> m_settings;
};

class ConversationLogTest : public WorkFolderTest {
 protected:
  void SetUp() override {
    WorkFolderTest::SetUp();
    setenv("TZ", "UTC", 1);
    tzset();
    g_now = 1709715907;
    clock.fixed = &g_now;
  }
  static void SetMode(int mode, const std::string& user = "Taro",
                      const std::string& nick = "Hana") {
    WriteFile("set.ini",
              "YourName:" + user + "\r\nRinuName:" + nick + "\r\n" + std::to_string(mode) + "\r\n");
  }
  // One conversation: start, an exchange, a note, the end.
  static void Converse(FileLog& log) {
    log.WriteStartEntry("Taro君こんにちは。");
    log.WriteExchange("hi", "yo");
    log.WriteNote("言葉を覚えさせました！");
    log.WriteEndEntry("ばいばーい");
  }
};

TEST_F(ConversationLogTest, ClockGivesTheStampWithATwoDigitDay) {
  const struct {
    std::time_t when;
    const char* stamp;
  } cases[] = {
      {1709715907, "Wed Mar 06 09:05:07 2024\n"},
      {0, "Thu Jan 01 00:00:00 1970\n"},
      {978307199, "Sun Dec 31 23:59:59 2000\n"},
      {1700000000, "Tue Nov 14 22:13:20 2023\n"},
  };
  for (const auto& c : cases) {
    g_now = c.when;
    EXPECT_EQ(LogClock(clock).Now(), c.stamp);
  }
  clock.fixed = nullptr;
  std::string now = LogClock(clock).Now();
  ASSERT_EQ(now.size(), 25u);
  EXPECT_EQ(now[3], ' ');
  EXPECT_EQ(now[10], ' ');
  EXPECT_EQ(now[13], ':');
  EXPECT_EQ(now.back(), '\n');
}

TEST_F(ConversationLogTest, TextEntriesAreWrittenExactlyWithCrLf) {
  SetMode(TEXT);
  FileLog log(persona, backend);
  Converse(log);
  log.WriteExchange("", "empty");
  EXPECT_EQ(ReadFile("log.txt"), kRule + "\r\nここからはじめる\t" + kStamp +
                                     "\r\n\r\nHana>Taro君こんにちは。\r\n" +
                                     "Taro>hi\r\nHana>yo\r\n" + "言葉を覚えさせました！\r\n" +
                                     "Hana>ばいばーい\r\n\r\nここまで\t\t" + kStamp + "\r\n" +
                                     kRule + "\r\n\r\n\r\n" + "Taro>\r\nHana>empty\r\n");
  EXPECT_EQ(ListFolder(), (Strings{"log.txt", "set.ini"}));
  EXPECT_TRUE(backend.events().empty());
}

TEST_F(ConversationLogTest, HtmlEntriesAreWrittenExactlyAndTheEndEntryHasNoLineBreak) {
  SetMode(HTML);
  FileLog log(persona, backend);
  Converse(log);
  log.WriteStartEntry("again");
  const std::string start =
      "<B><HR color=\"blue\"><font "
      "color=\"blue\"><BR>ここからはじめます。&nbsp;&nbsp;&nbsp;&nbsp;" +
      kStamp + "</font></B><BR><BR>\r\n<font color=\"red\">Hana<B>>></B>";
  EXPECT_EQ(ReadFile("log.html"),
            start + "Taro君こんにちは。</font><HR>\r\n" +
                "<font color=\"black\">Taro<B>>></B>hi</font>\r\n<HR><font color=\"red\">Hana<B>>>"
                "</B>yo</font><HR color=\"#ff00ff\">\r\n" +
                "<B><font color=\"blue\">言葉を覚えさせました！</font></B><HR>\r\n" +
                "<font color=\"red\">Hana<B>>></B>ばいばーい</font><BR><BR><font color=\"blue\">"
                "<B>ここまで&nbsp;&nbsp;&nbsp;&nbsp;\r\n" +
                kStamp + "</B></font><HR color=\"blue\"><BR><BR>" +  // the next start follows
                start + "again</font><HR>\r\n");
  EXPECT_EQ(ListFolder(), (Strings{"log.html", "set.ini"}));
}

TEST_F(ConversationLogTest, HtmlEscapesEveryInsertedTextAndTextModeKeepsIt) {
  SetMode(HTML, "<b>T&T</b>", "\"H\"");
  FileLog log(persona, backend);
  log.WriteStartEntry("<i>hi</i>");
  log.WriteExchange("<script>alert(\"x&y\")</script>", "a>b");
  log.WriteNote("<hr>");
  log.WriteEndEntry("&amp;");
  const std::string nick = "&quot;H&quot;<B>>></B>";
  EXPECT_EQ(ReadFile("log.html"),
            "<B><HR color=\"blue\"><font color=\"blue\"><BR>ここからはじめます。&nbsp;&nbsp;&nbsp;"
            "&nbsp;" +
                kStamp + "</font></B><BR><BR>\r\n<font color=\"red\">" + nick +
                "&lt;i&gt;hi&lt;/i&gt;</font><HR>\r\n" +
                "<font color=\"black\">&lt;b&gt;T&amp;T&lt;/b&gt;<B>>></B>&lt;script&gt;alert("
                "&quot;x&amp;y&quot;)&lt;/script&gt;</font>\r\n<HR><font color=\"red\">" +
                nick + "a&gt;b</font><HR color=\"#ff00ff\">\r\n" +
                "<B><font color=\"blue\">&lt;hr&gt;</font></B><HR>\r\n" + "<font color=\"red\">" +
                nick +
                "&amp;amp;</font><BR><BR><font color=\"blue\">"
                "<B>ここまで&nbsp;&nbsp;&nbsp;&nbsp;\r\n" +
                kStamp + "</B></font><HR color=\"blue\"><BR><BR>");
  SetMode(TEXT, "<b>T&T</b>", "\"H\"");
  log.WriteExchange("<script>alert(\"x&y\")</script>", "a>b");
  EXPECT_EQ(ReadFile("log.txt"), "<b>T&T</b>><script>alert(\"x&y\")</script>\r\n\"H\">a>b\r\n");
}

TEST_F(ConversationLogTest, NologTouchesNoFileAndShowLogSaysWhy) {
  SetMode(NOLOG);
  FileLog log(persona, backend);
  Converse(log);
  log.ShowLog();
  EXPECT_EQ(ListFolder(), Strings{"set.ini"});
  EXPECT_EQ(backend.boxes(), Strings{"ログモードがNOLOGになっているため、ログを書いていません。\n"
                                     "ログモードを切り替えてください。"});
  EXPECT_TRUE(backend.shell_targets().empty());
}

TEST_F(ConversationLogTest, ModeThreeGivesEachOperationItsOwnMessageAndWritesNothing) {
  SetMode(3);
  FileLog log(persona, backend);
  Converse(log);
  log.ShowLog();
  EXPECT_EQ(backend.boxes(),
            (Strings{"set.iniが間違っている可能性があります。", "set.iniファイルが不正です",
                     "Set.iniファイルが間違っている可能性があります",
                     "set.iniがまちがっている可能性があります。"}));
  EXPECT_TRUE(backend.shell_targets().empty());
  EXPECT_EQ(ListFolder(), Strings{"set.ini"});
}

TEST_F(ConversationLogTest, ShowLogOpensTheCurrentModesFile) {
  SetMode(TEXT);
  FileLog log(persona, backend);
  log.ShowLog();
  SetMode(HTML);
  log.ShowLog();
  EXPECT_EQ(backend.shell_targets(), (Strings{"log.txt", "log.html"}));
  EXPECT_TRUE(backend.boxes().empty());
  EXPECT_EQ(ListFolder(), Strings{"set.ini"});  // opening creates nothing
}

TEST_F(ConversationLogTest, TheModeIsReadAgainForEveryEntry) {
  SetMode(TEXT);
  FileLog log(persona, backend);
  log.WriteStartEntry("g");
  SetMode(HTML, "Jiro");
  log.WriteExchange("hi", "yo");
  SetMode(NOLOG);
  log.WriteEndEntry("bye");
  EXPECT_EQ(ReadFile("log.txt"),
            kRule + "\r\nここからはじめる\t" + kStamp + "\r\n\r\nHana>g\r\n");  // no end entry
  EXPECT_EQ(ReadFile("log.html"),
            "<font color=\"black\">Jiro<B>>></B>hi</font>\r\n<HR><font color=\"red\">Hana<B>>></B>"
            "yo</font><HR color=\"#ff00ff\">\r\n");
}

struct FileCase {
  int mode;
  const char* file;
  const std::string& entry_failed;
  const std::string& note_failed;
};
const FileCase kFileCases[] = {{TEXT, "log.txt", kTextEntryFailed, kTextNoteFailed},
                               {HTML, "log.html", kHtmlEntryFailed, kHtmlNoteFailed}};

TEST_F(ConversationLogTest, AReadOnlyLogShowsTheEntrysMessageAndStaysUnchanged) {
  for (const FileCase& c : kFileCases) {
    SCOPED_TRACE(c.file);
    SetMode(c.mode);
    WriteFile(c.file, "old\r\n");
    MakeReadOnly(c.file);
    size_t from = backend.boxes().size();
    FileLog log(persona, backend);
    Converse(log);
    EXPECT_EQ(Strings(backend.boxes().begin() + static_cast<long>(from), backend.boxes().end()),
              (Strings{c.entry_failed, c.entry_failed, c.note_failed, c.entry_failed}));
    EXPECT_EQ(ReadFile(c.file), "old\r\n");
  }
}

TEST_F(ConversationLogTest, AWriteFailingOnAFullDiskIsReportedAndLeavesNoHalfEntry) {
  for (const FileCase& c : kFileCases) {
    SCOPED_TRACE(c.file);
    SetMode(c.mode);
    const std::string before(40, 'x');
    WriteFile(c.file, before);
    size_t from = backend.boxes().size();
    FileLog log(persona, backend);
    {
      ScopedFileSizeLimit disk_full(50);
      Converse(log);
    }
    EXPECT_EQ(Strings(backend.boxes().begin() + static_cast<long>(from), backend.boxes().end()),
              (Strings{c.entry_failed, c.entry_failed, c.note_failed, c.entry_failed}));
    EXPECT_EQ(ReadFile(c.file), before);
    // With room again, the next entry is written.
    log.WriteNote("n");
    EXPECT_EQ(ReadFile(c.file),
              before + (c.mode == TEXT ? "n\r\n" : "<B><font color=\"blue\">n</font></B><HR>\r\n"));
  }
}

}  // namespace
